// Autoplay at start against a stand-in controller: the saved favourite
// plays, unless the command line opened a file or an address, which it
// would replace.
#include <gtest/gtest.h>

#include "PlayerWindowKit.h"
#include "app/Messages.h"

namespace {

using uitest::TPlayerWindowKit;

void Prepare(TPlayerWindowKit& kit, const std::string& player) {
  kit.WriteOptions("[player]\n" + player + "playident=0x6\n[playlist]\nvisible=0\n");
  kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5}, {u"İki", "http://127.0.0.1:1/b", 6}});
}

TEST(PlayerAutoplayTest, TheSavedFavouritePlaysUnlessTheCommandLineOpensSomething) {
  {
    TPlayerWindowKit kit;
    Prepare(kit, "autoplay=1\n");
    kit.Open();
    ASSERT_EQ(kit.Controller.Count(app::UM_PLAY), 1);
    EXPECT_EQ(kit.Controller.PlayedUrl, u"http://127.0.0.1:1/b");
  }
  {
    TPlayerWindowKit kit;
    Prepare(kit, "autoplay=1\n");
    kit.Config.OpensTargets = true;
    kit.Open();
    EXPECT_EQ(kit.Controller.Count(app::UM_PLAY), 0);
  }
  // "-play" asks for the favourite too; an address beside it still wins.
  {
    TPlayerWindowKit kit;
    Prepare(kit, "autoplay=0\n");
    kit.Config.PlayOnStart = true;
    kit.Open();
    EXPECT_EQ(kit.Controller.Count(app::UM_PLAY), 1);
  }
  {
    TPlayerWindowKit kit;
    Prepare(kit, "autoplay=0\n");
    kit.Config.PlayOnStart = true;
    kit.Config.OpensTargets = true;
    kit.Open();
    EXPECT_EQ(kit.Controller.Count(app::UM_PLAY), 0);
  }
}

}  // namespace
