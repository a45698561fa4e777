// The recorder: its tables and command line, raw recording of a live ICY
// stream through the BASS player's download tap, and encoding with the
// real ffmpeg in every format.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "PlayerTestKit.h"
#include "Shell.h"
#include "TempDir.h"
#include "engine/BassRadioPlayer.h"
#include "audio/Frames.h"
#include "engine/Recorder.h"
#include "support/Encoding.h"

using namespace playertest;
namespace fs = std::filesystem;

namespace {

using testkit::RunAndRead;

// ffprobe's view of the first audio stream and the container, as
// "codec", "rate", "channels", "bitrate" (of the stream), "format_bitrate"
// and "duration"; absent values are missing from the map.
std::map<std::string, std::string> Probe(const fs::path& file) {
  std::string text = RunAndRead("ffprobe -v error -select_streams a:0 -show_entries "
                                "stream=codec_name,sample_rate,channels,bit_rate:format=bit_rate,duration -of flat " +
                                testkit::ShellQuote(file.string()) + " 2>/dev/null");
  std::map<std::string, std::string> names = {{"streams.stream.0.codec_name", "codec"},
                                              {"streams.stream.0.sample_rate", "rate"},
                                              {"streams.stream.0.channels", "channels"},
                                              {"streams.stream.0.bit_rate", "bitrate"},
                                              {"format.bit_rate", "format_bitrate"},
                                              {"format.duration", "duration"}};
  std::map<std::string, std::string> result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    auto it = names.find(line.substr(0, eq));
    if (it != names.end() && value != "N/A") result[it->second] = value;
  }
  return result;
}

// Decoding the whole file reports no error.
std::string DecodeErrors(const fs::path& file) {
  return RunAndRead("ffmpeg -nostdin -v error -i " + testkit::ShellQuote(file.string()) + " -f null - 2>&1");
}

audio::HSTREAM OpenMedia(const std::string& name) {
  std::u16string path = enc::Utf8ToUtf16(Media(name).string());
  return audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::UNICODE);
}

}  // namespace

TEST(RecorderTables, RatesBitratesAndFormats) {
  EXPECT_EQ(TRecorder::SampleRate(0), 8000);
  EXPECT_EQ(TRecorder::SampleRate(4), 22050);
  EXPECT_EQ(TRecorder::SampleRate(8), 48000);
  EXPECT_EQ(TRecorder::SampleRate(9), 44100);
  EXPECT_EQ(TRecorder::SampleRate(-1), 44100);

  // Low rates: eight entries, 40 outside.
  EXPECT_EQ(TRecorder::Bitrate(0, 0), 8);
  EXPECT_EQ(TRecorder::Bitrate(2, 7), 64);
  EXPECT_EQ(TRecorder::Bitrate(1, 8), 40);
  EXPECT_EQ(TRecorder::Bitrate(1, 10), 40);
  EXPECT_EQ(TRecorder::Bitrate(1, -1), 40);
  EXPECT_EQ(TRecorder::BitrateCount(2), 8);
  // Middle rates: fourteen entries up to 160, 80 outside.
  EXPECT_EQ(TRecorder::Bitrate(3, 8), 80);
  EXPECT_EQ(TRecorder::Bitrate(4, 13), 160);
  EXPECT_EQ(TRecorder::Bitrate(5, 14), 80);
  EXPECT_EQ(TRecorder::BitrateCount(5), 14);
  // From 32000 Hz on, and for any index beyond: up to 320, 128 outside.
  EXPECT_EQ(TRecorder::Bitrate(6, 0), 32);
  EXPECT_EQ(TRecorder::Bitrate(7, 8), 128);
  EXPECT_EQ(TRecorder::Bitrate(8, 13), 320);
  EXPECT_EQ(TRecorder::Bitrate(9, 13), 320);
  EXPECT_EQ(TRecorder::Bitrate(7, 14), 128);
  // A negative rate index counts as a huge unsigned one: the last table.
  EXPECT_EQ(TRecorder::Bitrate(-1, 0), 32);

  const char16_t* extensions[] = {u".aac", u".ac3", u".flac", u".m4a", u".mp3", u".ogg", u".opus", u".wav"};
  for (int i = 0; i < TRecorder::FormatCount; ++i) EXPECT_EQ(TRecorder::Extension(i), extensions[i]) << i;
  EXPECT_EQ(TRecorder::Extension(8), u".mp3");
  EXPECT_EQ(TRecorder::Extension(-1), u".mp3");
  EXPECT_EQ(std::u16string(TRecorder::Format(3).Encoder), u"aac");
  EXPECT_EQ(std::u16string(TRecorder::Format(6).Encoder), u"libopus");

  TRecorder recorder;
  EXPECT_EQ(recorder.State.load(), rsIdle);
  EXPECT_TRUE(recorder.EncodeMode.load());
  EXPECT_EQ(recorder.Codec, "libmp3lame");
  EXPECT_EQ(TRecorder::SampleRate(recorder.SampleRateIndex), 44100);
  EXPECT_EQ(TRecorder::Bitrate(recorder.SampleRateIndex, recorder.BitrateIndex), 128);
}

