// How the player window stands on the desktop, on the offscreen backend:
// snapping during a drag, the minimize button with and without a taskbar
// button, showing and hiding, and hibernation with its CTRL wake-up.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "ui/window/PlayerSnap.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/menus/Menu.h"

namespace {

using namespace core;
using namespace app;
using uitest::TPlayerWindowKit;
using widgets::TPoint;
using widgets::TRect;

TEST(PlayerSnap, EdgesWithinSevenPixelsSnapAndFartherOnesDoNot) {
  const TRect work{0, 0, 1280, 994};
  // The right edge of the work area.
  EXPECT_EQ(ui::SnapPosition({953, 300}, 320, 104, {}, work).X, 960);
  EXPECT_EQ(ui::SnapPosition({967, 300}, 320, 104, {}, work).X, 960);
  EXPECT_EQ(ui::SnapPosition({952, 300}, 320, 104, {}, work).X, 952);
  // The left and top edges, and the painted bottom 104 pixels above the
  // work area's bottom, whatever the window's full height.
  EXPECT_EQ(ui::SnapPosition({-7, 5}, 320, 400, {}, work), (TPoint{0, 0}));
  EXPECT_EQ(ui::SnapPosition({400, 885}, 320, 400, {}, work).Y, 890);
  // Another player window at (600, 300)-(920, 404): side by side on either
  // side with the tops aligned, and the lines 44 pixels below the tops.
  const std::vector<TRect> other{{600, 300, 920, 404}};
  EXPECT_EQ(ui::SnapPosition({285, 305}, 320, 104, other, work), (TPoint{280, 300}));
  EXPECT_EQ(ui::SnapPosition({925, 296}, 320, 104, other, work), (TPoint{920, 300}));
  EXPECT_EQ(ui::SnapPosition({603, 250}, 320, 104, other, work), (TPoint{600, 256}));
  EXPECT_EQ(ui::SnapPosition({597, 349}, 320, 104, other, work), (TPoint{600, 344}));
  EXPECT_EQ(ui::SnapPosition({500, 600}, 320, 104, other, work), (TPoint{500, 600}));
}

class BehaviourWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { Options("snaptogrid=1\nshowtaskbar=1\nhiberalert=0\n"); }
  void Options(const std::string& player) {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\n" + player + "[playlist]\nvisible=0\n");
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Kit.Window); }
  // Moves the pointer to a screen point during a drag of the window.
  void PointerTo(int x, int y) { Native()->MouseMove(x - Native()->Bounds.Left, y - Native()->Bounds.Top); }
  // Drags the window by its background so that its top-left corner would
  // land at (x, y) without snapping.
  void Drag(int x, int y) {
    const TPoint from{Kit.Window->Left(), Kit.Window->Top()};
    Native()->MouseDown(5, 48);
    PointerTo((from.X + x) / 2 + 5, (from.Y + y) / 2 + 48);
    PointerTo(x + 5, y + 48);
    Native()->MouseUp(x + 5 - Native()->Bounds.Left, y + 48 - Native()->Bounds.Top);
  }
  // Lets the 33 ms tick run `ticks` times.
  void Ticks(int ticks) {
    int seen = 0;
    core::TTimer counter;
    counter.SetInterval(33);
    counter.SetOnTimer([&](core::TObject*) { ++seen; });
    testkit::PumpUntil([&] { return seen >= ticks; });
  }
  TPlayerWindowKit Kit;
};

TEST_F(BehaviourWindowTest, DraggingSnapsToTheWorkAreaAndToAnotherPlayerWindow) {
  auto& w = Kit.Open();
  const TRect work = widgets::OffscreenBackend()->Work;
  Drag(work.Right - w.Width() - 5, 300);
  EXPECT_EQ(w.Left() + w.Width(), work.Right) << "the right edge lands on the work area's";
  EXPECT_EQ(w.Top(), 300);
  Drag(400, 305);
  EXPECT_EQ(w.Left(), 400);

  // A second player window (another kit: its own settings and controller).
  TPlayerWindowKit second;
  second.WriteOptions("[player]\nautoplay=0\nleft=800\ntop=500\n[playlist]\nvisible=0\n");
  auto& other = second.Open();
  ASSERT_TRUE(other.Visible());
  Drag(800 - w.Width() - 6, 503);
  EXPECT_EQ(w.Left() + w.Width(), other.Left()) << "side by side";
  EXPECT_EQ(w.Top(), other.Top());
  // A hidden player window is not snapped to.
  other.SetVisible(false);
  Drag(800 - w.Width() - 6, 400);
  EXPECT_EQ(w.Left(), 800 - w.Width() - 6);
}

TEST_F(BehaviourWindowTest, WithoutSnapToGridTheWindowGoesWhereItIsDragged) {
  Options("snaptogrid=0\n");
  auto& w = Kit.Open();
  const TRect work = widgets::OffscreenBackend()->Work;
  Drag(work.Right - w.Width() - 5, 300);
  EXPECT_EQ(w.Left(), work.Right - w.Width() - 5);
}

