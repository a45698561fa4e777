// Recording through the controller: the stream-title rule, the file-name
// rule, raw and converted recordings of live streams, and closing while
// everything runs.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "LiveStream.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "app/RecordingName.h"
#include "audio/Audio.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "engine/Recorder.h"
#include "support/Deploy.h"
#include "support/Encoding.h"

using namespace ctltest;
using testkit::PumpFor;
using testkit::PumpUntil;
using namespace core;
using namespace app;
namespace fs = std::filesystem;

namespace {

// Seconds of the channel the mixer has taken, which is what the encoders
// attached to it were fed.
double PlayedSeconds(audio::DWORD channel) {
  audio::CHANNELINFO info{};
  if (!audio::ChannelGetInfo(channel, &info) || info.freq == 0 || info.chans == 0) return 0;
  const audio::QWORD bytes = audio::ChannelGetPosition(channel, audio::POS_BYTE);
  if (bytes == static_cast<audio::QWORD>(-1)) return 0;
  const double sampleBytes = (info.flags & audio::SAMPLE_FLOAT) ? 4.0 : 2.0;
  return static_cast<double>(bytes) / (info.freq * info.chans * sampleBytes);
}

TEST(RecordingNameTest, StreamTitleRule) {
  EXPECT_EQ(StreamTitle("StreamTitle='Artist - Song';StreamUrl='';", ""), u"Artist - Song");
  EXPECT_EQ(StreamTitle("StreamTitle='Artist - Song'", ""), u"") << "no closing \";\": no title";
  EXPECT_EQ(StreamTitle("StreamTitle= 'x' ;", ""), u"'x'") << "quotes are dropped only at the very ends";
  EXPECT_EQ(StreamTitle("StreamTitle=''Quoted'';", ""), u"'Quoted'");
  EXPECT_EQ(StreamTitle("StreamTitle='A\x01\x1f - B -';", ""), u"A - B");
  // Without in-stream metadata the header tags give title and author.
  EXPECT_EQ(StreamTitle("", "icy-name=X;title=Song;author= Maker ;"), u"Song - Maker");
  EXPECT_EQ(StreamTitle("", "author=Maker;"), u"Maker");
  EXPECT_EQ(StreamTitle("", "title=Song"), u"") << "the last tag without \";\"";
  EXPECT_EQ(StreamTitle("other", "title='Song';"), u"Song");
  // Titles in the old Turkish code page and in UTF-8.
  EXPECT_EQ(StreamTitle("StreamTitle='\xde\x61rk\xfd';", ""), u"Şarkı");
  EXPECT_EQ(StreamTitle("StreamTitle='\xc5\x9e\x61rk\xc4\xb1';", ""), u"Şarkı");
  EXPECT_EQ(StreamTitle("", ""), u"");
  // The same parser as the players': quoted titles run to their closing
  // "';" and references are decoded, in the file name as on screen.
  EXPECT_EQ(StreamTitle("StreamTitle='Guns';N Roses';StreamUrl='';", ""), u"Guns';N Roses");
  EXPECT_EQ(StreamTitle("StreamTitle='307 Ba&#350;ka';", ""), u"307 Ba\u015Eka");
}

TEST(RecordingNameTest, LongNamesAreCutTo255BytesKeepingTheNumberAndExtension) {
  testkit::TempDir dir;
  std::u16string folder = enc::Utf8ToUtf16(dir.Path().string());
  // 3,000 characters, most of them two bytes in UTF-8.
  std::u16string title;
  while (title.size() < 3000) title += u"Şarkı ğüzel ";
  std::u16string path = RecordingFileName(folder, u".aac", true, u"Radyo İstanbul", title);
  ASSERT_FALSE(path.empty());
  const std::string name = fs::path(enc::Utf16ToUtf8(path)).filename().string();
  EXPECT_LE(name.size(), kMaxFileNameBytes);
  EXPECT_GT(name.size(), kMaxFileNameBytes - 8) << "the title is cut, not dropped";
  EXPECT_EQ(name.rfind("Radyo İstanbul - Şarkı ğüzel", 0), 0u) << name;
  EXPECT_EQ(fs::path(name).extension(), ".aac");
  EXPECT_EQ(enc::Utf8ToUtf16(name).find(u"\uFFFD"), std::u16string::npos);
  EXPECT_EQ(enc::Utf16ToUtf8(enc::Utf8ToUtf16(name)), name) << "no letter is cut in half";
  // The name is one the system takes.
  testkit::TempDir::WriteFile(enc::Utf16ToUtf8(path), "x");
  EXPECT_TRUE(fs::exists(enc::Utf16ToUtf8(path)));
  // A station name alone that long gives way too.
  std::u16string station(400, u'Ç');
  path = RecordingFileName(folder, u".mp3", true, station, u"");
  EXPECT_LE(fs::path(enc::Utf16ToUtf8(path)).filename().string().size(), kMaxFileNameBytes);
  EXPECT_EQ(fs::path(enc::Utf16ToUtf8(path)).extension(), ".mp3");
}

TEST(RecordingNameTest, FileNameRule) {
  testkit::TempDir dir;
  std::u16string folder = enc::Utf8ToUtf16(dir.Path().string());
  EXPECT_EQ(CleanFileNamePart(u"a\\b/c:d*e?f\"g<h>i|j"), u"a-b-c-d-e-f-g-h-i-j");
  std::u16string path = RecordingFileName(folder, u".mp3", true, u"Radyo/Bir: Ne?", u"Artist - Song");
  std::u16string prefix = folder + u"/Radyo-Bir- Ne- - Artist - Song - ";
  ASSERT_EQ(path.substr(0, prefix.size()), prefix);
  std::u16string unique = path.substr(prefix.size());
  ASSERT_GT(unique.size(), 4u);
  EXPECT_EQ(unique.substr(unique.size() - 4), u".mp3");
  for (char16_t c : unique.substr(0, unique.size() - 4)) EXPECT_TRUE(std::isxdigit(c) && !std::isupper(c));
  EXPECT_TRUE(fs::is_empty(dir.Path())) << "the reserved name is not left behind";
  std::u16string bare = RecordingFileName(folder, u".ogg", false, u"Radyo", u"");
  EXPECT_EQ(bare.substr(0, folder.size() + 1), folder + u"/");
  EXPECT_EQ(bare.find(u"Radyo"), std::u16string::npos);
  EXPECT_EQ(bare.substr(bare.size() - 4), u".ogg");
  EXPECT_NE(RecordingFileName(folder, u".ogg", false, u"", u""), RecordingFileName(folder, u".ogg", false, u"", u""));
  EXPECT_TRUE(RecordingFileName(folder + u"/missing", u".mp3", true, u"x", u"").empty());
}

TEST(RecordingNameTest, AnEarlierRecordingWithTheSameNumberIsNeverTakenAgain) {
  // The numbers come round again (a 16-bit counter started from the clock):
  // earlier recordings of the station lie in the folder under the numbers
  // that come next, and none of them is handed out again.
  testkit::TempDir dir;
  std::u16string folder = enc::Utf8ToUtf16(dir.Path().string());
  std::u16string first = UniqueRecordingName(folder, u".mp3");
  ASSERT_FALSE(first.empty());
  const unsigned number = std::stoul(enc::Utf16ToUtf8(first), nullptr, 16);
  std::vector<std::string> earlier;
  for (unsigned n = number + 1; n <= number + 20; ++n) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%x", n & 0xFFFF);
    earlier.push_back((dir.Path() / ("Radyo - " + std::string(hex) + ".mp3")).string());
    testkit::TempDir::WriteFile(earlier.back(), "an earlier recording");
  }
  std::u16string path = RecordingFileName(folder, u".mp3", true, u"Radyo", u"");
  ASSERT_FALSE(path.empty());
  EXPECT_FALSE(fs::exists(enc::Utf16ToUtf8(path))) << enc::Utf16ToUtf8(path);
  EXPECT_EQ(enc::Utf16ToUtf8(path).rfind(dir.Path().string() + "/Radyo - ", 0), 0u);
  for (const auto& file : earlier) EXPECT_EQ(testkit::TempDir::ReadFile(file), "an earlier recording") << file;
}

class LiveRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    ASSERT_TRUE(F.AudioOk) << "audio library did not start";
    mp3 = testkit::ReadBytes(Media("tone.mp3"));
    ogg = testkit::ReadBytes(Media("tone.ogg"));
    ASSERT_FALSE(mp3.empty());
    ASSERT_FALSE(ogg.empty());
    Server.Route("/mp3", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::LiveStreamOptions o;
      o.statusLine = "ICY 200 OK";
      o.metaInt = 8192;
      o.title = [](int) { return std::string("Sanat/\xc3\xa7\xc4\xb1: Par\xc3\xa7\x61?"); };
      testkit::ServeLiveStream(Server, c, mp3, o);
    });
    Server.Route("/ogg", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::LiveStreamOptions o;
      o.statusLine = "ICY 200 OK";
      o.contentType = "application/ogg";
      o.bytesPerSecond = 12000;
      testkit::ServeLiveStream(Server, c, ogg, o);
    });
    Server.Route("/silent", [this](const testkit::HttpRequest&, testkit::Connection& c) { ServeSilence(Server, c); });
    F.Options->WriteInt(oiBuffer, 2000);
  }
  void TearDown() override {
    F.Destroy();
    deploy::Reset();
  }

  bool PlayAndWait(const std::u16string& name, const std::string& path) {
    F.Play(name, enc::Utf8ToUtf16(Server.Url(path)));
    return PumpUntil([&] { return F.Send(UM_GET_PLAY_STATE) == psPlaying; }, 15000);
  }

  std::u16string RecordingFile() {
    std::u16string buffer(ProtocolTextLimit + 1, u'\0');
    F.Send(UM_GET_RECORDING_FILE, 0, reinterpret_cast<LPARAM>(buffer.data()));
    return buffer.c_str();
  }

  TControllerFixture F;
  // Before the server: its connection threads read them until it is gone.
  std::string mp3, ogg;
  testkit::FixtureServer Server;
};