TEST(RecorderCommandLine, FollowsTheSourceChannelAndTheChoices) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  TRecorder recorder;
  audio::HSTREAM stereo = audio::StreamCreate(44100, 2, 0, audio::STREAMPROC_PUSH, nullptr);
  ASSERT_NE(stereo, 0u);
  recorder.SourceChannel = stereo;
  recorder.Codec = enc::Utf16ToUtf8(TRecorder::Format(5).Encoder);
  recorder.SampleRateIndex = 4;
  recorder.BitrateIndex = 13;
  recorder.FileName = u"/home/user/Kayıtlar/Radyo - 1a2b.ogg";
  EXPECT_EQ(recorder.CommandLine(), u"ffmpeg -ac 2 -ar 44100 -f s16le -i pipe:0 -ac 2 -ar 22050 -ab 160k "
                                    u"-c:a libvorbis -flush_packets 1 -y \"/home/user/Kayıtlar/Radyo - 1a2b.ogg\"");
  recorder.SampleRateIndex = 1;
  recorder.BitrateIndex = 10;
  recorder.Codec = "libmp3lame";
  recorder.FileName = u"/r/a.mp3";
  EXPECT_EQ(recorder.CommandLine(),
            u"ffmpeg -ac 2 -ar 44100 -f s16le -i pipe:0 -ac 2 -ar 11025 -ab 40k -c:a libmp3lame -flush_packets 1 -y \"/r/a.mp3\"");

  // The input half describes the source as it is.
  audio::HSTREAM mono = OpenMedia("mono.wav");
  ASSERT_NE(mono, 0u);
  recorder.SourceChannel = mono;
  EXPECT_EQ(recorder.CommandLine().substr(0, 32), u"ffmpeg -ac 1 -ar 22050 -f s16le ");
  audio::StreamFree(mono);
  audio::StreamFree(stereo);

  // Quotes in a name are escaped so that the name stays one argument.
  EXPECT_EQ(TRecorder::BuildCommandLine(2, 44100, 44100, 128, "flac", u"/a/say \"hi\".flac"),
            u"ffmpeg -ac 2 -ar 44100 -f s16le -i pipe:0 -ac 2 -ar 44100 -ab 128k -c:a flac -flush_packets 1 -y \"/a/say \\\"hi\\\".flac\"");
  EXPECT_EQ(TRecorder::BuildCommandLine(2, 44100, 44100, 128, "flac", u"/a\\b\\"),
            u"ffmpeg -ac 2 -ar 44100 -f s16le -i pipe:0 -ac 2 -ar 44100 -ab 128k -c:a flac -flush_packets 1 -y \"/a\\b\\\\\"");
}