TEST_F(BehaviourWindowTest, TheMinimizeButtonFollowsTheTaskbarButton) {
  Options("showtaskbar=0\n");
  auto& w = Kit.Open();
  EXPECT_TRUE(Native()->ToolWindow);
  const TPoint minimize = w.MinimizeButton()->ClientToParent({5, 5}, &w);
  Native()->Click(minimize.X, minimize.Y);
  EXPECT_FALSE(w.Visible()) << "no taskbar button: hidden";
  EXPECT_EQ(Native()->Minimizations, 0);

  // The options sheet switches the button on; the window shows it at once
  // when it is shown again.
  Kit.Options->WriteBool(obShowTaskbar, true);
  SendMessage(w.WindowHandle(), ui::UM_OPTIONS_CLOSED, 3);
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmShowHide);
  ASSERT_TRUE(w.Visible());
  EXPECT_FALSE(Native()->ToolWindow);
  Native()->Click(minimize.X, minimize.Y);
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(Native()->Minimizations, 1);
  // Showing from the tray brings it back to the front; switching the
  // option off while visible drops the button.
  int activations = Native()->Activations;
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmShowHide);
  SendMessage(w.WindowHandle(), UM_TRAY_CLICK, 1);
  EXPECT_TRUE(w.Visible());
  EXPECT_GT(Native()->Activations, activations);
  Kit.Options->WriteBool(obShowTaskbar, false);
  SendMessage(w.WindowHandle(), ui::UM_OPTIONS_CLOSED, 3);
  EXPECT_TRUE(w.Visible());
  EXPECT_TRUE(Native()->ToolWindow);
}

TEST_F(BehaviourWindowTest, HibernationFadesLetsClicksThroughAndCtrlOverTheWindowWakesIt) {
  auto& w = Kit.Open();
  auto* backend = widgets::OffscreenBackend();
  auto menu = widgets::GetSubMenu(w.PlayerMenu(), 0);
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmHibernate);
  EXPECT_TRUE(w.Hibernating());
  EXPECT_TRUE(Native()->InputTransparent);
  EXPECT_EQ(w.HibernateFade(), -1);
  w.PlayerMenu();
  EXPECT_EQ(widgets::CheckMenuItem(menu, ui::cmHibernate, widgets::MF_CHECKED), widgets::MF_CHECKED);
  // Two steps down per tick until it rests at 21.
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Opacity() < 255; }));
  int before = w.Opacity();
  Ticks(3);
  EXPECT_LT(w.Opacity(), before);
  EXPECT_EQ((255 - w.Opacity()) % 2, 0);
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.HibernateFade() == 0; }, 20000));
  EXPECT_EQ(w.Opacity(), 21);

  // CTRL with the pointer beside the window does nothing.
  backend->Cursor = {w.Left() + w.Width() + 20, w.Top() + 60};
  Native()->SetModifiers(false, true, false);
  Ticks(3);
  Native()->SetModifiers(false, false, false);
  Ticks(3);
  EXPECT_TRUE(w.Hibernating());
  // Held down while the pointer comes over the window: still no press.
  Native()->SetModifiers(false, true, false);
  Ticks(2);
  backend->Cursor = {w.Left() + 150, w.Top() + 60};
  Ticks(3);
  EXPECT_TRUE(w.Hibernating());
  // A press over it wakes it, and it fades back in.
  Native()->SetModifiers(false, false, false);
  Ticks(2);
  Native()->SetModifiers(false, true, false);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !w.Hibernating(); }));
  Native()->SetModifiers(false, false, false);
  EXPECT_FALSE(Native()->InputTransparent);
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Opacity() == 255 && w.HibernateFade() == 0; }));

  // A second start of the program ends hibernation too.
  w.ToggleHibernate();
  SendMessage(w.WindowHandle(), UM_ACTIVATE);
  EXPECT_FALSE(w.Hibernating());

  // So does a recording that starts (from the tray or the record command,
  // the button cannot be reached); one refused while nothing plays leaves
  // the window asleep, and stopping the recording does not wake it either.
  w.ToggleHibernate();
  w.ToggleRecording();
  EXPECT_TRUE(w.Hibernating());
  Kit.Controller.PlayState = 1;
  w.ToggleRecording();
  EXPECT_EQ(Kit.Controller.RecorderState, 7);
  EXPECT_FALSE(w.Hibernating());
  w.ToggleHibernate();
  w.ToggleRecording();
  EXPECT_EQ(Kit.Controller.RecorderState, 6);
  EXPECT_TRUE(w.Hibernating());
}

TEST_F(BehaviourWindowTest, TheHibernateOptionSendsTheWindowToSleepAtStart) {
  Options("hibernate=1\nhiberalert=1\n");
  // With the notice wanted, but not at start: the test would wait on it.
  auto& w = Kit.Open();
  EXPECT_TRUE(w.Hibernating());
  EXPECT_EQ(Kit.Option(u"player", u"hiberalert"), u"1");
}

}  // namespace
