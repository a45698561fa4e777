// The player window of the real program on the X display: it appears, the
// list panel opens, a favourite on a 127.0.0.1 stream plays and stops, and
// closing leaves the run's options for the next start. The pointer and
// keyboard are driven with xdotool, the window found by its title. The
// program gets an X server of its own, so that the windows of other tests
// that run meanwhile neither hide it nor take its clicks.
#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FixtureServer.h"
#include "LiveStream.h"
#include "ChildProcess.h"
#include "DesktopKit.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "PlayerWindowKit.h"
#include "QorProcess.h"
#include "Shell.h"
#include "TempDir.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"
#include "Tools.h"

namespace {

using uitest::RunTool;
using uitest::WaitFor;

struct TGeometry {
  int X = -1, Y = -1, Width = 0, Height = 0;
};

class PlayerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xdotool"}));
    FDisplay = uitest::StartDisplay(FDir.Path());
    ASSERT_TRUE(FDisplay->Ok()) << "the X server did not start";
    FEnv.ConfigHome = FDir / "config";
    FEnv.RuntimeDir = FDir / "run";
    ASSERT_TRUE(uitest::SetUpTwoFavourites(FEnv, FServer));
    // No banner band and no autoplay, so that the test opens the panel and
    // starts the station itself; the first start has no stored place.
    testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                                "[player]\nautoplay=0\nplayident=0x22\n[playlist]\nvisible=0\n"
                                "[application]\nshowbanner=0\nfirstrun=0\n");
  }

  std::u16string Option(const char16_t* section, const char16_t* key) {
    TWIniFile ini(enc::Utf8ToUtf16((FEnv.SettingsFolder() / "options.ini").string()));
    return ini.ReadString(section, key, u"<missing>");
  }

  // The program's visible window titled "QOR..." and its place.
  std::string FindWindow() {
    std::string id;
    WaitFor([&] {
      auto found = RunTool({"xdotool", "search", "--onlyvisible", "--name", "^QOR"});
      if (!found || found->empty()) return false;
      id = found->substr(0, found->find('\n'));
      return true;
    });
    return id;
  }
  TGeometry Geometry(const std::string& id) {
    TGeometry g;
    auto text = RunTool({"xdotool", "getwindowgeometry", "--shell", id});
    if (!text) return g;
    std::istringstream in(*text);
    for (std::string line; std::getline(in, line);) {
      auto eq = line.find('=');
      if (eq == std::string::npos) continue;
      int value = std::atoi(line.c_str() + eq + 1);
      std::string key = line.substr(0, eq);
      if (key == "X") g.X = value;
      if (key == "Y") g.Y = value;
      if (key == "WIDTH") g.Width = value;
      if (key == "HEIGHT") g.Height = value;
    }
    return g;
  }
  std::string Title(const std::string& id) {
    auto text = RunTool({"xdotool", "getwindowname", id});
    return text ? text->substr(0, text->find('\n')) : "";
  }
  void Click(const TGeometry& g, int x, int y, int times = 1) {
    RunTool({"xdotool", "mousemove", std::to_string(g.X + x), std::to_string(g.Y + y)});
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    RunTool({"xdotool", "click", "--repeat", std::to_string(times), "--delay", "60", "1"});
  }
  int ScreenWidth() {
    auto text = RunTool({"xdotool", "getdisplaygeometry"});
    return text ? std::atoi(text->c_str()) : 0;
  }

  testkit::TempDir FDir;
  std::unique_ptr<testkit::PrivateDisplay> FDisplay;
  apptest::TQorEnv FEnv;
  testkit::FixtureServer FServer;
};

TEST_F(PlayerProcessTest, PlaysAFavouriteAndTheNextStartRestoresPlaceAndStation) {
  TGeometry placed;
  {
    apptest::TQorProcess qor(FEnv, {});
    std::string id = FindWindow();
    ASSERT_FALSE(id.empty()) << qor.Stderr();
    // Centred at the top on the first start.
    TGeometry g = Geometry(id);
    EXPECT_EQ(g.X, (ScreenWidth() - 320) / 2);
    EXPECT_EQ(g.Y, 0);
    EXPECT_EQ(g.Width, 320);

    // The playlist button opens the list panel: the window takes its full
    // height for 13 rows.
    Click(g, 253, 62);
    ASSERT_TRUE(WaitFor([&] { return Geometry(id).Height == 13 * 15 + 112; })) << Geometry(id).Height;

    // A double-click on the first favourite plays it (the controller names
    // the station in the title). The rows slide down into place after the
    // window has grown, and a loaded machine stretches the slide: a
    // double-click that meets the rows still moving lands below the first
    // row, so it is repeated until the first favourite plays.
    bool played = WaitFor([&] {
      Click(g, 15 + 50 + 60, 75 + 2 + 7, 2);
      return WaitFor([&] { return Title(id) == "QOR - Test Radyo"; }, std::chrono::seconds(3));
    }, std::chrono::seconds(40));
    ASSERT_TRUE(played) << Title(id);

    // The play button now stops it, once the stream has been asked for.
    ASSERT_TRUE(WaitFor([&] { return FServer.RequestCount("/live") > 0; })) << qor.Stderr();
    Click(g, 30, 62);
    ASSERT_TRUE(WaitFor([&] { return Title(id) == "QOR"; })) << Title(id);

    // Alt+F4 ends the program.
    RunTool({"xdotool", "mousemove", std::to_string(g.X + 150), std::to_string(g.Y + 58)});
    RunTool({"xdotool", "key", "alt+F4"});
    ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
    placed = g;
  }
  EXPECT_EQ(Option(u"player", u"left"), enc::Utf8ToUtf16(std::to_string(placed.X)));
  EXPECT_EQ(Option(u"player", u"top"), u"0");
  EXPECT_EQ(Option(u"player", u"playident"), u"33");  // 0x21, the one played
  EXPECT_EQ(Option(u"player", u"volume"), u"25");
  EXPECT_EQ(Option(u"playlist", u"howmany"), u"13");

  // A second start comes back at the same place with the same station,
  // and the play button plays it.
  {
    apptest::TQorProcess qor(FEnv, {});
    std::string id = FindWindow();
    ASSERT_FALSE(id.empty()) << qor.Stderr();
    TGeometry g = Geometry(id);
    EXPECT_EQ(g.X, placed.X);
    EXPECT_EQ(g.Y, placed.Y);
    Click(g, 30, 62);
    ASSERT_TRUE(WaitFor([&] { return Title(id) == "QOR - Test Radyo"; })) << Title(id);
    Click(g, 293, 55);  // the close button
    ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
  }
}

