// The controller's two players seen from a client: switching from one to
// the other without UM_STOP, and the title event of the ffmpeg player.
#include <gtest/gtest.h>

#include "LiveStream.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "app/RecordingName.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "support/Deploy.h"
#include "support/Encoding.h"

using namespace ctltest;
using testkit::PumpFor;
using testkit::PumpUntil;
using namespace core;
using namespace app;

namespace {

class PlayerSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    ASSERT_TRUE(F.AudioOk) << "audio library did not start";
    mp3 = testkit::ReadBytes(Media("tone.mp3"));
    ASSERT_FALSE(mp3.empty());
    Server.Route("/mp3", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::LiveStreamOptions o;
      o.statusLine = "ICY 200 OK";
      o.metaInt = 8192;
      o.title = [](int) { return std::string("Sanat\xc3\xa7\xc4\xb1 - \xc5\x9e\x61rk\xc4\xb1"); };
      testkit::ServeLiveStream(Server, c, mp3, o);
    });
    F.Options->WriteInt(oiBuffer, 2000);
    F.Start();
    F.NoResolvers();
  }
  void TearDown() override {
    F.Destroy();
    deploy::Reset();
  }

  TControllerFixture F;
  std::string mp3;
  // Last: its connection threads read the members above until it is gone.
  testkit::FixtureServer Server;
};

TEST_F(PlayerSwitchTest, PlayOnTheOtherPlayerStopsTheFirst) {
  F.Play(u"HTTP", enc::Utf8ToUtf16(Server.Url("/mp3")));
  ASSERT_TRUE(PumpUntil([&] { return F.Send(UM_GET_PLAY_STATE) == psPlaying; }, 15000)) << F.Send(UM_GET_RESULT);
  TBassRadioPlayer* direct = F.Controller->BassPlayer();
  ASSERT_EQ(F.Controller->CurrentPlayer(), direct);
  audio::DWORD channel = direct->Channel;
  ASSERT_NE(channel, 0u);
  F.Client.Clear();

  // No UM_STOP in between: an RTMP address goes to the ffmpeg player (a
  // closed port, so it only ever connects and fails).
  F.Play(u"RTMP", u"rtmp://127.0.0.1:1/live/stream");
  EXPECT_EQ(F.Controller->CurrentPlayer(), F.Controller->AVConvPlayer());
  EXPECT_EQ(direct->State, psStopped);
  EXPECT_EQ(direct->Channel, 0u);
  EXPECT_NE(audio::ChannelIsActive(channel), audio::ACTIVE_PLAYING);
  auto events = F.Client.Events();
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], static_cast<WPARAM>(psStopped)) << "the first station's end comes first";
  EXPECT_EQ(events[1], static_cast<WPARAM>(psConnecting));

  // UM_STOP reaches what plays: afterwards nothing does.
  F.Send(UM_STOP);
  EXPECT_EQ(F.Controller->AVConvPlayer()->State, psStopped);
  EXPECT_EQ(direct->State, psStopped);
  EXPECT_EQ(F.Send(UM_GET_PLAY_STATE), psStopped);

  // And back: the direct player again, the ffmpeg player left alone.
  F.Play(u"HTTP", enc::Utf8ToUtf16(Server.Url("/mp3")));
  ASSERT_TRUE(PumpUntil([&] { return F.Send(UM_GET_PLAY_STATE) == psPlaying; }, 15000));
  EXPECT_EQ(F.Controller->AVConvPlayer()->State, psStopped);
}

TEST_F(PlayerSwitchTest, DecoderOutputTitleReachesTheClientOnceAs38005) {
  F.Play(u"FFmpeg", enc::Utf8ToUtf16("ffmpeg+" + Server.Url("/mp3")));
  ASSERT_TRUE(PumpUntil([&] { return F.Send(UM_GET_PLAY_STATE) == psPlaying; }, 20000)) << F.Send(UM_GET_RESULT);
  ASSERT_EQ(F.Controller->CurrentPlayer(), F.Controller->AVConvPlayer());
  ASSERT_TRUE(PumpUntil([&] { return F.Client.Count(UM_PLAYER_META) > 0; }, 10000));
  // The stream repeats the same title: one event, however often ffmpeg
  // prints it.
  PumpFor(1500);
  ASSERT_EQ(F.Client.Count(UM_PLAYER_META), 1);
  std::string text;
  for (const auto& e : F.Client.Entries())
    if (e.Msg == UM_PLAYER_META) text = e.Text;
  EXPECT_EQ(text, "StreamTitle='Sanat\xc3\xa7\xc4\xb1 - \xc5\x9e\x61rk\xc4\xb1';");
  EXPECT_EQ(StreamTitle(text, {}), u"Sanatçı - Şarkı");
  // The same text through the request, as the player window reads it.
  char buffer[261] = {};
  EXPECT_GT(F.Send(UM_GET_META, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(std::string(buffer), text);
}

}  // namespace
