// Addresses and files given to the program to open reach the player window
// (beside the real controller, playing from a fixture station): what it
// opens plays under the name the user knows it by, not under the name of
// whichever favourite happened to be selected.
#include <gtest/gtest.h>

#include "FixtureServer.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "support/Encoding.h"
#include "widgets/controls/DropFiles.h"

namespace {

using namespace core;

TEST(OpenTargetsTest, AnOpenedAddressOrPlaylistPlaysUnderItsOwnNameAndAStationListOnlyAdds) {
  testkit::FixtureServer server;
  ASSERT_TRUE(uitest::RouteIcyStation(server, "Haberler"));
  ctltest::TControllerFixture fx;
  ASSERT_TRUE(fx.AudioOk) << "audio library did not start";
  ASSERT_TRUE(uitest::SaveStations(enc::Utf16ToUtf8(fx.SettingsFolder) + "playlist.rpf",
                                   {{u"Seçili Radyo", "http://127.0.0.1:1/selected", 5}}));
  ui::TPlayerWindow* window = uitest::StartWithController(fx);
  ASSERT_NE(window, nullptr);
  ui::TPlayerWindow& w = *window;
  auto playing = [&] { return fx.Send(app::UM_GET_PLAY_STATE) == 1; };
  int before = w.Favourites()->Count();
  ASSERT_GT(before, 0);
  const std::string stream = server.Url("/live");
  const std::u16string address = enc::Utf8ToUtf16(stream);
  ASSERT_EQ(w.CurrentName(), u"Seçili Radyo");

  // As the controller hands it over from the command line.
  SendMessage(w.WindowHandle(), app::UM_OPEN_TARGETS, widgets::CreateDrop({stream}, {0, 0}), 0);
  ASSERT_TRUE(testkit::PumpUntil(playing, 30000));
  EXPECT_EQ(w.CurrentName(), address);
  EXPECT_EQ(fx.Controller->StationName(), address);
  EXPECT_EQ(w.CurrentUrl(), address);
  EXPECT_EQ(w.Favourites()->Count(), before) << "an address is listened to, not kept";
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Title() == u"Haberler"; }, 30000));
  EXPECT_NE(w.MarqueeText().find(address), std::u16string::npos) << enc::Utf16ToUtf8(w.MarqueeText());

  // A playlist file: its entry joins the favourites and plays under its title.
  auto pls = fx.Dir / "liste.pls";
  testkit::TempDir::WriteFile(pls, "[playlist]\nNumberOfEntries=1\nFile1=" + stream + "\nTitle1=Deneme Radyo\n");
  w.OpenTargets({enc::Utf8ToUtf16(pls.string())});
  ASSERT_TRUE(testkit::PumpUntil([&] { return fx.Controller->StationName() == u"Deneme Radyo" && playing(); }, 30000));
  EXPECT_EQ(w.CurrentName(), u"Deneme Radyo");
  ASSERT_EQ(w.Favourites()->Count(), before + 1);
  EXPECT_EQ(w.Favourites()->Item(before)->Name, u"Deneme Radyo");
  EXPECT_EQ(w.Favourites()->ActiveId(), w.Favourites()->Item(before)->Id);

  // A station list is imported: nothing of it plays.
  auto rpf = fx.Dir / "liste.rpf";
  ASSERT_TRUE(uitest::SaveStations(rpf, {{u"Liste Radyo", server.Url("/other"), 77}}));
  w.OpenTargets({enc::Utf8ToUtf16(rpf.string())});
  ASSERT_EQ(w.Favourites()->Count(), before + 2);
  EXPECT_EQ(w.Favourites()->Item(before + 1)->Name, u"Liste Radyo");
  testkit::PumpFor(300);
  EXPECT_EQ(server.RequestCount("/other"), 0);
  EXPECT_EQ(fx.Controller->StationName(), u"Deneme Radyo");
  EXPECT_TRUE(playing());
  fx.Destroy();
}

}  // namespace
