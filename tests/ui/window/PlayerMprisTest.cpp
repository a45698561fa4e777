// The real program as a media player of the session bus, driven by the
// real playerctl: on an X server and a session bus of the test's own, with
// two favourites on a 127.0.0.1 ICY station.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "DesktopKit.h"
#include "FixtureServer.h"
#include "PlayerWindowKit.h"
#include "QorProcess.h"
#include "TempDir.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"
#include "Tools.h"

namespace {

using uitest::RunTool;
using uitest::ToolLine;
using uitest::WaitFor;

class PlayerMprisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xdotool", "dbus-daemon", "playerctl", "gdbus", "stdbuf"}));
    FDisplay = uitest::StartDisplay(FDir.Path());
    ASSERT_TRUE(FDisplay->Ok()) << "the X server did not start";
    FBus = uitest::StartSessionBus(FDir.Path());
    ASSERT_TRUE(FBus->Ok()) << "the session bus did not start";
    FEnv.ConfigHome = FDir / "config";
    FEnv.RuntimeDir = FDir / "run";
    ASSERT_TRUE(uitest::SetUpTwoFavourites(FEnv, FServer));
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                                "[player]\nautoplay=0\nplayident=0x21\nvolume=25\n[playlist]\nvisible=0\n"
                                "[application]\nshowbanner=0\nfirstrun=0\n");
  }

  std::string Ctl(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"playerctl", "-p", "qor"};
    all.insert(all.end(), args.begin(), args.end());
    return ToolLine(all);
  }
  bool CtlUntil(const std::vector<std::string>& args, const std::string& expected) {
    return WaitFor([&] { return Ctl(args) == expected; });
  }
  std::string WindowTitle() {
    std::string id = ToolLine({"xdotool", "search", "--onlyvisible", "--name", "^QOR"});
    return id.empty() ? "" : ToolLine({"xdotool", "getwindowname", id});
  }
  std::u16string Option(const char16_t* section, const char16_t* key) {
    TWIniFile ini(enc::Utf8ToUtf16((FEnv.SettingsFolder() / "options.ini").string()));
    return ini.ReadString(section, key, u"<missing>");
  }

  testkit::TempDir FDir;
  std::unique_ptr<testkit::PrivateDisplay> FDisplay;
  std::unique_ptr<uitest::TPrivateServer> FBus;
  apptest::TQorEnv FEnv;
  testkit::FixtureServer FServer;
};