namespace {

// Serves `audio` once as an ICY stream with metadata every `metaInt`
// bytes, in `pieces` paced parts, then closes; later requests get 404.
void ServeOnce(testkit::FixtureServer& server, const std::string& path, const std::string& audio, size_t metaInt,
               int pieces, std::atomic<int>& served) {
  server.Route(path, [&server, &audio, metaInt, pieces, &served](const testkit::HttpRequest&,
                                                                 testkit::Connection& c) {
    if (served.fetch_add(1) > 0) {
      testkit::FixtureServer::Respond(c, 404, "text/plain", "gone");
      return;
    }
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name:Kayit Test\r\nicy-br:128\r\n"
                       "icy-metaint:" + std::to_string(metaInt) + "\r\n\r\n";
    if (!c.Write(head)) return;
    std::string wire;
    int block = 0;
    for (size_t pos = 0; pos < audio.size(); pos += metaInt) {
      wire += audio.substr(pos, metaInt);
      if (pos + metaInt > audio.size()) break;
      // Every other block repeats the title with an empty metadata block.
      if (block % 2 == 1) {
        wire += std::string(1, '\0');
      } else {
        std::string text = "StreamTitle='Sanatci - Sarki " + std::to_string(block) + "';";
        size_t blocks = (text.size() + 15) / 16;
        text.resize(blocks * 16, '\0');
        wire += std::string(1, static_cast<char>(blocks)) + text;
      }
      ++block;
    }
    size_t step = (wire.size() + pieces - 1) / pieces;
    for (size_t pos = 0; pos < wire.size(); pos += step) {
      if (!c.Write(wire.substr(pos, step))) return;
      server.SleepFor(std::chrono::milliseconds(40));
    }
    c.Close();
  });
}

}  // namespace

TEST(RecorderRaw, WritesExactlyTheStreamsAudioBytesAndIgnoresPause) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  // The dropped connection must not be followed by a second copy.
  audio::SetConfig(audio::CONFIG_NET_RECONNECT, 0);
  const std::string mp3 = ReadBytes(Media("short.mp3"));
  ASSERT_GT(mp3.size(), 10000u);
  std::atomic<int> served{0};
  testkit::FixtureServer server;
  ServeOnce(server, "/raw", mp3, 2000, 8, served);
  testkit::TempDir dir;

  TRecorder recorder;
  ASSERT_EQ(ProcessRecorder(), &recorder);
  recorder.EncodeMode = false;
  recorder.FileName = enc::Utf8ToUtf16((dir / "kayıt.mp3").string());
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  EXPECT_EQ(recorder.State.load(), rsRecording);
  EXPECT_EQ(recorder.RecordedSize(), 0);

  TBassRadioPlayer player;
  player.Address = server.Url("/raw");
  ASSERT_TRUE(player.Play());
  ASSERT_TRUE(PumpUntil([&] { return recorder.BytesWritten() > 0; }));
  recorder.Pause();
  EXPECT_FALSE(recorder.Paused) << "raw recording cannot pause";
  ASSERT_TRUE(PumpUntil([&] { return recorder.BytesWritten() >= mp3.size(); }, 8000))
      << recorder.BytesWritten() << " of " << mp3.size();
  recorder.Resume();
  player.Stop();
  EXPECT_EQ(recorder.RecordedSize(), static_cast<int64_t>(mp3.size()));
  recorder.Stop();
  EXPECT_EQ(recorder.State.load(), rsIdle);
  EXPECT_EQ(served.load(), 1);

  std::string recorded = ReadBytes(dir / "kayıt.mp3");
  ASSERT_EQ(recorded.size(), mp3.size());
  EXPECT_TRUE(recorded == mp3) << "the metadata blocks must not reach the file";
  auto probe = Probe(dir / "kayıt.mp3");
  EXPECT_EQ(probe["codec"], "mp3");
  EXPECT_NEAR(std::atof(probe["duration"].c_str()), 1.0, 0.15);
  EXPECT_EQ(DecodeErrors(dir / "kayıt.mp3"), "");
}