TEST_F(LiveRecordingTest, RawMp3WithCleanedNameAndRelayedEvents) {
  F.Options->WriteBool(obEncoder, false);
  F.Start();
  ASSERT_TRUE(PlayAndWait(u"Radyo/Bir: Ne?", "/mp3")) << F.Send(UM_GET_RESULT);
  // Events: connecting first, then buffering, then playing with the channel.
  auto events = F.Client.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), static_cast<WPARAM>(psConnecting));
  EXPECT_EQ(F.Client.CountEvent(psPlaying), 1);
  LRESULT channel = F.Send(UM_GET_CHANNEL);
  EXPECT_NE(channel, 0);
  for (const auto& e : F.Client.Entries()) {
    if (e.Msg == UM_PLAYER_EVENT && e.W == static_cast<WPARAM>(psPlaying)) {
      EXPECT_EQ(e.L, channel);
    }
  }
  ASSERT_TRUE(PumpUntil([&] { return F.Client.Count(UM_PLAYER_META) > 0; }, 10000));
  for (const auto& e : F.Client.Entries()) {
    if (e.Msg == UM_PLAYER_META) {
      EXPECT_NE(e.Text.find("StreamTitle="), std::string::npos);
    }
  }

  // The metadata copy is bounded by the buffer's size.
  char small[8];
  std::memset(small, '#', sizeof small);
  EXPECT_EQ(F.Send(UM_GET_META, 6, reinterpret_cast<LPARAM>(small)), 5);
  EXPECT_EQ(std::string(small), "Strea");
  EXPECT_EQ(small[6], '#');

  ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
  EXPECT_EQ(F.Send(UM_GET_RECORDER_STATE), rsRecording);
  std::u16string file = RecordingFile();
  std::u16string expected = F.RecordFolder + u"/Radyo-Bir- Ne- - Sanat-çı- Parça- - ";
  EXPECT_EQ(file.substr(0, expected.size()), expected);
  EXPECT_EQ(file.substr(file.size() - 4), u".mp3");
  PumpUntil([&] { return F.Send(UM_GET_RECORDED_SIZE) > 20000; }, 10000);
  EXPECT_NE(F.Send(UM_PAUSE_RECORDING, 1), 0) << "a refusal, not a pause the window would show";
  EXPECT_FALSE(F.Controller->Recorder()->Paused) << "a raw recording cannot pause";
  F.Send(UM_STOP_RECORDING);
  EXPECT_EQ(F.Send(UM_GET_RECORDER_STATE), rsIdle);
  fs::path path = enc::Utf16ToUtf8(file);
  EXPECT_GT(fs::file_size(path), 20000u);
  EXPECT_EQ(testkit::ProbeCodec(path), "mp3");

  // A cancelled recording leaves no file.
  ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
  fs::path second = enc::Utf16ToUtf8(RecordingFile());
  EXPECT_NE(second, path);
  EXPECT_TRUE(fs::exists(second));
  F.Send(UM_CANCEL_RECORDING);
  EXPECT_FALSE(fs::exists(second));
  // Cancelling with nothing recording keeps the last finished recording.
  ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
  fs::path third = enc::Utf16ToUtf8(RecordingFile());
  F.Send(UM_STOP_RECORDING);
  ASSERT_TRUE(fs::exists(third));
  F.Send(UM_CANCEL_RECORDING);
  EXPECT_TRUE(fs::exists(third)) << "a finished recording is not cancelled";
}

