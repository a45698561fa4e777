#include <gtest/gtest.h>

#include "ControlFixture.h"
#include "core/Encoding.h"
#include "widgets/controls/DropFiles.h"
#include "widgets/controls/Icon.h"
#include "widgets/controls/Screen.h"
#include "widgets/controls/ToolTip.h"

using namespace widgets;
using testwidgets::ControlTest;
using testkit::PumpUntil;

namespace {

struct TReflectProbe : TControl {
  using TControl::TControl;
  std::vector<UINT> Got;
  void WndProc(TMessage& m) override {
    if (m.Msg == CN_MEASUREITEM) {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      item->itemHeight = 17;
    }
    if (m.Msg == CN_MEASUREITEM || m.Msg == CN_DRAWITEM || m.Msg == WM_COMMAND) Got.push_back(m.Msg);
    TControl::WndProc(m);
  }
};

TEST_F(ControlTest, MeasureDrawAndCommandAreReflectedToTheChild) {
  TReflectProbe first(&Window), second(&Window);
  first.SetParent(&Window);
  second.SetParent(&Window);
  first.SetCtrlID(1001);
  second.SetCtrlID(1002);
  first.Handle();
  second.Handle();

  MEASUREITEMSTRUCT measure;
  measure.CtlID = 1002;
  EXPECT_EQ(SendMessage(Window.Handle(), WM_MEASUREITEM, 1002, reinterpret_cast<LPARAM>(&measure)), 1);
  EXPECT_TRUE(first.Got.empty());
  EXPECT_EQ(second.Got, std::vector<UINT>{CN_MEASUREITEM});
  EXPECT_EQ(measure.itemHeight, 17u);

  DRAWITEMSTRUCT draw;
  draw.hwndItem = first.Handle();
  EXPECT_EQ(SendMessage(Window.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), 1);
  EXPECT_EQ(first.Got, std::vector<UINT>{CN_DRAWITEM});

  SendMessage(Window.Handle(), WM_COMMAND, 5, static_cast<LPARAM>(second.Handle()));
  EXPECT_EQ(second.Got.back(), UINT(WM_COMMAND));
  // A command naming the window itself is not bounced back to it.
  SendMessage(Window.Handle(), WM_COMMAND, 5, static_cast<LPARAM>(Window.Handle()));
}

TEST_F(ControlTest, ChildWithoutIdGetsItsHandleAsId) {
  EXPECT_EQ(Left.CtrlID(), static_cast<UINT>(Left.Handle()));
  TControl withId(&Window);
  withId.SetCtrlID(40001);
  withId.SetParent(&Window);
  withId.Handle();
  EXPECT_EQ(withId.CtrlID(), 40001u);
}

TEST(ControlLifecycle, ChildWithoutParentRaisesParentRequired) {
  TControl orphan;
  orphan.SetName(u"Orphan");
  try {
    orphan.Handle();
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Parent Required Orphan");
  }
  EXPECT_FALSE(orphan.HandleAllocated());
}

TEST(ControlLifecycle, DefaultNamesCount) {
  TControl a, b;
  EXPECT_EQ(a.Name().substr(0, 7), u"Widget_");
  EXPECT_NE(a.Name(), b.Name());
}

TEST(ControlLifecycle, CreationIsParentFirstAndDestructionTakesTheChildren) {
  TWindow window;
  TControl child(&window);
  child.SetParent(&window);
  HWND childHandle = child.Handle();
  EXPECT_TRUE(window.HandleAllocated());
  EXPECT_TRUE(IsWindow(childHandle));
  window.DestroyHandle();
  EXPECT_FALSE(IsWindow(childHandle));
  EXPECT_FALSE(child.HandleAllocated());
}

TEST_F(ControlTest, BoundsChangesSendMoveSizeAndPositionMessages) {
  std::vector<std::string> seen;
  Left.OnWindowPosChanging = [&](TObject*, tagWINDOWPOS& pos) {
    seen.push_back("changing");
    if (pos.cx > 200) pos.cx = 200;  // a handler may bound the size
  };
  Left.OnWindowPosChanged = [&](TObject*, tagWINDOWPOS&) { seen.push_back("changed"); };
  Left.OnMove = [&](TObject*, int x, int y) { seen.push_back("move " + std::to_string(x) + "," + std::to_string(y)); };
  Left.OnSize = [&](TObject*, UINT, int w, int h) { seen.push_back("size " + std::to_string(w) + "x" + std::to_string(h)); };
  Left.SetBounds(20, 30, 500, 60);
  EXPECT_EQ(seen, (std::vector<std::string>{"changing", "changed", "move 20,30", "size 200x60"}));
  EXPECT_EQ(Left.Width(), 200);
  EXPECT_EQ(Left.ClientWidth(), 200);
  seen.clear();
  Left.SetLeft(20);  // unchanged: nothing
  EXPECT_TRUE(seen.empty());

  Window.SetBounds(10, 20, 400, 300);
  EXPECT_EQ(Native->Bounds, (TRect{10, 20, 410, 320}));
  // The window manager moves the window: the control follows.
  int resized = 0;
  Window.OnResize = [&](TObject*) { ++resized; };
  Native->ConfigureBy(30, 40, 500, 350);
  EXPECT_EQ(Window.Left(), 30);
  EXPECT_EQ(Window.Height(), 350);
  EXPECT_EQ(resized, 1);
  EXPECT_EQ(Left.ClientToScreen({1, 2}), (TPoint{30 + 20 + 1, 40 + 30 + 2}));
}

TEST_F(ControlTest, CaptionTravelsThroughSetTextAndIsCopiedBounded) {
  int changed = 0;
  struct TTextProbe : TControl {
    using TControl::TControl;
    int* Changed;
    void TextChanged() override { ++*Changed; }
  } label(&Window);
  label.Changed = &changed;
  label.SetCaption(u"Radyo Ünlü");
  label.SetCaption(u"Radyo Ünlü");
  EXPECT_EQ(changed, 1);
  label.SetParent(&Window);
  HWND h = label.Handle();
  EXPECT_EQ(SendMessage(h, WM_GETTEXTLENGTH), 10);
  char16_t buffer[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(SendMessage(h, WM_GETTEXT, 6, reinterpret_cast<LPARAM>(buffer)), 5);
  EXPECT_EQ(std::u16string(buffer), u"Radyo");
  std::u16string other = u"QOR - Kanal";
  SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(other.c_str()));
  EXPECT_EQ(label.Caption(), other);

  Window.SetCaption(u"QOR");
  EXPECT_EQ(Native->Caption, u"QOR");
}

TEST_F(ControlTest, CloseActions) {
  TCloseAction next = caNone;
  Window.OnClose = [&](TObject*, TCloseAction& action) {
    EXPECT_EQ(action, caFree);
    action = next;
  };
  Native->CloseRequest();
  EXPECT_TRUE(Window.HandleAllocated());
  EXPECT_TRUE(Native->Visible);
  next = caHide;
  Native->CloseRequest();
  EXPECT_TRUE(Window.HandleAllocated());
  EXPECT_FALSE(Native->Visible);
  EXPECT_FALSE(Window.Visible());
  next = caFree;
  HWND child = Left.WindowHandle();
  SendMessage(Window.Handle(), WM_CLOSE);
  EXPECT_FALSE(Window.HandleAllocated());
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(ControlTest, WindowEventsAndActivation) {
  std::vector<std::string> seen;
  TWindow second;
  second.OnCreate = [&](TObject*) { seen.push_back("create"); };
  second.OnShow = [&](TObject*) { seen.push_back("show"); };
  second.OnHide = [&](TObject*) { seen.push_back("hide"); };
  second.OnActivate = [&](TObject*, UINT a, HWND) { seen.push_back("activate " + std::to_string(a)); };
  second.OnDestroy = [&](TObject*) { seen.push_back("destroy"); };
  second.OnTimer = [&](TObject*, std::uintptr_t id) { seen.push_back("timer " + std::to_string(id)); };
  second.SetVisible(true);
  OffscreenWindowOf(second)->Focus(true);
  EXPECT_EQ(ActiveWindow(), second.Handle());
  SendMessage(second.Handle(), WM_TIMER, 1001);
  EXPECT_EQ(SendMessage(second.Handle(), WM_MOUSEACTIVATE), LRESULT(MA_ACTIVATE));
  second.SetVisible(false);
  second.DestroyHandle();
  EXPECT_EQ(seen, (std::vector<std::string>{"create", "show", "activate 1", "timer 1001", "hide", "destroy"}));
}

TEST_F(ControlTest, WindowStylesReachTheNativeWindow) {
  EXPECT_TRUE(Native->Params.Decorated);
  EXPECT_FALSE(Native->Params.Rgba);
  Window.SetExStyle(Window.ExStyle() | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT);
  EXPECT_TRUE(Native->Topmost);
  EXPECT_TRUE(Native->ToolWindow);
  EXPECT_TRUE(Native->InputTransparent);
  Window.SetOpacity(0);
  EXPECT_EQ(Native->Opacity, 0);
}

TEST_F(ControlTest, ToolTipShowsTheHintAfterHoverAndHidesOnPress) {
  TToolTip tip;
  Left.SetHint(u"Kayıt");
  Left.SetShowHint(true);
  Right.SetHint(u"");
  Right.SetShowHint(true);
  EXPECT_TRUE(tip.IsTool(&Left));
  Native->MouseMove(20, 20);
  ASSERT_TRUE(PumpUntil([&] { return tip.ShownFor() == &Left; }));
  EXPECT_EQ(tip.ShownText(), u"Kayıt");
  TOffscreenWindow* tipNative = OffscreenWindowOf(tip);
  ASSERT_NE(tipNative, nullptr);
  EXPECT_TRUE(tipNative->Visible);
  EXPECT_EQ(tipNative->Params.Kind, TNativeKind::ToolTip);
  EXPECT_EQ(tipNative->TipMaxWidth, 300);
  EXPECT_EQ(tip.Top(), 50 + 20 + 20) << "below the pointer";

  Left.SetHint(u"Kaydı durdur");
  EXPECT_EQ(tipNative->TipText, u"Kaydı durdur") << "a changed hint updates the shown tip";
  Native->MouseDown(20, 20);
  EXPECT_EQ(tip.ShownFor(), nullptr);
  EXPECT_FALSE(tipNative->Visible);
  Native->MouseUp(20, 20);

  // An empty hint shows nothing; a control without ShowHint neither.
  Native->MouseMove(160, 20);
  Native->MouseMove(60, 100);  // on the window
  Native->MouseMove(161, 20);
  int ticks = 0;
  TTimer reference;
  reference.SetInterval(20);
  reference.SetOnTimer([&](TObject*) { ++ticks; });
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }));
  EXPECT_EQ(tip.ShownFor(), nullptr);

  Left.SetShowHint(false);
  EXPECT_FALSE(tip.IsTool(&Left));
}