TEST(RecorderRaw, StopNeverClosesTheFileUnderAWritingThread) {
  testkit::TempDir dir;
  TRecorder recorder;
  recorder.EncodeMode = false;
  recorder.FileName = enc::Utf8ToUtf16((dir / "race.aac").string());
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  std::string block(1000, 'a');
  std::atomic<bool> quit{false};
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      std::string mine(1000, static_cast<char>('a' + t));
      while (!quit.load()) FeedProcessRecorder(mine.data(), static_cast<uint32_t>(mine.size()));
    });
  }
  while (recorder.BytesWritten() < 200000) std::this_thread::yield();
  recorder.Stop();
  uint64_t atStop = recorder.BytesWritten();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  quit = true;
  for (auto& w : writers) w.join();
  EXPECT_EQ(recorder.BytesWritten(), atStop) << "nothing is counted after Stop";
  EXPECT_EQ(recorder.WriteRaw(block.data(), 1000), 0);
  std::string file = ReadBytes(dir / "race.aac");
  ASSERT_EQ(file.size(), atStop);
  ASSERT_EQ(file.size() % 1000, 0u);
  // Blocks are never torn or interleaved.
  for (size_t i = 0; i < file.size(); i += 1000)
    ASSERT_EQ(file.compare(i, 1000, std::string(1000, file[i])), 0) << i;

  // Restarting (into a new file) counts from zero; bad blocks and an idle
  // recorder write nothing.
  recorder.FileName = enc::Utf8ToUtf16((dir / "again.aac").string());
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  EXPECT_EQ(recorder.BytesWritten(), 0u);
  EXPECT_EQ(recorder.WriteRaw(nullptr, 10), 0);
  EXPECT_EQ(recorder.WriteRaw(block.data(), 0), 0);
  EXPECT_EQ(recorder.WriteRaw(block.data(), -5), 0);
  EXPECT_EQ(recorder.WriteRaw(block.data(), 10), 10);
  recorder.State = rsIdle;
  EXPECT_EQ(recorder.WriteRaw(block.data(), 10), 0);
  recorder.Stop();
  EXPECT_EQ(recorder.RecordedSize(), 10);
}

TEST(RecorderRaw, StartsAtAFrameBoundaryWhateverTheFirstBlock) {
  const std::string mp3 = ReadBytes(Media("short.mp3"));
  const std::string aac = ReadBytes(Media("tone.aac"));
  ASSERT_GT(mp3.size(), 12000u);
  ASSERT_GT(aac.size(), 12000u);
  testkit::TempDir dir;
  for (bool isAac : {false, true}) {
    SCOPED_TRACE(isAac ? "aac" : "mp3");
    const std::string& source = isAac ? aac : mp3;
    TRecorder recorder;
    recorder.EncodeMode = false;
    recorder.RawAac = isAac;
    const fs::path file = dir / (isAac ? "mid.aac" : "mid.mp3");
    recorder.FileName = enc::Utf8ToUtf16(file.string());
    ASSERT_EQ(recorder.Start(), REC_START_OK);
    // The recording begins in the middle of a frame, in small blocks.
    const std::string joined = source.substr(5001);
    for (size_t at = 0; at < joined.size(); at += 700)
      EXPECT_EQ(recorder.WriteRaw(joined.data() + at, static_cast<int>(std::min<size_t>(700, joined.size() - at))),
                static_cast<int>(std::min<size_t>(700, joined.size() - at)));
    recorder.Stop();
    const std::string recorded = ReadBytes(file);
    EXPECT_EQ(audio::FirstFrameStart(recorded, isAac), 0u);
    EXPECT_GT(recorded.size(), joined.size() - 2000);
    EXPECT_EQ(recorded, joined.substr(joined.size() - recorded.size())) << "only the broken start is dropped";
    EXPECT_EQ(DecodeErrors(file), "");
    EXPECT_EQ(recorder.Failure(), 0);
  }
}

namespace {

// While it lives, files of this process cannot grow past `bytes`: a write
// beyond fails (EFBIG) as one on a full disk does.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &FOld);
    FOldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = FOld;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &FOld);
    std::signal(SIGXFSZ, FOldSignal);
  }

 private:
  rlimit FOld{};
  void (*FOldSignal)(int) = nullptr;
};

}  // namespace

