#include <gtest/gtest.h>

#include "MainLoop.h"
#include "widgets/tray/TrayIcon.h"

using namespace widgets;
using testkit::PumpUntil;

namespace {

// Records what the icon asks of the notification area.
class TRecordingHost : public TTrayHost {
 public:
  struct TCall {
    DWORD Message;
    TNotifyIconData Data;
  };
  std::vector<TCall>* Calls;
  explicit TRecordingHost(std::vector<TCall>* calls) : Calls(calls) {}
  bool Add(const TNotifyIconData& d) override { return Record(NIM_ADD, d); }
  bool Modify(const TNotifyIconData& d) override { return Record(NIM_MODIFY, d); }
  bool Delete(const TNotifyIconData& d) override { return Record(NIM_DELETE, d); }
  const char* Kind() const override { return "recording"; }

 private:
  bool Record(DWORD m, const TNotifyIconData& d) {
    Calls->push_back({m, d});
    return true;
  }
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTrayHost(std::make_unique<TRecordingHost>(&Calls)); }
  void TearDown() override { SetTrayHost(nullptr); }
  std::vector<TRecordingHost::TCall> Calls;

  HICON SomeIcon() { return CreateIconFromArgb(2, 2, {0xFF000000, 0xFFFFFFFF, 0, 0x80FF0000}); }
};

TEST_F(TrayIconTest, AddModifyDeleteFollowVisibleTray) {
  {
    TTrayIcon tray;
    tray.SetHintText(u"QOR");
    EXPECT_TRUE(Calls.empty()) << "no modification before the icon is shown";
    tray.SetVisibleTray(true);
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Message, NIM_ADD);
    const TNotifyIconData& d = Calls[0].Data;
    EXPECT_EQ(d.hWnd, tray.WindowHandle());
    EXPECT_EQ(d.uID, static_cast<UINT>(tray.WindowHandle()));
    EXPECT_EQ(d.uCallbackMessage, 37684u);
    EXPECT_EQ(d.uFlags, NIF_MESSAGE | NIF_ICON | NIF_TIP);
    EXPECT_EQ(d.uTimeout, 3000u);
    EXPECT_EQ(tray.NativeWindow(), nullptr) << "the tray window stays off screen";
    tray.SetVisibleTray(false);
    EXPECT_EQ(Calls.back().Message, NIM_DELETE);
    tray.SetVisibleTray(true);
    Calls.clear();
  }
  ASSERT_EQ(Calls.size(), 1u) << "destroying a shown icon removes it";
  EXPECT_EQ(Calls[0].Message, NIM_DELETE);
}

TEST_F(TrayIconTest, LongHintIsCutAndEmptyHintDropsTheTip) {
  TTrayIcon tray;
  tray.SetVisibleTray(true);
  std::u16string hint;
  for (int i = 0; i < 200; ++i) hint += static_cast<char16_t>(u'a' + i % 26);
  tray.SetHintText(hint);
  EXPECT_EQ(Calls.back().Message, NIM_MODIFY);
  EXPECT_EQ(Calls.back().Data.szTip, hint.substr(0, 127));
  EXPECT_EQ(tray.HintText(), hint);
  size_t before = Calls.size();
  tray.SetHintText(hint);
  EXPECT_EQ(Calls.size(), before) << "an unchanged hint sends nothing";
  tray.SetHintText(u"");
  EXPECT_EQ(Calls.back().Data.uFlags & NIF_TIP, 0u);
  // A cut never leaves half a surrogate pair.
  std::u16string emoji(126, u'x');
  emoji += u"\U0001F4FB";
  tray.SetHintText(emoji);
  EXPECT_EQ(Calls.back().Data.szTip, std::u16string(126, u'x'));
}

TEST_F(TrayIconTest, SettingTheIconTwiceDestroysTheFirst) {
  TTrayIcon tray;
  tray.SetVisibleTray(true);
  HICON first = SomeIcon(), second = SomeIcon();
  tray.SetIcon(first);
  EXPECT_EQ(Calls.back().Data.hIcon, first);
  tray.SetIcon(second);
  EXPECT_FALSE(IsIcon(first));
  EXPECT_TRUE(IsIcon(second));
  tray.DestroyHandle();
  EXPECT_FALSE(IsIcon(second)) << "the window's destruction frees the icon";
}

