// The demuxer of an internet stream: the content type holds unless the
// first bytes prove the other format by two consecutive frame headers.
#include <gtest/gtest.h>

#include "AudioTestUtil.h"
#include "audio/internal/ContentSniff.h"

using namespace audio::detail;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace

TEST(ContentSniff, FrameHeadersParseWithTheirLengths) {
  // MPEG-1 layer III, 128 kbit/s, 44100 Hz, no padding: 417 bytes.
  const std::string mp3 = Bytes({0xFF, 0xFB, 0x90, 0x64});
  EXPECT_EQ(Mp3FrameLength(reinterpret_cast<const unsigned char*>(mp3.data())), 417u);
  // Free format, a bad rate index and the reserved layer are no headers.
  for (const auto& bad : {Bytes({0xFF, 0xFB, 0x00, 0x64}), Bytes({0xFF, 0xFB, 0xF0, 0x64}), Bytes({0xFF, 0xF9, 0x90, 0x64})})
    EXPECT_EQ(Mp3FrameLength(reinterpret_cast<const unsigned char*>(bad.data())), 0u);
  // ADTS, no CRC, 44100 Hz, a frame of 371 bytes.
  const std::string adts = Bytes({0xFF, 0xF1, 0x50, 0x80, 0x2E, 0x7F, 0xFC});
  EXPECT_EQ(AdtsFrameLength(reinterpret_cast<const unsigned char*>(adts.data())), 371u);
  // An ADTS header is never an MPEG audio header: its layer bits are 00.
  EXPECT_EQ(Mp3FrameLength(reinterpret_cast<const unsigned char*>(adts.data())), 0u);
}

TEST(ContentSniff, TheContentTypeHoldsUnlessTheOtherFormatParsesTwice) {
  const std::string mp3 = testkit::ReadBytes(audiotest::Media("sine440.mp3"));
  const std::string aac = testkit::ReadBytes(audiotest::Media("sine440.aac"));
  ASSERT_GT(mp3.size(), 40000u);
  ASSERT_GT(aac.size(), 40000u);
  // Past any tag, in the middle of the streams, at many start offsets.
  int aacKept = 0, mp3Kept = 0;
  for (size_t offset = 20000; offset < 20000 + 200 * 37; offset += 37) {
    const std::string aacHead = aac.substr(offset, 2048);
    const std::string mp3Head = mp3.substr(offset, 2048);
    aacKept += FormatFor("audio/aacp", aacHead) == "aac";
    mp3Kept += FormatFor("audio/mpeg", mp3Head) == "mp3";
    // Servers that name the other format are corrected by the frames.
    EXPECT_EQ(FormatFor("audio/mpeg", aacHead), "aac") << offset;
    EXPECT_EQ(FormatFor("audio/aac", mp3Head), "mp3") << offset;
    EXPECT_EQ(FormatFor("application/octet-stream", aacHead), "aac") << offset;
  }
  EXPECT_EQ(aacKept, 200);
  EXPECT_EQ(mp3Kept, 200);
  // A two-byte sync pattern alone proves nothing.
  EXPECT_EQ(FormatFor("audio/aac", Bytes({0x12, 0xFF, 0xE1, 0x40, 0x00, 0x33, 0x00, 0x00})), "aac");
  EXPECT_EQ(FormatFor("audio/mpeg", Bytes({0xFF, 0xF1, 0x50, 0x80, 0x2E, 0x7F, 0xFC, 0x00})), "mp3");
  EXPECT_EQ(FormatFor("Audio/MPEG; charset=x", "ID3\x04"), "mp3");
  EXPECT_EQ(FormatFor("audio/mpeg", "OggS\0\0"), "ogg");
  EXPECT_EQ(FormatFor("text/html", "<html>"), "");
}

TEST(ContentSniff, FrameRunsGiveTheBytesAndSecondsOfWholeFrames) {
  const std::string aac = testkit::ReadBytes(audiotest::Media("sine440.aac"));
  const std::string mp3 = testkit::ReadBytes(audiotest::Media("sine440.mp3"));
  const double aacSeconds = audiotest::AdtsSeconds(audiotest::Media("sine440.aac"));
  ASSERT_GT(aac.size(), 100000u);
  ASSERT_GT(mp3.size(), 100000u);
  ASSERT_GT(aacSeconds, 9.9);
  // A whole ADTS file is one run.
  TFrameRun run = MeasureFrames(aac, "aac");
  EXPECT_EQ(run.bytes, aac.size());
  EXPECT_NEAR(run.seconds, aacSeconds, 1e-6);
  // From the middle of a frame, in a buffer that ends in the middle of
  // one: whole frames only, 1152 samples each for MPEG-1 layer III.
  const std::string middle = mp3.substr(20001, 40000);
  run = MeasureFrames(middle, "mp3");
  EXPECT_GT(run.bytes, middle.size() - 2 * 418);
  EXPECT_LE(run.bytes, middle.size());
  EXPECT_NEAR(run.seconds, run.frames * 1152 / 44100.0, 1e-9);
  EXPECT_NEAR(run.bytes * 8 / run.seconds, 128000, 1000);
  // The run ends where the frames stop: at bytes that are no frame, or at
  // frames of the other format.
  const uint64_t whole = MeasureFrames(aac.substr(0, 20000), "aac").bytes;
  EXPECT_GT(whole, 19000u);
  EXPECT_EQ(MeasureFrames(aac.substr(0, whole) + std::string(5000, '\x55') + aac.substr(whole), "aac").bytes, whole);
  EXPECT_EQ(MeasureFrames(aac.substr(0, whole) + mp3.substr(20001), "aac").bytes, whole);
  EXPECT_EQ(MeasureFrames(std::string(5000, '\xFF'), "mp3").frames, 0);
}