TEST(RecorderRaw, AFullDiskStopsWritingAndIsReportedOnce) {
  testkit::TempDir dir;
  TRecorder recorder;
  std::atomic<int> reports{0};
  recorder.OnFailure = [&] { ++reports; };
  recorder.EncodeMode = false;
  recorder.FileName = enc::Utf8ToUtf16((dir / "full.mp3").string());
  const std::string mp3 = ReadBytes(Media("short.mp3"));
  {
    TFileSizeLimit limit(3000);
    ASSERT_EQ(recorder.Start(), REC_START_OK);
    for (int i = 0; i < 5; ++i) recorder.WriteRaw(mp3.data() + i * 2000, 2000);
    EXPECT_EQ(recorder.Failure(), EFBIG);
    EXPECT_EQ(reports.load(), 1);
    EXPECT_EQ(recorder.WriteRaw(mp3.data(), 100), 0) << "nothing more is tried after the failure";
    recorder.Stop();
  }
  EXPECT_EQ(recorder.State.load(), rsIdle);
  EXPECT_EQ(ReadBytes(dir / "full.mp3").size(), 3000u) << "what was written stays";
  EXPECT_NE(TRecorder::FailureText(ENOSPC).find("no space left"), std::string::npos);
  // A new recording starts clean.
  recorder.FileName = enc::Utf8ToUtf16((dir / "next.mp3").string());
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  EXPECT_EQ(recorder.Failure(), 0);
  recorder.Stop();
}

TEST(RecorderFiles, AnExistingFileIsNeverEmptied) {
  // Two instances may pick the same free name at the same moment: the one
  // that comes second must leave the other's file alone.
  testkit::TempDir dir;
  for (bool encode : {false, true}) {
    SCOPED_TRACE(encode ? "encoding" : "raw");
    const fs::path file = dir / (encode ? "taken.ogg" : "taken.mp3");
    testkit::TempDir::WriteFile(file, "the other recording");
    TRecorder recorder;
    recorder.EncodeMode = encode;
    recorder.FileName = enc::Utf8ToUtf16(file.string());
    try {
      const int result = recorder.Start();
      ADD_FAILURE() << "Start gave " << result << " instead of refusing the name";
    } catch (const std::system_error& e) {
      EXPECT_EQ(e.code(), std::errc::file_exists);
    }
    EXPECT_EQ(recorder.State.load(), rsIdle);
    EXPECT_EQ(recorder.WriteRaw("abc", 3), 0);
    recorder.Stop();
    EXPECT_EQ(ReadBytes(file), "the other recording");
  }
}

TEST(RecorderRaw, FileThatCannotBeCreatedRaisesAndStaysIdle) {
  TRecorder recorder;
  recorder.EncodeMode = false;
  recorder.FileName = u"/no/such/folder/x.mp3";
  EXPECT_THROW(recorder.Start(), std::system_error);
  EXPECT_EQ(recorder.State.load(), rsIdle);
  EXPECT_EQ(recorder.WriteRaw("abc", 3), 0);
}

TEST(RecorderRaw, OnlyTheRegisteredRecorderIsFedAndItLeavesOnDestruction) {
  {
    TRecorder first;
    EXPECT_EQ(ProcessRecorder(), &first);
    {
      TRecorder second;
      EXPECT_EQ(ProcessRecorder(), &second);
    }
    EXPECT_EQ(ProcessRecorder(), nullptr);
    SetProcessRecorder(&first);
  }
  EXPECT_EQ(ProcessRecorder(), nullptr);
  FeedProcessRecorder("abc", 3);  // nobody registered: nothing happens
}

namespace {

struct TFormatCase {
  int format;
  int rateIndex;
  int bitrateIndex;
  const char* fileName;
  const char* codec;  // as ffprobe names it
  int rate;
  int bitrate;  // expected stream bit rate in bit/s (0: not checked)
  double bitrateTolerance;
};

}  // namespace