TEST_F(PlayerMprisTest, PlayerctlReadsTheTitleAndDrivesPlaybackAndVolume) {
  apptest::TQorProcess qor(FEnv, {});
  ASSERT_TRUE(CtlUntil({"status"}, "Stopped")) << qor.Stderr();
  // The service describes itself on the plain name.
  EXPECT_NE(ToolLine({"gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.qor", "--object-path",
                      "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                      "org.mpris.MediaPlayer2", "Identity"})
                .find("'QOR'"),
            std::string::npos);
  // Before anything plays, the chosen favourite is what there is to show.
  EXPECT_EQ(Ctl({"metadata", "album"}), "Test Radyo");
  EXPECT_EQ(Ctl({"metadata", "title"}), "Test Radyo");
  EXPECT_EQ(Ctl({"metadata", "mpris:artUrl"}).rfind("file://", 0), 0u);
  EXPECT_EQ(Ctl({"volume"}), "0.250000");

  // Every change is signalled: a follower sees the states go by (each
  // line as it comes, not when the follower ends).
  testkit::ChildProcess follower(uitest::ProgramPath("stdbuf"), {"-oL", "playerctl", "-p", "qor", "--follow", "status"},
                                 {}, FDir.Path());

  ASSERT_TRUE(WaitFor([&] { return RunTool({"playerctl", "-p", "qor", "play"}).has_value(); }));
  ASSERT_TRUE(CtlUntil({"status"}, "Playing"));
  // The pushed title, split into its artist and song.
  ASSERT_TRUE(CtlUntil({"metadata", "--format", "{{artist}} - {{title}}"}, "Şebnem - Çiçek"));
  EXPECT_EQ(Ctl({"metadata", "title"}), "Çiçek");
  EXPECT_EQ(Ctl({"metadata", "album"}), "Test Radyo");
  EXPECT_TRUE(WaitFor([&] { return WindowTitle() == "QOR - Test Radyo"; })) << WindowTitle();
  std::string track = Ctl({"metadata", "mpris:trackid"});
  EXPECT_NE(track.find("/org/kelvarin/qor/track/"), std::string::npos) << track;

  // A live stream pauses by stopping.
  RunTool({"playerctl", "-p", "qor", "pause"});
  ASSERT_TRUE(CtlUntil({"status"}, "Stopped"));
  EXPECT_TRUE(WaitFor([&] { return WindowTitle() == "QOR"; })) << WindowTitle();
  RunTool({"playerctl", "-p", "qor", "play"});
  ASSERT_TRUE(CtlUntil({"status"}, "Playing"));

  // Next goes down the favourites; at the last one there is no next.
  RunTool({"playerctl", "-p", "qor", "next"});
  ASSERT_TRUE(CtlUntil({"metadata", "album"}, "İkinci"));
  EXPECT_NE(Ctl({"metadata", "mpris:trackid"}), track) << "another station is another track";
  EXPECT_TRUE(WaitFor([&] { return WindowTitle() == "QOR - İkinci"; })) << WindowTitle();
  ASSERT_TRUE(CtlUntil({"status"}, "Playing"));
  EXPECT_NE(ToolLine({"gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.qor", "--object-path",
                      "/org/mpris/MediaPlayer2", "--method", "org.freedesktop.DBus.Properties.Get",
                      "org.mpris.MediaPlayer2.Player", "CanGoNext"})
                .find("false"),
            std::string::npos);
  RunTool({"playerctl", "-p", "qor", "previous"});
  ASSERT_TRUE(CtlUntil({"metadata", "album"}, "Test Radyo"));

  RunTool({"playerctl", "-p", "qor", "stop"});
  ASSERT_TRUE(CtlUntil({"status"}, "Stopped"));
  EXPECT_TRUE(WaitFor([&] { return WindowTitle() == "QOR"; })) << WindowTitle();

  // 0..1 on the bus is 0..100 in the window, both ways.
  RunTool({"playerctl", "-p", "qor", "volume", "0.4"});
  ASSERT_TRUE(CtlUntil({"volume"}, "0.400000"));

  std::string followed = follower.Stdout();
  EXPECT_NE(followed.find("Playing\n"), std::string::npos) << followed;
  EXPECT_NE(followed.find("Stopped\n", followed.find("Playing\n")), std::string::npos) << followed;

  // Quit closes the window as its close button does: the window's own
  // volume is what it saves.
  ToolLine({"gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.qor", "--object-path",
            "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
  ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
  EXPECT_EQ(Option(u"player", u"volume"), u"40");
  EXPECT_EQ(Option(u"player", u"playident"), u"33");
}

// Hidden, the window thread sleeps through the stream: the player's status
// poll stops while the stream plays on, the service follows the window's
// messages instead of polling and the window's tick waits for it to show,
// so what is left are the slow timers (the idle trim every 10 s, the
// controller's 15 s one) and what the X server and the bus bring. What the
// service publishes still follows: the title pushed by the station,
// playing and stopped.
TEST_F(PlayerMprisTest, HiddenWhilePlayingTheWindowThreadSleepsAndTheServiceStillFollows) {
  testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                              "[player]\nautoplay=0\nautohide=1\nplayident=0x21\n[playlist]\nvisible=0\n"
                              "[application]\nshowbanner=0\nfirstrun=0\n");
  apptest::TQorProcess qor(FEnv, {});
  ASSERT_TRUE(CtlUntil({"status"}, "Stopped")) << qor.Stderr();
  ASSERT_TRUE(WaitFor([&] { return RunTool({"playerctl", "-p", "qor", "play"}).has_value(); }));
  ASSERT_TRUE(CtlUntil({"status"}, "Playing"));
  ASSERT_TRUE(CtlUntil({"metadata", "--format", "{{artist}} - {{title}}"}, "Şebnem - Çiçek"));
  // The window thread's own blocking waits (the loop's sleeps); the
  // preemptions a loaded machine adds are not counted.
  auto sleeps = [&] {
    std::ifstream status("/proc/" + std::to_string(qor.Pid()) + "/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::atol(line.c_str() + line.find(':') + 1);
    return -1L;
  };
  // What starting to play armed settles first.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const long before = sleeps();
  ASSERT_GE(before, 0);
  std::this_thread::sleep_for(std::chrono::seconds(6));
  const long woken = sleeps() - before;
  EXPECT_LE(woken, 6) << "wake-ups of the hidden window's thread in six seconds";

  RunTool({"playerctl", "-p", "qor", "stop"});
  ASSERT_TRUE(CtlUntil({"status"}, "Stopped"));
  ToolLine({"gdbus", "call", "--session", "--dest", "org.mpris.MediaPlayer2.qor", "--object-path",
            "/org/mpris/MediaPlayer2", "--method", "org.mpris.MediaPlayer2.Quit"});
  ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
}

}  // namespace