TEST_F(TrayIconTest, CallbackEventsInOrder) {
  TTrayIcon tray;
  std::vector<std::string> seen;
  UINT lastKeys = 0;
  tray.OnMouseDown = [&](TObject*, UINT k, int, int) {
    seen.push_back("down");
    lastKeys = k;
  };
  tray.OnMouseUp = [&](TObject*, UINT k, int, int) {
    seen.push_back("up");
    lastKeys = k;
  };
  tray.OnClick = [&](TObject*, UINT, int, int) { seen.push_back("click"); };
  tray.OnDblClick = [&](TObject*) { seen.push_back("dbl"); };
  tray.OnMouseMove = [&](TObject*, UINT, int, int) { seen.push_back("move"); };
  HWND h = tray.Handle();
  auto send = [&](UINT event) { SendMessage(h, WM_TRAYNOTIFY, static_cast<WPARAM>(h), event); };
  send(WM_MOUSEMOVE);
  send(WM_LBUTTONDOWN);
  send(WM_LBUTTONUP);
  EXPECT_EQ(seen, (std::vector<std::string>{"move", "down", "click", "up"}));
  EXPECT_EQ(lastKeys, MK_LBUTTON);
  seen.clear();
  send(WM_RBUTTONDOWN);
  send(WM_RBUTTONUP);
  EXPECT_EQ(seen, (std::vector<std::string>{"down", "up"}));
  EXPECT_EQ(lastKeys, MK_RBUTTON) << "exactly the right button: the program's menu";
  seen.clear();
  SetKeyDown(VK_SHIFT, true);
  SetKeyDown(VK_CONTROL, true);
  send(WM_MBUTTONUP);
  SetKeyDown(VK_SHIFT, false);
  SetKeyDown(VK_CONTROL, false);
  EXPECT_EQ(lastKeys, MK_MBUTTON | MK_SHIFT | MK_CONTROL);
  send(WM_RBUTTONDBLCLK);
  send(WM_LBUTTONUP);  // no press before it: no click
  EXPECT_EQ(seen, (std::vector<std::string>{"up", "dbl", "up"}));
}

TEST_F(TrayIconTest, BalloonFlagsAndCallbacks) {
  TTrayIcon tray;
  tray.SetVisibleTray(true);
  tray.SetBalloonTitle(std::u16string(100, u'T'));
  tray.SetBalloonHint(std::u16string(300, u'B'));
  tray.SetBalloonFlags(bfWarning);
  tray.ShowBalloon();
  const TNotifyIconData& d = Calls.back().Data;
  EXPECT_TRUE(d.uFlags & NIF_INFO);
  EXPECT_EQ(d.dwInfoFlags, NIIF_WARNING);
  EXPECT_EQ(d.szInfo.size(), 255u);
  EXPECT_EQ(d.szInfoTitle.size(), 63u);
  UINT action = 0;
  tray.OnBalloonAction = [&](TObject*, UINT code) { action = code; };
  SendMessage(tray.Handle(), WM_TRAYNOTIFY, 0, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(action, NIN_BALLOONUSERCLICK);
  EXPECT_EQ(tray.IconData().uFlags & NIF_INFO, 0u);
}

TEST_F(TrayIconTest, EndOfSessionRemovesTheIcon) {
  TTrayIcon tray;
  tray.SetVisibleTray(true);
  EXPECT_EQ(SendMessage(tray.Handle(), WM_QUERYENDSESSION), 1);
  SendMessage(tray.Handle(), WM_ENDSESSION, 0);
  EXPECT_EQ(Calls.back().Message, NIM_ADD);
  SendMessage(tray.Handle(), WM_ENDSESSION, 1);
  EXPECT_EQ(Calls.back().Message, NIM_DELETE);
}

TEST(TrayHostChoice, WithoutAnyTrayTheIconIsSilentlyAbsent) {
  SetTrayHost(CreateNullTrayHost());
  {
    TTrayIcon tray;
    tray.SetHintText(u"QOR");
    tray.SetVisibleTray(true);
    tray.ShowBalloon();
    EXPECT_TRUE(tray.VisibleTray());
  }
  SetTrayHost(nullptr);
}

TEST(Icons, PngDecodingScalesAndRejectsGarbage) {
  EXPECT_EQ(CreateIconFromPng("not a png", 16), 0u);
  EXPECT_EQ(CreateIconFromPng("", 16), 0u);
  EXPECT_EQ(CreateIconFromArgb(0, 5, {}), 0u);
  EXPECT_EQ(CreateIconFromArgb(2, 2, {1, 2, 3}), 0u) << "too few pixels";
  HICON icon = CreateIconFromArgb(1, 1, {0x80FF0000});
  TIconImage image = IconImage(icon);
  EXPECT_EQ(image.Argb.at(0), 0x80FF0000u);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DestroyIcon(icon));
  EXPECT_TRUE(IconImage(icon).Argb.empty());
}

}  // namespace