TEST_F(LiveRecordingTest, StreamNeitherAacNorMp3IsConvertedEvenWhenRawIsAsked) {
  F.Options->WriteBool(obEncoder, false);
  F.Options->WriteInt(oiFormat, 2);  // FLAC
  F.Options->WriteBool(obUsePlayName, false);
  F.Start();
  ASSERT_TRUE(PlayAndWait(u"Ogg Radyo", "/ogg")) << F.Send(UM_GET_RESULT);
  ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
  std::u16string file = RecordingFile();
  EXPECT_EQ(file.substr(file.size() - 5), u".flac");
  EXPECT_EQ(file.find(u"Ogg Radyo"), std::u16string::npos) << "station names only when asked for";
  EXPECT_TRUE(F.Controller->Recorder()->EncodeMode);
  EXPECT_EQ(F.Controller->Recorder()->Codec, "flac");
  // A second of sound for the encoder, however slowly a loaded machine
  // plays it.
  const audio::DWORD source = F.Controller->Recorder()->SourceChannel;
  const double recordedFrom = PlayedSeconds(source);
  ASSERT_TRUE(PumpUntil([&] { return PlayedSeconds(source) >= recordedFrom + 1.0; }, 20000))
      << PlayedSeconds(source) - recordedFrom << " s played since the recording began";
  // A converted recording pauses and goes on, and says so.
  EXPECT_EQ(F.Send(UM_PAUSE_RECORDING, 1), 0);
  EXPECT_TRUE(F.Controller->Recorder()->Paused);
  EXPECT_EQ(F.Send(UM_PAUSE_RECORDING, 0), 0);
  EXPECT_FALSE(F.Controller->Recorder()->Paused);
  F.Send(UM_STOP_RECORDING);
  EXPECT_NE(F.Send(UM_PAUSE_RECORDING, 1), 0) << "nothing records";
  fs::path path = enc::Utf16ToUtf8(file);
  EXPECT_EQ(testkit::ProbeCodec(path), "flac");
  EXPECT_GT(testkit::ProbeDuration(path), 0.5);
}

TEST_F(LiveRecordingTest, AFolderWhoseNameIsNotUtf8GetsTheRecordingsAsRawAndConverted) {
  // Windows-1254 "Kayıtlar Ş": made beside the others, and made by the
  // recorder when it is missing.
  const fs::path folder = F.Dir.Path() / "Kay\xFDtlar \xDE";
  F.Options->WriteStr(osFolder, enc::FileNameToWide(folder.string()));
  F.Options->WriteBool(obUsePlayName, false);
  F.Start();
  ASSERT_TRUE(PlayAndWait(u"Radyo", "/mp3"));
  std::vector<fs::path> files;
  for (bool convert : {false, true}) {
    SCOPED_TRACE(convert ? "converted" : "raw");
    F.Options->WriteBool(obEncoder, convert);
    ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
    files.push_back(enc::WideToFileName(RecordingFile()));
    EXPECT_EQ(files.back().parent_path(), folder);
    PumpUntil([&] { return F.Send(UM_GET_RECORDED_SIZE) > 8000; }, 10000);
    F.Send(UM_STOP_RECORDING);
    EXPECT_EQ(testkit::ProbeCodec(files.back()), "mp3");
  }
  std::error_code error;
  int found = 0;
  for (const auto& entry : fs::directory_iterator(folder, error)) found += entry.path().extension() == ".mp3";
  EXPECT_EQ(found, 2);
  EXPECT_NE(files[0], files[1]);
}

