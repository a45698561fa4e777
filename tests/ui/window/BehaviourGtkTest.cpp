// The player window's behaviours on a real X display: hibernation lets
// the X pointer's clicks through and wakes on a real CTRL press (xdotool)
// only over the window, its notice dialog, the search bar typed into with
// the real entry, and the mark that other running copies snap to.
//
// With QOR_BEHAVIOUR_SHOTS set to a folder the tests save screenshots of
// the search bar, the volume label and the hibernating window there.
#include <glib.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>
// X11 after GTK.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include <cstdlib>
#include <string>

#include "../../widgets/GtkFixture.h"
#include "../dialogs/DialogTestKit.h"
#include "DesktopKit.h"
#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "support/Encoding.h"
#include "ui/controls/Edit.h"
#include "ui/dialogs/DialogKit.h"
#include "ui/window/PlayerSnap.h"
#include "Tools.h"

namespace {

using namespace core;
using namespace widgets;
using testwidgets::HaveProgram;
using testwidgets::RunProgram;
using testwidgets::Settle;

class BehaviourGtkTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    GtkDisplayTest::SetUp();
    if (IsSkipped()) return;
    ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
    Kit.WriteFavourites({{u"Power FM", "http://127.0.0.1:9/power", 1},
                         {u"Kral FM", "http://127.0.0.1:9/kral", 2},
                         {u"Kral Pop", "http://127.0.0.1:9/kralpop", 3}});
  }
  void Options(const std::string& extra) {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=120\ntop=140\nshowtaskbar=0\n" + extra +
                     "[application]\nshowbanner=0\n");
  }
  ui::TPlayerWindow& Open() {
    auto& w = Kit.Open();
    auto* widget = static_cast<GtkWidget*>(w.NativeWindow()->NativeHandle());
    EXPECT_TRUE(testkit::PumpUntil([&] { return gtk_widget_get_mapped(widget) && w.Opacity() == 255; }));
    Settle();
    return w;
  }
  void PointerAt(ui::TPlayerWindow& w, int x, int y) {
    ASSERT_TRUE(RunProgram({"xdotool", "mousemove", std::to_string(w.Left() + x), std::to_string(w.Top() + y)}));
    Settle();
  }
  void ClickAt(ui::TPlayerWindow& w, int x, int y) {
    PointerAt(w, x, y);
    ASSERT_TRUE(RunProgram({"xdotool", "click", "1"}));
    Settle();
  }
  // The window's part of the screen as <folder>/<name>.png.
  void Shot(ui::TPlayerWindow& w, const std::string& name, int height) {
    const char* folder = std::getenv("QOR_BEHAVIOUR_SHOTS");
    if (!folder) return;
    Settle();
    std::string crop = std::to_string(w.Width()) + "x" + std::to_string(height) + "+" + std::to_string(w.Left()) +
                       "+" + std::to_string(w.Top());
    RunProgram({"import", "-window", "root", "-crop", crop, std::string(folder) + "/" + name + ".png"});
  }
  uitest::TPlayerWindowKit Kit;
};

TEST_F(BehaviourGtkTest, HibernatingTheWindowLetsClicksThroughAndOnlyCtrlOverItWakesIt) {
  Options("hiberalert=0\n[playlist]\nvisible=0\n");
  auto& w = Open();
  ClickAt(w, 30, 62);  // the play button
  ASSERT_TRUE(testkit::PumpUntil([&] { return Kit.Controller.Count(app::UM_PLAY) == 1; }));

  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmHibernate);
  ASSERT_TRUE(w.Hibernating());
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.HibernateFade() == 0; }, 20000));
  ClickAt(w, 30, 62);
  EXPECT_EQ(Kit.Controller.Count(app::UM_PLAY), 1) << "the click fell through";
  Shot(w, "player-hibernating", 104);

  // CTRL beside the window: nothing.
  PointerAt(w, w.Width() + 40, 60);
  ASSERT_TRUE(RunProgram({"xdotool", "keydown", "ctrl"}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "keyup", "ctrl"}));
  Settle();
  EXPECT_TRUE(w.Hibernating());
  // CTRL over it: awake, and the play button takes clicks again.
  PointerAt(w, 150, 60);
  ASSERT_TRUE(RunProgram({"xdotool", "keydown", "ctrl"}));
  EXPECT_TRUE(testkit::PumpUntil([&] { return !w.Hibernating(); }));
  ASSERT_TRUE(RunProgram({"xdotool", "keyup", "ctrl"}));
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Opacity() == 255; }));
  Settle();
  ClickAt(w, 30, 62);
  EXPECT_TRUE(testkit::PumpUntil([&] { return Kit.Controller.Count(app::UM_PLAY) == 2; }));

  // A tap quicker than one animation tick wakes it too: xdotool presses
  // and lets go while the window's loop waits for it.
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmHibernate);
  ASSERT_TRUE(w.Hibernating());
  PointerAt(w, 150, 60);
  ASSERT_TRUE(RunProgram({"xdotool", "key", "ctrl"}));
  EXPECT_TRUE(testkit::PumpUntil([&] { return !w.Hibernating(); }));
}

