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