// The browser is a module of its own: WebKit stays out of the process
// while the player only plays, and arrives with the first page (Insert on
// the favourites asks for the station search).
TEST_F(PlayerProcessTest, WebKitIsLoadedWithTheFirstPageOnly) {
  auto mapsWebKit = [](pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);)
      if (line.find("libwebkit2gtk") != std::string::npos || line.find("libjavascriptcoregtk") != std::string::npos)
        return true;
    return false;
  };
  testkit::TempDir::WriteFile(FEnv.SettingsFolder() / "options.ini",
                              "[player]\nautoplay=0\nplayident=0x21\n[playlist]\nvisible=1\n"
                              "[application]\nshowbanner=0\nfirstrun=0\n");
  apptest::TQorProcess qor(FEnv, {});
  std::string id = FindWindow();
  ASSERT_FALSE(id.empty()) << qor.Stderr();
  ASSERT_TRUE(WaitFor([&] { return Geometry(id).Height == 13 * 15 + 112; })) << Geometry(id).Height;
  TGeometry g = Geometry(id);
  // A station plays meanwhile: nothing of playing needs the browser.
  Click(g, 30, 62);
  ASSERT_TRUE(WaitFor([&] { return Title(id) == "QOR - Test Radyo"; })) << Title(id);
  ASSERT_TRUE(WaitFor([&] { return FServer.RequestCount("/live") > 0; })) << qor.Stderr();
  EXPECT_FALSE(mapsWebKit(qor.Pid()));

  RunTool({"xdotool", "mousemove", std::to_string(g.X + 150), std::to_string(g.Y + 120)});
  bool opened = WaitFor([&] {
    RunTool({"xdotool", "key", "Insert"});
    return WaitFor([&] { return mapsWebKit(qor.Pid()); }, std::chrono::seconds(5));
  }, std::chrono::seconds(40));
  EXPECT_TRUE(opened) << qor.Stderr();
  EXPECT_EQ(qor.Stderr().find("browser cannot be opened"), std::string::npos) << qor.Stderr();

  RunTool({"xdotool", "mousemove", std::to_string(g.X + 150), std::to_string(g.Y + 58)});
  Click(g, 293, 55);  // the close button
  ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
}

}  // namespace

// The threads of a playing player share the process's one malloc arena:
// glibc would give each its own heap of 64 MiB address space (an aligned
// anonymous read-write start followed by its reserved rest), each keeping
// its free memory resident.
TEST_F(PlayerProcessTest, APlayingPlayerKeepsOneMallocArena) {
  auto threadArenas = [](pid_t pid) {
    constexpr unsigned long kHeapSpan = 64ul << 20;
    struct TMapping {
      unsigned long Start = 0, End = 0;
      std::string Perms;
      bool Anonymous = false;
    };
    std::vector<TMapping> mappings;
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    for (std::string line; std::getline(maps, line);) {
      std::istringstream in(line);
      std::string range, perms, offset, device, inode, path;
      in >> range >> perms >> offset >> device >> inode >> path;
      TMapping m;
      m.Start = std::stoul(range.substr(0, range.find('-')), nullptr, 16);
      m.End = std::stoul(range.substr(range.find('-') + 1), nullptr, 16);
      m.Perms = perms;
      m.Anonymous = inode == "0" && path.empty();
      mappings.push_back(m);
    }
    int count = 0;
    for (size_t i = 0; i + 1 < mappings.size(); ++i) {
      const TMapping& m = mappings[i];
      const TMapping& rest = mappings[i + 1];
      if (m.Anonymous && m.Perms == "rw-p" && m.Start % kHeapSpan == 0 && rest.Anonymous && rest.Perms == "---p" &&
          rest.Start == m.End && rest.End >= m.Start + kHeapSpan)
        ++count;
    }
    return count;
  };
  apptest::TQorProcess qor(FEnv, {});
  std::string id = FindWindow();
  ASSERT_FALSE(id.empty()) << qor.Stderr();
  TGeometry g = Geometry(id);
  auto decoding = [&] {
    std::error_code ec;
    const std::filesystem::path tasks = "/proc/" + std::to_string(qor.Pid()) + "/task";
    for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
      std::ifstream comm(task.path() / "comm");
      std::string name;
      if (std::getline(comm, name) && name == "audio-decode") return true;
    }
    return false;
  };
  Click(g, 30, 62);  // the play button: the stream's threads start
  ASSERT_TRUE(WaitFor([&] { return Title(id) == "QOR - İkinci"; })) << Title(id);
  ASSERT_TRUE(WaitFor(decoding)) << qor.Stderr();
  EXPECT_EQ(threadArenas(qor.Pid()), 0);
  Click(g, 293, 55);  // the close button
  ASSERT_EQ(qor.Wait(), 0) << qor.Stderr();
}
