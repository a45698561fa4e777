// The controller's message protocol, driven only through messages: player
// choice by address, volume and mute, bounded copies, the player window's
// notices, and closing.
#include <gtest/gtest.h>

#include <cstring>

#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "engine/Recorder.h"
#include "support/Deploy.h"
#include "support/Encoding.h"

using namespace ctltest;
using testkit::PumpUntil;
using namespace core;
using namespace app;

namespace {

class ProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    // The video site's main host is a loopback name here, so that nothing
    // chosen below could reach the outside.
    deploy::SetValue(deploy::VideoSiteHost, "127.0.0.1");
  }
  void TearDown() override {
    F.Destroy();
    deploy::Reset();
  }
  TControllerFixture F;
};

struct TRouteCase {
  const char* Address;
  bool Bass;
  const char* Given;  // the address the player gets
};

TEST_F(ProtocolTest, PlayerChoiceAndAddressRewrites) {
  F.Start();
  F.NoResolvers();
  const TRouteCase cases[] = {
      {"https://127.0.0.1:1/watch?v=abc", false, "https://127.0.0.1:1/watch?v=abc"},
      {"https://localhost:1/watch?v=abc", true, "https://localhost:1/watch?v=abc"},
      {"http://localhost:1/stream", true, "http://localhost:1/stream"},
      {"HTTP://localhost:1/stream", false, "HTTP://localhost:1/stream"},
      {"applehttp://localhost:1/applehttp/list.m3u8", true, "http://localhost:1/http/list.m3u8"},
      {"bass+http://localhost:1/s", true, "http://localhost:1/s"},
      {"ffmpeg+http://localhost:1/s", false, "http://localhost:1/s"},
      {"other+http://localhost:1/s", false, "other+http://localhost:1/s"},
      {"qor://localhost/station?p=bass", true, "qor://localhost/station?p=bass"},
      {"qor://localhost/station?p=ffmpeg", false, "qor://localhost/station?p=ffmpeg"},
      {"qor://localhost/BaSs/42", true, "qor://localhost/BaSs/42"},
      {"qor://localhost/other/42", false, "qor://localhost/other/42"},
      {"qor://localhost/bass", false, "qor://localhost/bass"},
      {"mms://localhost:1/s", true, "mms://localhost:1/s"},
      {"rtmp://localhost:1/s", false, "rtmp://localhost:1/s"},
      {"no address at all", false, "no address at all"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Address);
    F.Client.Clear();
    F.Play(u"Station", enc::Utf8ToUtf16(c.Address));
    // Stopped at once, before any tick: nothing is ever opened.
    TBaseRadioPlayer* chosen = F.Controller->CurrentPlayer();
    EXPECT_EQ(chosen == F.Controller->BassPlayer(), c.Bass);
    EXPECT_EQ(chosen->Address, c.Given);
    EXPECT_EQ(chosen->StationName, "Station");
    EXPECT_EQ(F.Send(UM_GET_PLAY_STATE), psConnecting);
    F.Send(UM_STOP);
    EXPECT_EQ(F.Send(UM_GET_PLAY_STATE), psStopped);
    EXPECT_EQ(F.Send(UM_GET_RESULT), PLAYER_ERROR_ABANDONED);
    std::vector<WPARAM> expected = {psConnecting, PE_ERROR};
    EXPECT_EQ(F.Client.Events(), expected);
  }
  // The address after a "+" is the one kept as the station's address.
  F.Play(u"Plus", u"bass+http://localhost:1/kept");
  EXPECT_EQ(F.Controller->StationAddress(), u"http://localhost:1/kept");
  F.Send(UM_STOP);
  EXPECT_TRUE(F.Controller->StationAddress().empty());
  EXPECT_TRUE(F.Controller->StationName().empty());
}

TEST_F(ProtocolTest, ChoiceIsExactAboutTheVideoHost) {
  EXPECT_EQ(ChoosePlayer("https://www.youtube.com/watch?v=1", "www.youtube.com").Kind, TPlayerKind::AVConv);
  EXPECT_EQ(ChoosePlayer("https://m.youtube.com/watch?v=1", "www.youtube.com").Kind, TPlayerKind::Bass);
  EXPECT_EQ(ChoosePlayer("http://www.youtube.com:8080/watch", "www.youtube.com").Kind, TPlayerKind::AVConv);
  // An empty host in the deployment never matches an address.
  EXPECT_EQ(ChoosePlayer("https://host/", "").Kind, TPlayerKind::Bass);
  EXPECT_EQ(ChoosePlayer("", "x").Kind, TPlayerKind::AVConv);
}