TEST_F(ControlTest, LongHintWrapsAtThreeHundredPixels) {
  TToolTip tip;
  Left.SetHint(std::u16string(200, u'a'));
  Left.SetShowHint(true);
  Native->MouseMove(20, 20);
  ASSERT_TRUE(PumpUntil([&] { return tip.ShownFor() == &Left; }));
  EXPECT_LE(tip.Width(), 300);
  EXPECT_GT(tip.Height(), 16 + 8) << "wrapped onto several lines";
}

TEST(Screen, WorkAreaAndDesktopFollowTheBackend) {
  TOffscreenBackend* backend = OffscreenBackend();
  ASSERT_NE(backend, nullptr);
  backend->Work = {0, 30, 1280, 1024};
  TScreen screen;
  TDesktop desktop;
  EXPECT_EQ(screen.WorkAreaTop(), 30);
  EXPECT_EQ(screen.WorkAreaHeight(), 994);
  EXPECT_EQ(desktop.Width(), 1280);
}

}  // namespace

namespace {

TEST_F(ControlTest, ClickThatClosesTheWindowEndsCleanly) {
  int clicks = 0;
  Left.OnClick = [&](TObject*, UINT, int, int) {
    ++clicks;
    SendMessage(Window.Handle(), WM_CLOSE);  // caFree: the handle goes
  };
  Native->Click(20, 20);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(Window.HandleAllocated());
  EXPECT_FALSE(Native->Visible) << "hidden at once";
  // The old native window may still report input; it reaches nobody.
  Native->Click(20, 20);
  Native->MouseMove(30, 30);
  EXPECT_EQ(clicks, 1);
  ProcessMessages();  // frees the native window
}

}  // namespace