TEST(RecorderEncode, EveryFormatComesOutWithTheTablesRateAndBitrate) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  testkit::TempDir dir;
  const TFormatCase cases[] = {
      {0, 7, 4, "a.aac", "aac", 44100, 64000, 0.2},
      {1, 8, 9, "a.ac3", "ac3", 48000, 160000, 0},
      {2, 6, 0, "a.flac", "flac", 32000, 0, 0},
      {3, 4, 5, "a.m4a", "aac", 22050, 48000, 0.2},
      {4, 1, 10, "a.mp3", "mp3", 11025, 40000, 0},
      {5, 4, 13, "a.ogg", "vorbis", 22050, 160000, 0},
      {6, 8, 4, "a.opus", "opus", 48000, 0, 0},
      // Quotes, an apostrophe and backslashes reach the encoder as one argument.
      {7, 1, 3, "it's \"kayıt\" a\\\"b\\ now.wav", "pcm_s16le", 11025, 11025 * 32, 0},
  };
  std::vector<std::unique_ptr<TRecorder>> recorders;
  std::vector<audio::HSTREAM> channels;
  // All at once, each from its own channel: the test lasts one clip.
  for (const auto& c : cases) {
    audio::HSTREAM channel = OpenMedia("short.mp3");
    ASSERT_NE(channel, 0u);
    auto recorder = std::make_unique<TRecorder>();
    recorder->SourceChannel = channel;
    recorder->Codec = enc::Utf16ToUtf8(TRecorder::Format(c.format).Encoder);
    recorder->SampleRateIndex = c.rateIndex;
    recorder->BitrateIndex = c.bitrateIndex;
    recorder->FileName = enc::Utf8ToUtf16((dir / c.fileName).string());
    ASSERT_EQ(recorder->Start(), REC_START_OK) << c.fileName;
    EXPECT_EQ(recorder->State.load(), rsRecording);
    EXPECT_NE(recorder->EncoderHandle, 0u);
    recorders.push_back(std::move(recorder));
    channels.push_back(channel);
  }
  for (audio::HSTREAM channel : channels) ASSERT_TRUE(audio::ChannelPlay(channel, 0));
  for (audio::HSTREAM channel : channels)
    ASSERT_TRUE(PumpUntil([&] { return audio::ChannelIsActive(channel) == audio::ACTIVE_STOPPED; }, 6000));
  for (auto& recorder : recorders) {
    recorder->Stop();
    EXPECT_EQ(recorder->State.load(), rsIdle);
    EXPECT_EQ(recorder->EncoderHandle, 0u);
  }
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.fileName);
    fs::path file = dir / c.fileName;
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(recorders[i]->RecordedSize(), static_cast<int64_t>(fs::file_size(file)));
    auto probe = Probe(file);
    EXPECT_EQ(probe["codec"], c.codec);
    EXPECT_EQ(probe["rate"], std::to_string(c.rate));
    EXPECT_EQ(probe["channels"], "2");
    EXPECT_NEAR(std::atof(probe["duration"].c_str()), 1.0, 0.2);
    if (c.bitrate && c.bitrateTolerance == 0) {
      EXPECT_EQ(probe["bitrate"], std::to_string(c.bitrate));
    } else if (c.bitrate) {
      EXPECT_NEAR(std::atof(probe["bitrate"].c_str()), c.bitrate, c.bitrate * c.bitrateTolerance);
    }
    EXPECT_EQ(DecodeErrors(file), "");
  }
  // Opus carries no nominal rate; its average follows the choice.
  double opus = std::atof(Probe(dir / "a.opus")["format_bitrate"].c_str());
  EXPECT_GT(opus, 64000 * 0.6);
  EXPECT_LT(opus, 64000 * 1.4);
  for (audio::HSTREAM channel : channels) audio::StreamFree(channel);
}

namespace {

// The tone as the recorder's source, to be recorded into file.
audio::HSTREAM AimAtTone(TRecorder& recorder, const fs::path& file) {
  audio::HSTREAM channel = OpenMedia("tone.mp3");
  recorder.SourceChannel = channel;
  recorder.FileName = enc::Utf8ToUtf16(file.string());
  return channel;
}

}  // namespace