TEST_F(ProtocolTest, MuteThenVolume) {
  F.Start();
  F.Send(UM_SET_VOLUME, 70);
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 70);
  F.Client.Clear();
  F.Send(UM_SET_MUTE, 1);
  EXPECT_EQ(F.Send(UM_GET_MUTE), 1);
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 0);
  EXPECT_EQ(F.Controller->CurrentPlayer()->Volume, 0);
  F.Send(UM_SET_VOLUME, 40);
  EXPECT_EQ(F.Send(UM_GET_MUTE), 0);
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 40);
  EXPECT_EQ(F.Controller->CurrentPlayer()->Volume, 40);
  auto entries = F.Client.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].W, PE_MUTE);
  EXPECT_EQ(entries[0].L, 1);
  EXPECT_EQ(entries[1].W, PE_MUTE);
  EXPECT_EQ(entries[1].L, 0);

  // Muting remembers the volume, unmuting gives it back.
  F.Send(UM_SET_MUTE, 1);
  F.Send(UM_SET_MUTE, 0);
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 40);
  // Out-of-range volumes are clamped.
  F.Send(UM_SET_VOLUME, 150);
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 100);
  F.Send(UM_SET_VOLUME, static_cast<WPARAM>(-5));
  EXPECT_EQ(F.Send(UM_GET_VOLUME), 0);
}

TEST_F(ProtocolTest, CopiesAreBoundedAndSkippedForNullBuffers) {
  F.Start();
  std::u16string buffer(300, u'#');
  EXPECT_EQ(F.Send(UM_GET_STRING, 100, reinterpret_cast<LPARAM>(buffer.data())), 3);
  EXPECT_EQ(std::u16string(buffer.c_str()), u"QOR");
  EXPECT_EQ(F.Send(UM_GET_STRING, 100, 0), 0);
  EXPECT_EQ(F.Send(UM_GET_ERROR_TEXT, 0, reinterpret_cast<LPARAM>(buffer.data())), 20);
  EXPECT_EQ(std::u16string(buffer.c_str()), u"Bağlantı kurulamadı.");
  EXPECT_EQ(F.Send(UM_GET_ERROR_TEXT, 0, 0), 0);

  // A recording path longer than the limit is cut at 260 units.
  F.Controller->Recorder()->FileName = std::u16string(400, u'x');
  buffer.assign(300, u'#');
  EXPECT_EQ(F.Send(UM_GET_RECORDING_FILE, 0, reinterpret_cast<LPARAM>(buffer.data())), 260);
  EXPECT_EQ(buffer[259], u'x');
  EXPECT_EQ(buffer[260], u'\0');
  EXPECT_EQ(buffer[261], u'#');

  // Texts taken from a request stop at their limit.
  std::u16string longName(3000, u'n');
  F.NoResolvers();
  F.Play(longName, u"http://localhost:1/");
  EXPECT_EQ(F.Controller->StationName().size(), 2055u);
  F.Send(UM_STOP);
  std::u16string caption(5000, u'c');
  F.Send(UM_SET_CAPTION, reinterpret_cast<WPARAM>(caption.c_str()));
  EXPECT_EQ(F.Controller->StationName().size(), 2055u);

  // Byte buffers: the size given is the buffer's size.
  char bytes[8];
  std::memset(bytes, '#', sizeof bytes);
  EXPECT_EQ(F.Send(UM_GET_CODEC, 0, reinterpret_cast<LPARAM>(bytes)), 0);
  EXPECT_EQ(bytes[0], '#') << "a zero-sized buffer is not written";
  EXPECT_EQ(F.Send(UM_GET_META, sizeof bytes, 0), 0);
}

