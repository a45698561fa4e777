// Recording through the real controller on a real display: the record
// button (clicked with xdotool) records a 127.0.0.1 ICY stream into the
// recordings folder, the panel's clock and size move, the stop button
// keeps the file, and the notice names it and shows it. With
// QOR_RECORDING_SHOTS set to a folder the two panels are saved there as
// pictures.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DisplayLock.h"
#include "GtkFixture.h"
#include "FixtureServer.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "PlayerWindowKit.h"
#include "DesktopKit.h"
#include "app/Messages.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "support/Encoding.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"
#include "Tools.h"

namespace {

using namespace core;

class RecordingGtkTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"xdotool", "ffprobe"}));
    GtkDisplayTest::SetUp();
  }
  // A click at the centre of a control of the window.
  void Click(ui::TPlayerWindow& w, widgets::TControl* control) {
    widgets::TPoint at = control->ClientToParent({control->Width() / 2, control->Height() / 2}, &w);
    uitest::RunTool({"xdotool", "mousemove", std::to_string(w.Left() + at.X), std::to_string(w.Top() + at.Y)});
    testkit::PumpFor(150);
    uitest::RunTool({"xdotool", "click", "1"});
  }
  void Shot(ui::TPlayerWindow& w, const std::string& name) {
    const char* folder = std::getenv("QOR_RECORDING_SHOTS");
    if (!folder || !*folder) return;
    testkit::PumpFor(300);
    // A margin of the desktop around the window shows its alpha edges.
    std::string crop = std::to_string(w.Width() + 40) + "x" + std::to_string(w.Height() + 20) + "+" +
                       std::to_string(std::max(0, w.Left() - 20)) + "+" + std::to_string(std::max(0, w.Top() - 10));
    std::string path = std::string(folder) + "/" + name + ".png";
    gchar* argv[] = {const_cast<gchar*>("import"), const_cast<gchar*>("-window"), const_cast<gchar*>("root"),
                     const_cast<gchar*>("-crop"), crop.data(), path.data(), nullptr};
    g_spawn_async(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr);
    testkit::PumpFor(1500);
  }
};

TEST_F(RecordingGtkTest, TheRecordButtonRecordsTheStreamAndTheNoticeShowsTheKeptFile) {
  testkit::FixtureServer server;
  ASSERT_TRUE(uitest::RouteIcyStation(server, "Deneme \xC5\x9E" "ark\xC4\xB1s\xC4\xB1"));
  ctltest::TControllerFixture fx;
  ASSERT_TRUE(fx.AudioOk);
  ASSERT_TRUE(uitest::SaveStations(fx.Dir / "settings" / "playlist.rpf", {{u"Test Radyo", server.Url("/live"), 0x21}}));
  std::filesystem::path folder = fx.Dir / "kayıtlar";
  fx.Options->WriteStr(app::osFolder, enc::Utf8ToUtf16(folder.string()));
  fx.Options->WriteBool(app::obEncoder, false);
  fx.Options->WriteBool(app::obPlaylistVisible, false);
  ui::TPlayerWindow* window = uitest::StartWithController(fx);
  ASSERT_NE(window, nullptr);
  ui::TPlayerWindow& w = *window;
  ui::TPlayerRecording& r = w.RecordingPart();
  std::vector<std::string> shown;
  r.ShowFile = [&](const std::string& path) { shown.push_back(path); };

  Click(w, w.PlayButton());
  ASSERT_TRUE(testkit::PumpUntil([&] { return fx.Send(app::UM_GET_PLAY_STATE) == 1; }, 30000));
  Click(w, w.RecordButton());
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.RecordingPanel()->Visible(); }));
  EXPECT_EQ(fx.Send(app::UM_GET_RECORDER_STATE), 7);
  ASSERT_TRUE(testkit::PumpUntil([&] { return r.ElapsedMs() >= 3000; }, 20000));
  EXPECT_EQ(r.ElapsedLabel()->Caption().substr(0, 8), u"0:00:00:");
  EXPECT_NE(r.SizeLabel()->Caption().find(u" KB"), std::u16string::npos) << enc::Utf16ToUtf8(r.SizeLabel()->Caption());
  Shot(w, "player-recording");

  Click(w, r.StopButton());
  ASSERT_TRUE(testkit::PumpUntil([&] { return r.FileAvailable(); }));
  EXPECT_FALSE(w.RecordingPanel()->Visible());
  EXPECT_EQ(fx.Send(app::UM_GET_RECORDER_STATE), 6);
  std::string file = enc::Utf16ToUtf8(r.LastRecordedFile());
  EXPECT_EQ(std::filesystem::path(file).parent_path(), folder);
  ASSERT_TRUE(std::filesystem::is_regular_file(file)) << file;
  auto seconds = uitest::RunTool(
      {"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", file});
  ASSERT_TRUE(seconds.has_value());
  EXPECT_GE(std::atof(seconds->c_str()), 2.5);
  Shot(w, "player-notice");

  // The name shows the file in the file manager.
  widgets::TControl* name = nullptr;
  for (int i = 0; i < r.NoticeIcon()->Parent()->ControlCount(); ++i)
    if (dynamic_cast<widgets::TLabelEx*>(r.NoticeIcon()->Parent()->Controls(i)))
      name = r.NoticeIcon()->Parent()->Controls(i);
  ASSERT_NE(name, nullptr);
  Click(w, name);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !shown.empty(); }));
  EXPECT_EQ(shown[0], file);

  Click(w, w.CloseButton());
  ASSERT_TRUE(testkit::PumpUntil([&] { return !fx.Controller->HandleAllocated(); }, 20000));
}

}  // namespace
