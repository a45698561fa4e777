// The controller's desktop part: what the tray's clicks ask of the player
// window, the hint, the icon id, and a controller without it.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "app/desktop/Desktop.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/controls/Icon.h"
#include "widgets/menus/Menu.h"
#include "widgets/tray/TrayIcon.h"

using namespace ctltest;
using testkit::PumpUntil;
using namespace core;
using namespace widgets;
using namespace app;

namespace {

// Accepts every icon and remembers the last record.
class TQuietHost : public TTrayHost {
 public:
  explicit TQuietHost(TNotifyIconData* last) : FLast(last) {}
  bool Add(const TNotifyIconData& d) override { return Keep(d); }
  bool Modify(const TNotifyIconData& d) override { return Keep(d); }
  bool Delete(const TNotifyIconData& d) override {
    Deleted = true;
    return Keep(d);
  }
  const char* Kind() const override { return "quiet"; }
  bool Deleted = false;

 private:
  bool Keep(const TNotifyIconData& d) {
    *FLast = d;
    return true;
  }
  TNotifyIconData* FLast;
};

class MainWindowTrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTrayHost(std::make_unique<TQuietHost>(&Last));
    auto& mw = F.Make();
    mw.CreatePlayerWindow = [this](TMainWindow&) {
      auto window = std::make_unique<TClientWindow>();
      Player = window.get();
      Player->Answer = 0x1234;  // the menu handle UM_QUERY_MENU hands out
      return window;
    };
    mw.PopupMenu = [this](LRESULT menu, HWND owner) {
      Menus.push_back(menu);
      EXPECT_EQ(owner, Player->WindowHandle());
    };
  }
  void TearDown() override {
    F.Destroy();
    SetTrayHost(nullptr);
  }
  // The fixture's controller has no tray: remakes it with one, keeping the
  // player-window hook and, when asked, the menu hook.
  void RemakeWithTray(bool keepMenuHook) {
    app::TMainWindowConfig config;
    config.SettingsFolder = F.SettingsFolder;
    config.QuitOnDestroy = false;
    auto hooks = std::move(F.Controller);
    F.Controller = std::make_unique<TMainWindow>(*F.Options, config);
    Part = AddDesktop(*F.Controller, false);
    F.Controller->CreatePlayerWindow = hooks->CreatePlayerWindow;
    F.Controller->Beep = hooks->Beep;
    if (keepMenuHook) F.Controller->PopupMenu = hooks->PopupMenu;
  }
  void Tray(UINT event) {
    HWND tray = Part->TrayIcon()->WindowHandle();
    SendMessage(tray, WM_TRAYNOTIFY, static_cast<WPARAM>(tray), static_cast<LPARAM>(event));
  }

  TNotifyIconData Last;
  TControllerFixture F;
  TClientWindow* Player = nullptr;
  TDesktopPart* Part = nullptr;
  std::vector<LRESULT> Menus;
};

TEST_F(MainWindowTrayTest, ClicksHintAndIcons) {
  RemakeWithTray(true);
  F.Start();
  ASSERT_NE(Part->TrayIcon(), nullptr);
  EXPECT_EQ(Last.szTip, u"QOR");
  EXPECT_TRUE(IsIcon(Last.hIcon));

  // Before the player window exists, clicks ask nobody.
  Tray(WM_RBUTTONUP);
  EXPECT_TRUE(Menus.empty());
  ASSERT_TRUE(PumpUntil([&] { return Player != nullptr; }, 5000));

  Tray(WM_RBUTTONUP);
  ASSERT_EQ(Player->Count(UM_QUERY_MENU), 1);
  EXPECT_EQ(Player->Entries().back().W, 1u);
  EXPECT_EQ(Menus, std::vector<LRESULT>{0x1234});
  // The left button does not open the menu.
  Tray(WM_LBUTTONUP);
  EXPECT_EQ(Player->Count(UM_QUERY_MENU), 1);
  // A player window without a menu: nothing is shown.
  Player->Answer = 0;
  Tray(WM_RBUTTONUP);
  EXPECT_EQ(Menus.size(), 1u);

  Tray(WM_LBUTTONDBLCLK);
  ASSERT_EQ(Player->Count(UM_TRAY_CLICK), 1);
  EXPECT_EQ(Player->Entries().back().W, 1u);
  EXPECT_EQ(Player->Entries().back().L, 0);

  std::u16string hint(300, u'h');
  F.Send(UM_SET_TRAY_HINT, 0, reinterpret_cast<LPARAM>(hint.c_str()));
  EXPECT_EQ(Part->TrayIcon()->HintText().size(), 260u);

  // A new icon id replaces the window icon.
  HICON before = static_cast<HICON>(F.Send(WM_GETICON));
  F.Controller->SetIconId(102);
  HICON after = static_cast<HICON>(F.Send(WM_GETICON));
  EXPECT_TRUE(IsIcon(after));
  EXPECT_NE(after, before);
  EXPECT_FALSE(IsIcon(before)) << "the old icon is destroyed";
  // The player window (the registered client) shows it too.
  auto entries = F.Client.Entries();
  std::vector<std::pair<WPARAM, LPARAM>> icons;
  for (const auto& e : entries)
    if (e.Msg == WM_SETICON) icons.push_back({e.W, e.L});
  ASSERT_EQ(icons.size(), 2u);
  EXPECT_EQ(icons[0], std::make_pair(ICON_BIG, static_cast<LPARAM>(after)));
  EXPECT_EQ(icons[1], std::make_pair(ICON_SMALL, static_cast<LPARAM>(after)));

  // Closing takes the icon out of the notification area.
  F.Destroy();
  auto* host = dynamic_cast<TQuietHost*>(&TrayHost());
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(host->Deleted);
}

