// The global hotkeys and media keys of the player window on an X server of
// the test's own: keys pressed with xdotool reach the window's commands,
// and a combination that another X client grabbed first is named in the
// marquee, once. The window runs in-process on the GTK backend beside the
// real controller, which plays a 127.0.0.1 ICY station.
#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DesktopKit.h"
#include "FixtureServer.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "ui/dialogs/HibernationNotice.h"
#include "ui/dialogs/OptionsSheet.h"
#include "ui/window/PlayerBus.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/menus/Menu.h"
#include "Tools.h"

namespace {

using namespace core;
using testkit::PumpUntil;

// The player window, with the commands it received written down.
class TWatchedWindow : public ui::TPlayerWindow {
 public:
  using TPlayerWindow::TPlayerWindow;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_COMMAND) Commands.push_back(m.WParam);
    if (m.Msg == ui::UM_MEDIA_COMMAND) Media.push_back(m.WParam);
    if (m.Msg == WM_NULL) ++Marks;
    TPlayerWindow::WndProc(m);
  }
  bool Got(WPARAM command) const { return std::find(Commands.begin(), Commands.end(), command) != Commands.end(); }
  std::vector<WPARAM> Commands, Media;
  int Marks = 0;
};

// Runs `step` on the main loop every 20 ms until it returns false, also
// inside the nested loop of a modal dialog.
void RunInsideLoops(std::function<bool()> step) {
  auto* held = new std::function<bool()>(std::move(step));
  g_timeout_add_full(G_PRIORITY_DEFAULT, 20, +[](gpointer data) -> gboolean {
    return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  }, held, +[](gpointer data) { delete static_cast<std::function<bool()>*>(data); });
}

std::u16string MenuText(widgets::HMENU menu, UINT id) {
  for (const auto& item : widgets::MenuItems(widgets::GetSubMenu(menu, 0)))
    if (item.Id == id && !(item.Flags & widgets::MF_POPUP)) return item.Text;
  return u"<none>";
}

class PlayerHotkeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xdotool", "dbus-daemon"}));
    // GTK starts on the display the other tests of the process share (when
    // there is one), so that there is a display to go back to: this test's
    // own X server is gone once it ends.
    if (std::getenv("DISPLAY")) widgets::UseGtkBackend();
    FShared = gdk_display_get_default();
    FDisplay = uitest::StartDisplay(FDir.Path());
    ASSERT_TRUE(FDisplay->Ok()) << "the X server did not start";
    // The media-player service goes to a bus of its own as well.
    FBus = uitest::StartSessionBus(FDir.Path());
    ASSERT_TRUE(FBus->Ok());
    ASSERT_TRUE(widgets::UseGtkBackend());
    // Grabs must go to this test's own display, a connection of its own
    // that it closes again before its X server ends.
    GdkDisplay* display = gdk_display_get_default();
    if (!display || FDisplay->Address() != gdk_display_get_name(display)) {
      display = gdk_display_open(FDisplay->Address().c_str());
      ASSERT_NE(display, nullptr);
      gdk_display_manager_set_default_display(gdk_display_manager_get(), display);
    }
    FOwn = display;
    FOther = std::make_unique<uitest::TForeignGrab>(FDisplay->Address());
    ASSERT_TRUE(FOther->Ok());
  }
  void TearDown() override {
    FOther.reset();
    ProcessMessages();
    widgets::SetBackend(std::make_unique<widgets::TOffscreenBackend>());
    // A connection left open to the X server that ends with this test
    // would end the whole process at its next read.
    if (FOwn) {
      if (FShared && FShared != FOwn) gdk_display_manager_set_default_display(gdk_display_manager_get(), FShared);
      gdk_display_close(FOwn);
    }
  }
  void Press(const std::string& keys) { uitest::RunTool({"xdotool", "key", keys}); }

  testkit::TempDir FDir;
  std::unique_ptr<testkit::PrivateDisplay> FDisplay;
  std::unique_ptr<uitest::TPrivateServer> FBus;
  std::unique_ptr<uitest::TForeignGrab> FOther;
  GdkDisplay* FShared = nullptr;
  GdkDisplay* FOwn = nullptr;
};