TEST(RecorderEncode, PauseAndResumeLeaveOneContinuousValidFile) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  testkit::TempDir dir;
  TRecorder recorder;
  audio::HSTREAM channel = AimAtTone(recorder, dir / "paused.mp3");
  ASSERT_NE(channel, 0u);
  // Pausing an idle recorder does nothing.
  recorder.Pause();
  EXPECT_FALSE(recorder.Paused);
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  ASSERT_TRUE(audio::ChannelPlay(channel, 0));
  auto playedAtLeast = [&](double seconds) {
    return PumpUntil([&] { return audio::ChannelGetPosition(channel, audio::POS_DECODE) >= seconds * 176400; }, 5000);
  };
  ASSERT_TRUE(playedAtLeast(0.6));
  recorder.Pause();
  EXPECT_TRUE(recorder.Paused);
  ASSERT_TRUE(playedAtLeast(1.4));
  recorder.Resume();
  EXPECT_FALSE(recorder.Paused);
  ASSERT_TRUE(playedAtLeast(2.0));
  recorder.Stop();
  EXPECT_FALSE(recorder.Paused);
  audio::StreamFree(channel);

  fs::path file = dir / "paused.mp3";
  auto probe = Probe(file);
  EXPECT_EQ(probe["codec"], "mp3");
  EXPECT_EQ(probe["bitrate"], "128000");
  EXPECT_EQ(probe["rate"], "44100");
  // Two seconds played, about 0.8 of them while paused.
  EXPECT_NEAR(std::atof(probe["duration"].c_str()), 1.2, 0.25);
  EXPECT_EQ(DecodeErrors(file), "");
  EXPECT_EQ(recorder.RecordedSize(), static_cast<int64_t>(fs::file_size(file)));
}

TEST(RecorderEncode, TheFileGrowsOnDiskWhileItIsRecorded) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  testkit::TempDir dir;
  TRecorder recorder;
  audio::HSTREAM channel = AimAtTone(recorder, dir / "growing.mp3");
  ASSERT_NE(channel, 0u);
  ASSERT_EQ(recorder.Start(), REC_START_OK);
  ASSERT_TRUE(audio::ChannelPlay(channel, 0));
  // Eight seconds of the tone come to far less than the encoder's usual
  // block; the size shown must not wait for that block.
  const double limit = 8.0 * 176400;
  auto fed = [&] { return static_cast<double>(audio::ChannelGetPosition(channel, audio::POS_DECODE)); };
  ASSERT_TRUE(PumpUntil([&] { return recorder.RecordedSize() > 0 || fed() >= limit; }, 60000));
  EXPECT_GT(recorder.RecordedSize(), 0) << "after " << fed() / 176400 << " s of sound";
  EXPECT_LT(fed(), limit);
  recorder.Stop();
  audio::StreamFree(channel);
  EXPECT_EQ(DecodeErrors(dir / "growing.mp3"), "");
}

TEST(RecorderEncode, EncoderThatCannotStartGivesOneAndStaysIdle) {
  TAudioLibrary lib;
  REQUIRE_AUDIO(lib);
  testkit::TempDir dir;
  TRecorder recorder;
  recorder.FileName = enc::Utf8ToUtf16((dir / "none.mp3").string());
  recorder.SourceChannel = 0;
  EXPECT_EQ(recorder.Start(), REC_START_ENCODER_FAILED);
  EXPECT_EQ(recorder.State.load(), rsIdle);
  EXPECT_EQ(recorder.EncoderHandle, 0u);

  audio::HSTREAM channel = OpenMedia("short.mp3");
  ASSERT_NE(channel, 0u);
  recorder.SourceChannel = channel;
  {
    testkit::EnvScope path("PATH", "/nonexistent");
    EXPECT_EQ(recorder.Start(), REC_START_ENCODER_FAILED) << "no ffmpeg on the search path";
  }
  EXPECT_EQ(recorder.State.load(), rsIdle);
  recorder.Pause();
  EXPECT_FALSE(recorder.Paused);
  recorder.Stop();
  EXPECT_EQ(recorder.RecordedSize(), 0);
  audio::StreamFree(channel);
}