TEST_F(MainWindowTrayTest, DefaultMenuIsTheFirstSubmenuAtTheCursor) {
  auto* offscreen = dynamic_cast<TOffscreenBackend*>(&Backend());
  if (!offscreen) GTEST_SKIP() << "another backend is in use";
  RemakeWithTray(false);
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  AppendMenuW(popup, MF_STRING, 40001, u"Çı&kış");
  AppendMenuW(bar, MF_POPUP, popup, u"Menü");
  F.Start();
  ASSERT_TRUE(PumpUntil([&] { return Player != nullptr; }, 5000));
  Player->Answer = static_cast<LRESULT>(bar);
  offscreen->Cursor = {120, 340};
  offscreen->MenuChoice = 40001;
  int shown = offscreen->MenusShown;
  Tray(WM_RBUTTONUP);
  EXPECT_EQ(offscreen->MenusShown, shown + 1);
  EXPECT_EQ(offscreen->LastMenu, popup);
  EXPECT_EQ(offscreen->LastMenuPoint, (TPoint{120, 340}));
  // The chosen command goes to the player window.
  ASSERT_TRUE(PumpUntil([&] {
    for (const auto& e : Player->Entries())
      if (e.Msg == WM_COMMAND && e.W == 40001u) return true;
    return false;
  }, 2000));
  offscreen->MenuChoice = 0;
  DestroyMenu(bar);
}

// The tray's menu is the window menu with mute after the record command,
// ticked while muted, and only while the tray shows it.
TEST_F(MainWindowTrayTest, TrayMenuOffersMuteAfterRecord) {
  RemakeWithTray(false);
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  AppendMenuW(popup, MF_STRING, CM_RECORD, u"&Radyodan Kaydet");
  AppendMenuW(popup, MF_STRING, 40009, u"&Zamanlanmış Kayıt");
  AppendMenuW(bar, MF_POPUP, popup, u"Player");
  std::vector<std::vector<TMenuItem>> shown;
  F.Controller->PopupMenu = [&](LRESULT menu, HWND) { shown.push_back(MenuItems(GetSubMenu(menu, 0))); };
  F.Start();
  ASSERT_TRUE(PumpUntil([&] { return Player != nullptr; }, 5000));
  Player->Answer = static_cast<LRESULT>(bar);

  Tray(WM_RBUTTONUP);
  F.Send(UM_SET_MUTE, 1);
  Tray(WM_RBUTTONUP);
  ASSERT_EQ(shown.size(), 2u);
  for (size_t n = 0; n < 2; ++n) {
    ASSERT_EQ(shown[n].size(), 3u);
    EXPECT_EQ(shown[n][1].Id, CM_TOGGLE_MUTE);
    EXPECT_EQ(shown[n][1].Text, u"&Sessiz");
    EXPECT_EQ(shown[n][1].Flags & MF_CHECKED, n == 0 ? 0u : MF_CHECKED);
    EXPECT_EQ(shown[n][2].Id, 40009u);
  }
  EXPECT_EQ(GetMenuItemCount(popup), 2) << "the window's own menu is left as it was";

  // A menu without the record command gets nothing added.
  DeleteMenu(popup, static_cast<UINT>(CM_RECORD), MF_BYCOMMAND);
  Tray(WM_RBUTTONUP);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[2].size(), 1u);
  DestroyMenu(bar);
}

// The session controller alone has no icons and no tray: the requests
// that would reach them are answered and dropped.
TEST_F(MainWindowTrayTest, HeadlessControllerHasNoIcons) {
  F.Start();
  EXPECT_EQ(F.Send(WM_GETICON), 0);
  std::u16string hint = u"Radyo";
  F.Send(UM_SET_TRAY_HINT, 0, reinterpret_cast<LPARAM>(hint.c_str()));
  F.Controller->SetIconId(102);
  EXPECT_EQ(F.Controller->IconId(), 102);
  EXPECT_EQ(F.Send(WM_GETICON), 0);
}

}  // namespace
