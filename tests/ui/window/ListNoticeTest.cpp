// The notice about list files that were moved aside keeps the marquee for
// its time even when playback starts at once; the latest state text is
// shown after it.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"

namespace {

TEST(ListNoticeTest, TheNoticeHoldsTheMarqueeThenTheLatestTextFollows) {
  uitest::TPlayerWindowKit kit;
  kit.WriteOptions("[player]\nautoplay=0\nplayident=0x5\n[playlist]\nvisible=0\n");
  kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5, u""}});
  kit.Config.StartNotice = u"playlist.rpf okunamadı; playlist.rpf.2026-12-09-024800.bak adıyla kenara alındı.";
  kit.Config.NoticeMs = 1500;
  auto& w = kit.Open(false);  // no pumping: the notice's time runs from here
  EXPECT_EQ(w.MarqueeText(), kit.Config.StartNotice);
  EXPECT_TRUE(w.NoticeShown());
  kit.Event(4);  // connecting
  kit.Controller.PlayState = 1;
  kit.Event(1);  // playing
  EXPECT_EQ(w.MarqueeText(), kit.Config.StartNotice) << "the states wait";
  ASSERT_TRUE(testkit::PumpUntil([&] { return !w.NoticeShown(); }));
  EXPECT_EQ(w.MarqueeText(), u"Bir") << "the text of the playing state";

  // Without a notice nothing is held.
  kit.Event(0);
  EXPECT_EQ(w.MarqueeText(), u"Bir");
  kit.Event(3);
  EXPECT_EQ(w.MarqueeText(), u"Duraksatıldı");
}

}  // namespace