TEST_F(ProtocolTest, PlayerWindowNoticesAndClosing) {
  TClientWindow* playerWindow = nullptr;
  auto& mw = F.Make();
  mw.CreatePlayerWindow = [&playerWindow](TMainWindow&) {
    auto window = std::make_unique<TClientWindow>();
    playerWindow = window.get();
    return window;
  };
  F.Start();
  // Until the first tick there is no player window and nothing reaches it.
  EXPECT_EQ(F.Send(UM_ACTIVATE), 0);
  EXPECT_TRUE(F.Controller->TimerEnabled(StartupTimerId));
  ASSERT_TRUE(PumpUntil([&] { return playerWindow != nullptr; }, 5000));
  EXPECT_FALSE(F.Controller->TimerEnabled(StartupTimerId));
  EXPECT_TRUE(F.Controller->TimerEnabled(WidgetTimerId));
  EXPECT_TRUE(F.Controller->TimerEnabled(SiteCountTimerId));

  F.Send(UM_ACTIVATE);
  auto entries = playerWindow->Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Msg, WM_NULL);
  EXPECT_EQ(entries[1].Msg, UM_ACTIVATE);

  playerWindow->Clear();
  std::u16string name = u"Radyo Bir";
  F.Send(UM_SET_CAPTION, reinterpret_cast<WPARAM>(name.c_str()));
  F.Send(UM_STOP);
  entries = playerWindow->Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Text, "QOR - Radyo Bir");
  EXPECT_EQ(entries[1].Text, "QOR");

  // With the banner off, the visitor-count tick tells the player window
  // to hide the count.
  F.Options->WriteBool(obShowBanner, false);
  playerWindow->Clear();
  F.Send(WM_TIMER, SiteCountTimerId);
  entries = playerWindow->Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Msg, UM_LISTENERS);
  EXPECT_EQ(entries[0].W, 0u);
  EXPECT_EQ(entries[0].L, 0);

  // The options dialog comes later: both requests answer 0.
  EXPECT_EQ(F.Send(UM_SHOW_OPTIONS, playerWindow->Handle(), 0), 0);
  EXPECT_EQ(F.Send(UM_OPEN_OPTIONS, 3, playerWindow->Handle()), 0);
  EXPECT_EQ(F.Send(WM_QUERYENDSESSION), 1);

  playerWindow->Clear();
  HWND controller = F.Controller->WindowHandle();
  F.Send(WM_COMMAND, CM_CLOSE_CONTROLLER);
  EXPECT_FALSE(IsWindow(controller));
  EXPECT_EQ(F.Controller->PlayerWindow(), nullptr) << "the player window is closed and freed";
}

TEST_F(ProtocolTest, EventsWithoutClientAreDropped) {
  F.Start();
  F.NoResolvers();
  F.Send(UM_REGISTER_CLIENT, 0, 0);
  F.Play(u"A", u"http://localhost:1/");
  F.Send(UM_STOP);
  EXPECT_EQ(F.Client.Count(UM_PLAYER_EVENT), 0);
  // A client that went away is not a window any more.
  {
    TClientWindow gone;
    F.Send(UM_REGISTER_CLIENT, 0, gone.Handle());
  }
  F.Play(u"A", u"http://localhost:1/");
  F.Send(UM_STOP);
  EXPECT_EQ(F.Client.Count(UM_PLAYER_EVENT), 0);
}

TEST_F(ProtocolTest, PlayerPropertiesOfTheCurrentPlayer) {
  F.Start();
  F.Send(UM_SET_BUFFER, 0, 7000);
  EXPECT_EQ(F.Send(UM_GET_BUFFER), 7000);
  F.Send(UM_SET_TIMEOUT, 0, 3000);
  EXPECT_EQ(F.Send(UM_GET_TIMEOUT), 3000);
  F.Send(UM_SET_ATTEMPTS, 0, 3);
  EXPECT_EQ(F.Send(UM_GET_ATTEMPTS), 3);
  EXPECT_EQ(F.Controller->BassPlayer()->Attempts, 3);
  F.Send(UM_SET_EQ_BAND, 2, -7);
  EXPECT_EQ(F.Send(UM_GET_EQ_BAND, 2), -7);
  EXPECT_EQ(F.Send(UM_GET_EQ_BAND, 99), 0) << "a band outside the equalizer reads as 0";
  EXPECT_EQ(F.Send(UM_GET_CHANNEL), 0);
  EXPECT_EQ(F.Send(UM_GET_BITRATE), 32) << "no stream: the fallback bit rate";
  EXPECT_EQ(F.Send(UM_GET_RECORDER_STATE), rsIdle);
  EXPECT_EQ(F.Send(UM_START_RECORDING), 1) << "nothing plays: refused";
  EXPECT_NE(F.Send(UM_GET_TAGS), 0);
  F.Send(UM_BEEP);
  EXPECT_EQ(F.Beeps, 1);
}

}  // namespace