namespace {

TEST_F(ControlTest, WindowFunctionsByHandle) {
  TWindow other;
  other.SetClassNameW(u"TPlayerWindow");
  other.SetBounds(500, 10, 100, 100);
  other.SetVisible(true);
  std::vector<HWND> players;
  EnumWindows([&](HWND h) {
    if (TControl::FromHandle(h)->ClassNameW() == u"TPlayerWindow") players.push_back(h);
    return true;
  });
  EXPECT_EQ(players, std::vector<HWND>{other.Handle()});
  int seen = 0;
  EnumWindows([&](HWND) { return ++seen < 1; });
  EXPECT_EQ(seen, 1) << "stops when asked";

  TRect r;
  ASSERT_TRUE(GetWindowRect(Right.Handle(), r));
  EXPECT_EQ(r, (TRect{100 + 150, 50 + 10, 100 + 250, 50 + 60}));
  EXPECT_FALSE(GetWindowRect(0, r));

  EXPECT_TRUE(IsWindowVisible(Right.Handle()));
  Window.SetVisible(false);
  EXPECT_FALSE(IsWindowVisible(Right.Handle())) << "a hidden parent hides its children";
  EXPECT_FALSE(ShowWindow(Window.Handle(), SW_SHOW));
  EXPECT_TRUE(Native->Visible);
  ShowWindow(Window.Handle(), SW_MINIMIZE);
  EXPECT_EQ(Native->Minimizations, 1);
  EXPECT_TRUE(SetForegroundWindow(Left.Handle()));
  EXPECT_EQ(Native->Activations, 1);

  other.DestroyHandle();
  players.clear();
  EnumWindows([&](HWND h) {
    players.push_back(h);
    return true;
  });
  EXPECT_EQ(players, std::vector<HWND>{Window.Handle()});
}

}  // namespace

