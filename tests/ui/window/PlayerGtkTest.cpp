// The player window on the GTK backend beside the real controller, which
// plays a 127.0.0.1 ICY stream through the audio library's silent output:
// clicks come from the X pointer (xdotool), the texts are read in-process.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DisplayLock.h"
#include "GtkFixture.h"
#include "FixtureServer.h"
#include "LiveStream.h"
#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "app/Messages.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"
#include "Tools.h"

namespace {

using namespace core;
using uitest::Xdotool;

class PlayerGtkTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
    GtkDisplayTest::SetUp();
  }
  // Clicks at a point of the window (its client coordinates).
  void Click(ui::TPlayerWindow& w, int x, int y, int times = 1) {
    Xdotool({"mousemove", std::to_string(w.Left() + x), std::to_string(w.Top() + y)});
    testkit::PumpFor(100);
    Xdotool({"click", "--repeat", std::to_string(times), "--delay", "60", "1"});
  }
};

TEST_F(PlayerGtkTest, TheMarqueeShowsTheTurkishTitleOfAPlayingFavourite) {
  testkit::FixtureServer server;
  // Old servers send the title in Windows-1254.
  ASSERT_TRUE(uitest::RouteIcyStation(server, "\xDE" "ebnem - \xC7i\xE7" "ek"));

  ctltest::TControllerFixture fx;
  ASSERT_TRUE(fx.AudioOk);
  qor::TPlayList favourites;
  auto item = std::make_unique<qor::TPlayItem>();
  item->SetName(u"Test Radyo");
  item->Url = server.Url("/live");
  item->Id = 0x21;
  favourites.Add(std::move(item));
  ASSERT_TRUE(qor::SaveFavourites(favourites, fx.Dir / "settings" / "playlist.rpf"));
  fx.Options->WriteBool(app::obPlaylistVisible, false);
  ui::TPlayerWindow* window = uitest::StartWithController(fx);
  ASSERT_NE(window, nullptr);
  ui::TPlayerWindow& w = *window;
  EXPECT_EQ(fx.Controller->ClientWindow(), w.WindowHandle());
  ASSERT_TRUE(w.NativeWindow() && w.NativeWindow()->NativeHandle());

  Click(w, 253, 62);  // the playlist button
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.ListPanelVisible() && w.ListContent()->Top() == 0; }));
  Click(w, 15 + 50 + 60, 75 + 2 + 7, 2);  // the first favourite
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.MarqueeText() == u"Test Radyo  ♫  Şebnem - Çiçek"; }, 30000))
;
  EXPECT_EQ(fx.Controller->StationName(), u"Test Radyo");
  EXPECT_EQ(w.PlayButton()->ImageId(), 2002);
  EXPECT_NE(w.MarqueeHint().find(u"Kbps"), std::u16string::npos);

  Click(w, 30, 62);  // the play button stops
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.MarqueeText() == u"Test Radyo"; }));
  EXPECT_EQ(fx.Send(app::UM_GET_PLAY_STATE), 0);

  // The close button ends the controller too, which frees the window.
  int left = w.Left();
  Click(w, 293, 55);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !fx.Controller->HandleAllocated(); }, 20000));
  EXPECT_EQ(fx.Options->ReadInt(app::oiPlayIdent), 0x21);
  EXPECT_EQ(fx.Options->ReadInt(app::oiLeft), left);
  EXPECT_EQ(fx.Options->ReadInt(app::oiHowMany), 13);
}

}  // namespace