TEST_F(LiveRecordingTest, MissingFolderBeepsAndRefuses) {
  // A file where the folder should be: the folder cannot be made.
  fs::path blocker = F.Dir.Path() / "blocker";
  testkit::TempDir::WriteFile(blocker, "x");
  F.Options->WriteStr(osFolder, enc::Utf8ToUtf16((blocker / "sub").string()));
  F.Start();
  ASSERT_TRUE(PlayAndWait(u"R", "/mp3"));
  EXPECT_EQ(F.Send(UM_START_RECORDING), 1);
  EXPECT_EQ(F.Beeps, 1);
  EXPECT_EQ(F.Send(UM_GET_RECORDER_STATE), rsIdle);
}

TEST_F(LiveRecordingTest, ClosingWhileARequestHangsAStreamConnectsAndARecordingRuns) {
  Server.Route("/qor/version.xml", [this](const testkit::HttpRequest&, testkit::Connection& c) { ServeSilence(Server, c); });
  deploy::SetValue(deploy::VendorApiHost, "127.0.0.1:" + std::to_string(Server.Port()));
  F.Options->WriteBool(obEncoder, true);
  F.Options->WriteInt(oiFormat, 4);
  F.Start();
  ASSERT_TRUE(PlayAndWait(u"Kapanış", "/mp3"));
  ASSERT_EQ(F.Send(UM_START_RECORDING), 0);
  std::u16string file = RecordingFile();
  const audio::DWORD source = F.Controller->Recorder()->SourceChannel;
  const double recordedFrom = PlayedSeconds(source);
  ASSERT_TRUE(PumpUntil([&] { return Server.RequestCount("/qor/version.xml") == 1; }, 5000));
  ASSERT_TRUE(F.Controller->UpdateCheck()->VersionBusy());
  ASSERT_TRUE(PumpUntil([&] { return PlayedSeconds(source) >= recordedFrom + 1.2; }, 20000))
      << PlayedSeconds(source) - recordedFrom << " s played since the recording began";
  // Another station on the other player, connecting to a server that
  // never answers; the first one is stopped before it starts.
  F.Play(u"Sessiz", enc::Utf8ToUtf16("ffmpeg+" + Server.Url("/silent")));
  PumpFor(300);
  LRESULT state = F.Send(UM_GET_PLAY_STATE);
  ASSERT_TRUE(state == psConnecting || state == psBuffering) << state;
  ASSERT_EQ(F.Controller->BassPlayer()->State, psStopped);

  auto start = std::chrono::steady_clock::now();
  F.Destroy();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(took.count(), 2000);
  fs::path path = enc::Utf16ToUtf8(file);
  EXPECT_EQ(testkit::ProbeCodec(path), "mp3");
  EXPECT_GT(testkit::ProbeDuration(path), 0.8);
}

TEST_F(LiveRecordingTest, ClosingWhileTheDirectPlayerConnectsToASilentServer) {
  F.Start();
  F.Play(u"Sessiz", enc::Utf8ToUtf16(Server.Url("/silent")));
  ASSERT_TRUE(PumpUntil([&] { return Server.RequestCount("/silent") > 0; }, 5000));
  PumpFor(200);
  ASSERT_EQ(F.Send(UM_GET_PLAY_STATE), psConnecting);

  auto start = std::chrono::steady_clock::now();
  F.Destroy();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_LT(took.count(), 2000) << "the connection time-out is 15 s";
}

}  // namespace