TEST_F(PlayerHotkeysTest, KeysReachTheWindowAndAHeldCombinationIsNamedOnce) {
  testkit::FixtureServer server;
  ASSERT_TRUE(uitest::RouteIcyStation(server, "Haberler"));
  ctltest::TControllerFixture fx;
  ASSERT_TRUE(fx.AudioOk);
  ASSERT_TRUE(uitest::SaveStations(fx.Dir / "settings" / "playlist.rpf", {{u"Test Radyo", server.Url("/live"), 0x21, u""}}));
  fx.Options->WriteBool(app::obAutoPlay, false);
  fx.Options->WriteBool(app::obPlaylistVisible, false);
  fx.Options->WriteBool(app::obShowBanner, false);
  fx.Options->WriteBool(app::obMediaKeys, true);
  fx.Options->WriteBool(app::obHiberAlert, false);

  FOther->Grab("h", true);  // the always-on-top combination
  TWatchedWindow* window = nullptr;
  fx.Make().CreatePlayerWindow = [&](app::TMainWindow& owner) -> std::unique_ptr<TMessageWindow> {
    ui::TPlayerWindowConfig config;
    config.Controller = owner.WindowHandle();
    config.Options = fx.Options.get();
    config.SettingsFolder = fx.SettingsFolder;
    config.WatchSession = false;
    config.DesktopBus = true;
    auto made = std::make_unique<TWatchedWindow>(config);
    window = made.get();
    return made;
  };
  fx.Start();
  ASSERT_TRUE(PumpUntil([&] { return window && window->TimerRunning(ui::tmTick); }, 20000));
  TWatchedWindow& w = *window;
  ASSERT_NE(w.Bus(), nullptr);

  // Three of the four are grabbed; the fourth is named in the marquee.
  EXPECT_EQ(w.Bus()->HotkeysBound(), 3u);
  EXPECT_EQ(w.MarqueeText(), u"Kısayol tuşu başka bir program tarafından kullanılıyor: Ctrl+Alt+H");
  // The menu shows every combination set, grabbed or not.
  widgets::HMENU menu = w.PlayerMenu();
  EXPECT_EQ(MenuText(menu, ui::cmRecord), u"&Radyodan Kaydet\tCtrl+Alt+R");
  EXPECT_EQ(MenuText(menu, ui::cmHibernate), u"Kış &Uykusu\tCtrl+Alt+K");
  EXPECT_EQ(MenuText(menu, ui::cmShowHide), u"&Göster/Gizle\tCtrl+Alt+G");
  EXPECT_EQ(MenuText(menu, ui::cmAlwaysTop), u"&Her Zaman Üstte\tCtrl+Alt+H");

  // The hibernation combination puts the window to sleep; the recording
  // one wakes it.
  Press("ctrl+alt+k");
  ASSERT_TRUE(PumpUntil([&] { return w.Hibernating(); }, 10000));
  Press("ctrl+alt+r");
  ASSERT_TRUE(PumpUntil([&] { return w.Got(ui::cmRecord); }, 10000));
  EXPECT_FALSE(w.Hibernating());
  // Show/hide hides the window and shows it again.
  ASSERT_TRUE(w.Visible());
  Press("ctrl+alt+g");
  ASSERT_TRUE(PumpUntil([&] { return !w.Visible(); }, 10000));
  Press("ctrl+alt+g");
  ASSERT_TRUE(PumpUntil([&] { return w.Visible(); }, 10000));
  // The held one does not arrive (the next key does, after it).
  Press("ctrl+alt+h");
  Press("ctrl+alt+k");
  ASSERT_TRUE(PumpUntil([&] { return w.Hibernating(); }, 10000));
  EXPECT_FALSE(w.Got(ui::cmAlwaysTop));
  Press("ctrl+alt+k");
  ASSERT_TRUE(PumpUntil([&] { return !w.Hibernating(); }, 10000));

  // The options sheet lets go of the keys while its hotkey page is open
  // and grabs them again when it closes; the notice is not repeated.
  SendMessage(w.WindowHandle(), app::UM_PLAYER_EVENT, 0, 0);  // the marquee shows the station
  ASSERT_TRUE(ui::OptionsSheetHooks().ReleaseHotkeys && ui::OptionsSheetHooks().RegisterHotkeys);
  ui::OptionsSheetHooks().ReleaseHotkeys();
  EXPECT_EQ(w.Bus()->HotkeysBound(), 0u);
  ui::OptionsSheetHooks().RegisterHotkeys();
  EXPECT_EQ(w.Bus()->HotkeysBound(), 3u);
  EXPECT_EQ(w.MarqueeText(), u"Test Radyo");

  // Once the other client lets go, the combination works.
  FOther->Grab("h", false);
  w.Bus()->RegisterHotkeys();
  EXPECT_EQ(w.Bus()->HotkeysBound(), 4u);
  bool top = w.AlwaysTop();
  Press("ctrl+alt+h");
  ASSERT_TRUE(PumpUntil([&] { return w.AlwaysTop() != top; }, 10000));
  // A combination with Shift, as the capture field stores Ctrl+Shift+H.
  fx.Options->WriteHotkey(app::ohAlwaysTop, ((app::HOTKEYF_CONTROL | app::HOTKEYF_SHIFT) << 8) | 'H');
  w.Bus()->RegisterHotkeys();
  EXPECT_EQ(w.Bus()->HotkeysBound(), 4u);
  top = w.AlwaysTop();
  Press("ctrl+shift+h");
  ASSERT_TRUE(PumpUntil([&] { return w.AlwaysTop() != top; }, 10000)) << "Ctrl+Shift+H did not arrive";

  // Keys pressed while the hibernation notice waits for its answer are
  // dropped, not kept to fire all at once after it.
  fx.Options->WriteBool(app::obHiberAlert, true);
  w.Commands.clear();
  int stage = 0, ticks = 0;
  RunInsideLoops([&] {
    GtkWidget* notice = ui::THibernationNotice::OpenNotice();
    if (stage == 0 && notice) {
      Press("ctrl+alt+g");
      Press("ctrl+alt+k");
      // The presses are in this client's queue after a round trip.
      gdk_display_sync(gdk_display_get_default());
      stage = 1;
    } else if (stage == 1 && (!gdk_events_pending() || ++ticks > 100)) {
      gtk_dialog_response(GTK_DIALOG(notice), GTK_RESPONSE_OK);
      stage = 2;
    }
    return stage < 2;
  });
  Press("ctrl+alt+k");
  ASSERT_TRUE(PumpUntil([&] { return stage == 2 && !ui::THibernationNotice::OpenNotice(); }, 20000));
  PostMessage(w.WindowHandle(), WM_NULL);
  ASSERT_TRUE(PumpUntil([&] { return w.Marks == 1; }));
  EXPECT_EQ(w.Commands, std::vector<WPARAM>{ui::cmHibernate});
  EXPECT_TRUE(w.Visible());
  EXPECT_TRUE(w.Hibernating());
  fx.Options->WriteBool(app::obHiberAlert, false);
  Press("ctrl+alt+k");
  ASSERT_TRUE(PumpUntil([&] { return !w.Hibernating(); }, 10000));

  // A hotkey set to 0 is not grabbed and leaves the menu without a key text.
  fx.Options->WriteHotkey(app::ohHibernate, 0);
  w.Bus()->RegisterHotkeys();
  EXPECT_EQ(w.Bus()->HotkeysBound(), 3u);
  EXPECT_EQ(MenuText(w.PlayerMenu(), ui::cmHibernate), u"Kış &Uykusu");

  // The media keys play and stop the chosen favourite.
  // (Xvfb's keyboard has the four keys.)
  ASSERT_EQ(w.Bus()->MediaKeysBound(), 4u);
  {
    Press("XF86AudioPlay");
    ASSERT_TRUE(PumpUntil([&] { return fx.Send(app::UM_GET_PLAY_STATE) != 0; }, 20000));
    Press("XF86AudioStop");
    ASSERT_TRUE(PumpUntil([&] { return fx.Send(app::UM_GET_PLAY_STATE) == 0; }, 20000));
    EXPECT_EQ(w.Media, (std::vector<WPARAM>{0, 1}));
  }
  // Switching the option off lets go of them.
  fx.Options->WriteBool(app::obMediaKeys, false);
  SendMessage(w.WindowHandle(), ui::UM_OPTIONS_CLOSED, 3, 0);
  ASSERT_TRUE(PumpUntil([&] { return w.Bus()->MediaKeysBound() == 0; }, 5000));

  PostMessage(w.WindowHandle(), WM_CLOSE);
  ASSERT_TRUE(PumpUntil([&] { return !fx.Controller->HandleAllocated(); }, 20000));
}

}  // namespace