namespace {

struct TDropTarget : TWindow {
  std::vector<std::u16string> Files;
  TPoint Point;
  UINT Count = 0;
  std::u16string Cut;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_DROPFILES) {
      HDROP drop = m.WParam;
      Count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      Files = DragQueryFiles(drop);
      DragQueryPoint(drop, Point);
      char16_t buffer[5];
      DragQueryFileW(drop, 0, buffer, 5);
      Cut = buffer;
      DragFinish(drop);
      return;
    }
    TWindow::WndProc(m);
  }
};

TEST(DroppedFiles, ReachTheWindowOnlyWhileAccepted) {
  TDropTarget window;
  window.SetBounds(0, 0, 200, 100);
  window.SetVisible(true);
  TOffscreenWindow* native = OffscreenWindowOf(window);
  native->DropFiles({"/tmp/a.pls"}, 5, 5);
  EXPECT_EQ(window.Count, 0u) << "not accepting yet";
  ASSERT_TRUE(DragAcceptFiles(window.Handle(), true));
  // Names in the old code page arrive with their bytes, which show readable.
  native->DropFiles({"/müzik/liste.m3u", "/tmp/\xDE" "arki.mp3"}, 30, 40);
  EXPECT_EQ(window.Count, 2u);
  ASSERT_EQ(window.Files.size(), 2u);
  EXPECT_EQ(window.Files[0], u"/müzik/liste.m3u");
  EXPECT_EQ(enc::WideToFileName(window.Files[1]), "/tmp/\xDE" "arki.mp3");
  EXPECT_EQ(enc::FileNameDisplay(window.Files[1]), u"/tmp/Şarki.mp3");
  EXPECT_EQ(window.Point, (TPoint{30, 40}));
  EXPECT_EQ(window.Cut, u"/müz") << "bounded copy";
  DragAcceptFiles(window.Handle(), false);
  native->DropFiles({"/tmp/b.pls"}, 5, 5);
  EXPECT_EQ(window.Count, 2u);
  EXPECT_EQ(DragQueryFileW(12345, 0xFFFFFFFF, nullptr, 0), 0u);
}

}  // namespace

namespace {

TEST_F(ControlTest, WindowIconsBigAndSmall) {
  HICON big = CreateIconFromArgb(32, 32, std::vector<std::uint32_t>(32 * 32, 0xFFEC701F));
  HICON small = CreateIconFromArgb(16, 16, std::vector<std::uint32_t>(16 * 16, 0xFFEC701F));
  HWND h = Window.Handle();
  EXPECT_EQ(SendMessage(h, WM_GETICON, ICON_BIG), 0);
  EXPECT_EQ(SendMessage(h, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(small)), 0);
  EXPECT_EQ(Native->IconWidth, 16);
  EXPECT_EQ(SendMessage(h, WM_GETICON, ICON_BIG), 0);
  EXPECT_EQ(SendMessage(h, WM_GETICON, ICON_SMALL), static_cast<LRESULT>(small));
  SendMessage(h, WM_SETICON, ICON_BIG, static_cast<LPARAM>(big));
  EXPECT_EQ(Native->IconWidth, 32) << "the big icon is the one shown";
  EXPECT_EQ(SendMessage(h, WM_GETICON, ICON_BIG), static_cast<LRESULT>(big));
  EXPECT_TRUE(IsIcon(big)) << "the window does not take the icons over";
  DestroyIcon(big);
  DestroyIcon(small);
}

}  // namespace