TEST_F(BehaviourGtkTest, HibernatingShowsTheNoticeUntilItIsDeclined) {
  Options("hiberalert=1\n[playlist]\nvisible=0\n");
  auto& w = Open();
  testdialogs::WhenShown([] { return testdialogs::OpenToplevel(101); },
                         [&](GtkWidget* dialog) {
                           EXPECT_TRUE(w.Hibernating()) << "the notice comes once the window sleeps";
                           testdialogs::SetTicked(dialog, 1000, true);
                           testdialogs::Click(dialog, ui::IDOK);
                         });
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmHibernate);
  EXPECT_EQ(Kit.Option(u"player", u"hiberalert"), u"0");
  // Declined: the next time the window simply goes to sleep.
  SendMessage(w.WindowHandle(), app::UM_ACTIVATE);
  ASSERT_FALSE(w.Hibernating());
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmHibernate);
  EXPECT_TRUE(w.Hibernating());
  EXPECT_EQ(testdialogs::OpenToplevel(101), nullptr);
}

TEST_F(BehaviourGtkTest, TypingIntoTheSearchBarFindsAndStepsThroughTheHits) {
  Options("[playlist]\nvisible=1\n");
  auto& w = Open();
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.ListPanelVisible() && w.ListContent()->Top() == 0; }));
  const ui::TSearchBar& bar = w.SearchBar(1);
  ASSERT_TRUE(bar.Edit->SystemEntry());
  Shot(w, "player-search-empty", w.Height());
  widgets::TPoint edit = bar.Edit->ClientToParent({20, 7}, &w);
  ClickAt(w, edit.X, edit.Y);
  ASSERT_TRUE(testkit::PumpUntil([&] { return bar.Edit->HasFocus(); }));
  EXPECT_EQ(bar.Edit->Caption(), u"");
  uitest::TKeysDoNotRepeat noRepeat;
  ASSERT_TRUE(RunProgram({"xdotool", "type", "--delay", "40", "kral"}));
  ASSERT_TRUE(testkit::PumpUntil([&] { return bar.Counter->Caption() == u"1 / 2"; }));
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  ASSERT_TRUE(RunProgram({"xdotool", "key", "Down"}));
  ASSERT_TRUE(testkit::PumpUntil([&] { return bar.Counter->Caption() == u"2 / 2"; }));
  EXPECT_EQ(w.Favourites()->ItemIndex(), 2);
  Shot(w, "player-search", w.Height());
  ASSERT_TRUE(RunProgram({"xdotool", "type", "--delay", "40", "x"}));
  ASSERT_TRUE(testkit::PumpUntil([&] { return bar.Icon->TintColor() == 0xFFFF0000u; }));
  Shot(w, "player-search-nothing", w.Height());

  // The volume label in place of the marquee.
  SendMessage(w.WindowHandle(), WM_APPCOMMAND, w.WindowHandle(), static_cast<LPARAM>(APPCOMMAND_VOLUME_UP << 16));
  EXPECT_EQ(w.VolumeLabel()->Caption(), u"Ses : %" + enc::Utf8ToUtf16(std::to_string(w.Volume())));
  Shot(w, "player-volume-label", 104);
  // Resting on the speaker opens the bar.
  // (Coming out of the text entry, the pointer's jump there is a crossing
  // only; a hand on the mouse moves on a little.)
  PointerAt(w, 74, 62);
  PointerAt(w, 75, 63);
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.VolumeControl()->Expanded(); }));
  Shot(w, "player-volume-slider", 104);
}

TEST_F(BehaviourGtkTest, PlayerWindowsOfOtherProcessesAreFoundByTheirMark) {
  Options("[playlist]\nvisible=0\n");
  auto& w = Open();
  // The window marks itself, but a copy never snaps to its own windows
  // through the display (it knows them from its own window list).
  EXPECT_TRUE(ui::OtherPlayerWindows().empty());

  // A window that another copy of the program marked.
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  ::Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 700, 300, 320, 104, 0, 0, 0);
  XSetWindowAttributes attributes;
  attributes.override_redirect = True;
  XChangeWindowAttributes(display, other, CWOverrideRedirect, &attributes);
  long pid = static_cast<long>(getpid()) + 1;
  XChangeProperty(display, other, XInternAtom(display, "_QOR_PLAYER_WINDOW", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
  XFlush(display);
  EXPECT_TRUE(ui::OtherPlayerWindows().empty()) << "not shown yet";
  XMapWindow(display, other);
  XSync(display, False);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !ui::OtherPlayerWindows().empty(); }));
  auto found = ui::OtherPlayerWindows();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], (widgets::TRect{700, 300, 1020, 404}));
  // Dragging the player beside it snaps to it. The window holds the
  // keyboard meanwhile (without a window manager the focus would follow
  // the pointer, and losing it ends a drag).
  auto* widget = static_cast<GtkWidget*>(w.NativeWindow()->NativeHandle());
  ASSERT_TRUE(RunProgram({"xdotool", "windowfocus", "--sync",
                          std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(widget)))}));
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", std::to_string(w.Left() + 5), std::to_string(w.Top() + 48)}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mousedown", "1"}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "200", "200"}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", std::to_string(700 - 320 - 4 + 5), std::to_string(302 + 48)}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mouseup", "1"}));
  EXPECT_TRUE(testkit::PumpUntil([&] { return w.Left() == 700 - 320 && w.Top() == 300; }))
      << w.Left() << "," << w.Top();
  XDestroyWindow(display, other);
  XSync(display, False);
}

}  // namespace
