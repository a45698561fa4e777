#include "widgets/paint/BitmapEx.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using widgets::TBitmapEx;

namespace {

uint32_t Alpha(uint32_t p) { return p >> 24; }
uint32_t Red(uint32_t p) { return (p >> 16) & 0xFF; }
uint32_t Green(uint32_t p) { return (p >> 8) & 0xFF; }
uint32_t Blue(uint32_t p) { return p & 0xFF; }

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string EncodePng(const TBitmapEx& bitmap) {
  std::string png;
  cairo_surface_write_to_png_stream(bitmap.Surface(), AppendToString, &png);
  return png;
}

}  // namespace

TEST(BitmapEx, BlankIsTransparentAndNegativeSizesAreEmpty) {
  TBitmapEx bitmap(4, 3);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.Format(), CAIRO_FORMAT_ARGB32);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(bitmap.Pixel(x, y), 0u);
  TBitmapEx empty(-5, 2);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_EQ(empty.Pixel(0, 0), 0u);
}

TEST(BitmapEx, GrayscaleUsesRoundedLumaWeightsAndKeepsAlpha) {
  TBitmapEx bitmap(4, 1);
  bitmap.SetPixel(0, 0, 0xFFFF0000);
  bitmap.SetPixel(1, 0, 0xFF00FF00);
  bitmap.SetPixel(2, 0, 0xFF0000FF);
  bitmap.SetPixel(3, 0, 0x80402010);  // premultiplied, half transparent
  bitmap.Grayscale();
  EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF4C4C4Cu);  // 76.245 -> 76
  EXPECT_EQ(bitmap.Pixel(1, 0), 0xFF969696u);  // 149.685 -> 150
  EXPECT_EQ(bitmap.Pixel(2, 0), 0xFF1D1D1Du);  // 29.07 -> 29
  // 0.299*64 + 0.587*32 + 0.114*16 = 39.744 -> 40
  EXPECT_EQ(bitmap.Pixel(3, 0), 0x80282828u);
}

TEST(BitmapEx, TintMultipliesColourChannelsByColourOver256) {
  TBitmapEx bitmap(2, 1);
  bitmap.SetPixel(0, 0, 0xFFFFFFFF);
  bitmap.SetPixel(1, 0, 0x80808080);
  bitmap.Tint(0xFFEC701F);
  uint32_t p = bitmap.Pixel(0, 0);
  EXPECT_EQ(Alpha(p), 255u);
  EXPECT_EQ(Red(p), 255u * 0xEC / 256);
  EXPECT_EQ(Green(p), 255u * 0x70 / 256);
  EXPECT_EQ(Blue(p), 255u * 0x1F / 256);
  EXPECT_EQ(Alpha(bitmap.Pixel(1, 0)), 0x80u);
  EXPECT_EQ(Red(bitmap.Pixel(1, 0)), 0x80u * 0xEC / 256);
}

TEST(BitmapEx, FadeScalesEveryChannelAndLeavesTransparencyAlone) {
  TBitmapEx bitmap(2, 1);
  bitmap.SetPixel(0, 0, 0xFFFFFFFF);
  bitmap.Fade(128);
  // An opaque pixel ends at alpha * 255 / 256.
  EXPECT_EQ(bitmap.Pixel(0, 0), 0x7F7F7F7Fu);
  EXPECT_EQ(bitmap.Pixel(1, 0), 0u);
}

TEST(BitmapEx, BlurAveragesNeighboursInPlaceAndKeepsTheBorder) {
  TBitmapEx bitmap(5, 5);
  bitmap.SetPixel(2, 2, 0xFFFFFFFF);
  bitmap.SetPixel(0, 0, 0xFF102030);
  bitmap.Blur(1);
  // Row by row in place: the pixel above (2,1) already holds 63 when (2,2)
  // is averaged, so the centre keeps (63 + 63) / 4.
  EXPECT_EQ(Alpha(bitmap.Pixel(2, 1)), 63u);
  EXPECT_EQ(Alpha(bitmap.Pixel(1, 2)), 63u);
  EXPECT_EQ(Alpha(bitmap.Pixel(2, 2)), 31u);
  EXPECT_EQ(Alpha(bitmap.Pixel(3, 1)), 15u);
  EXPECT_EQ(Alpha(bitmap.Pixel(3, 2)), 11u);
  EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF102030u);  // border untouched
  // A uniform picture does not change, however many passes.
  TBitmapEx flat(6, 6);
  flat.Fill(0x80404040);
  flat.Blur(3);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(flat.Pixel(x, y), 0x80404040u);
}

TEST(BitmapEx, CropAndCloneAreIndependentCopies) {
  TBitmapEx bitmap(3, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) bitmap.SetPixel(x, y, 0xFF000000u | uint32_t(y * 3 + x));
  auto crop = bitmap.Crop(1, 1, 3, 2);
  EXPECT_EQ(crop->Width(), 3);
  EXPECT_EQ(crop->Height(), 2);
  EXPECT_EQ(crop->Pixel(0, 0), 0xFF000004u);
  EXPECT_EQ(crop->Pixel(1, 1), 0xFF000008u);
  EXPECT_EQ(crop->Pixel(2, 0), 0u);  // beyond the source: transparent

  auto clone = bitmap.Clone();
  clone->SetPixel(0, 0, 0xFFFFFFFF);
  EXPECT_EQ(bitmap.Pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(clone->Pixel(2, 2), 0xFF000008u);
}

TEST(BitmapEx, DecodesPngFromDataAndStreamsAndRefusesGarbage) {
  TBitmapEx source(3, 2);
  source.SetPixel(1, 1, 0x80800000);
  source.SetPixel(2, 0, 0xFF00FF00);
  std::string png = EncodePng(source);

  auto decoded = TBitmapEx::FromData(png);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(decoded->Width(), 3);
  EXPECT_EQ(decoded->Height(), 2);
  EXPECT_EQ(decoded->Pixel(1, 1), 0x80800000u);
  EXPECT_EQ(decoded->Pixel(2, 0), 0xFF00FF00u);

  std::istringstream stream(png);
  auto fromStream = TBitmapEx::FromStream(stream);
  ASSERT_NE(fromStream, nullptr);
  EXPECT_EQ(fromStream->Pixel(2, 0), 0xFF00FF00u);

  EXPECT_EQ(TBitmapEx::FromData(""), nullptr);
  EXPECT_EQ(TBitmapEx::FromData("not a picture at all"), nullptr);
  EXPECT_EQ(TBitmapEx::FromData(png.substr(0, png.size() / 2)), nullptr);
}

// Two suites writing the same picture (they share a build folder) used to
// share one temporary name, so one writer's rename took the other's file away.
TEST(BitmapEx, SavesOfOnePictureFromTwoWritersEachSucceedAndLeaveAWholeFile) {
  std::string folder = std::filesystem::temp_directory_path() / ("bitmap-save-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  std::string path = folder + "/picture.png";
  TBitmapEx first(64, 32), second(64, 32);
  first.Fill(0xFF102030);
  second.Fill(0x80404040);

  std::atomic<int> failures{0};
  auto writer = [&](const TBitmapEx& picture) {
    for (int i = 0; i < 200; ++i)
      if (!picture.SaveToPng(path)) ++failures;
  };
  std::thread a(writer, std::cref(first)), b(writer, std::cref(second));
  a.join();
  b.join();
  EXPECT_EQ(failures.load(), 0);

  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto saved = TBitmapEx::FromData(bytes);
  ASSERT_NE(saved, nullptr);
  EXPECT_TRUE(saved->Pixel(5, 5) == 0xFF102030u || saved->Pixel(5, 5) == 0x80404040u);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"picture.png"}) << "a temporary file was left behind";

  EXPECT_FALSE(first.SaveToPng(folder + "/no such folder/picture.png"));
  std::filesystem::remove_all(folder);
}

TEST(BitmapEx, ResourcePathsFollowTheBundleLayout) {
  EXPECT_EQ(TBitmapEx::SkinResourcePath(2003), "/org/kelvarin/qor/skin/2003.png");
  EXPECT_EQ(TBitmapEx::IconResourcePath(101, 48), "/org/kelvarin/qor/icons/101-48.png");
  EXPECT_EQ(TBitmapEx::FromResource(1), nullptr);
}

TEST(BitmapEx, EverySkinPictureAndIconLoadsFromTheBundle) {
  struct TExpected { int Id, Width, Height; };
  // Sizes the windows rely on when they place the pictures.
  const TExpected sizes[] = {{2000, 320, 104}, {2001, 20, 20}, {2003, 48, 12}, {2012, 300, 20},
                             {2015, 5, 10},    {2021, 290, 12}, {2022, 290, 15}, {2023, 290, 26},
                             {2025, 13, 13},   {2031, 14, 14},  {2040, 250, 50}, {2050, 220, 50},
                             {3000, 17, 17},   {5001, 12, 50},  {5003, 18, 324}, {6000, 16, 36},
                             {6006, 16, 30},   {7000, 64, 16},  {9000, 11, 11},  {9014, 16, 16}};
  for (const auto& expected : sizes) {
    auto image = TBitmapEx::FromResource(expected.Id);
    ASSERT_NE(image, nullptr) << expected.Id;
    EXPECT_EQ(image->Width(), expected.Width) << expected.Id;
    EXPECT_EQ(image->Height(), expected.Height) << expected.Id;
  }
  for (int id : {2002, 2004, 2005, 2007, 2008, 2009, 2010, 2011, 2013, 2014, 2016, 2017, 2024,
                 2026, 2041, 2042, 2043, 2051, 3001, 3002, 6001, 6002, 6003, 6004, 6005, 6007,
                 6008, 6009, 6010, 7001, 7002, 7003, 7004, 7005, 7006, 8000, 9001, 9010, 9011,
                 9012, 9013})
    EXPECT_NE(TBitmapEx::FromResource(id), nullptr) << id;
  for (int id : {101, 102})
    for (int size : {16, 32, 48, 256}) {
      auto icon = TBitmapEx::FromIcon(id, size);
      ASSERT_NE(icon, nullptr) << id << "@" << size;
      EXPECT_EQ(icon->Width(), size);
      // Icons are opaque in the middle and never an empty picture.
      EXPECT_EQ(icon->Pixel(size / 2, size / 2) >> 24, 255u) << id << "@" << size;
    }
}

// Banner pictures arrive as text from the network: whatever the bytes,
// decoding either yields a picture or nothing, and never crashes.
TEST(BitmapEx, GarbageAndDamagedPicturesAreRefusedCleanly) {
  TBitmapEx source(7, 5);
  source.Fill(0x80402010);
  const std::string png = EncodePng(source);
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 300; ++round) {
    std::string data;
    switch (round % 3) {
      case 0:  // random bytes, sometimes behind a PNG signature
        data.resize(next() % 200);
        for (char& c : data) c = char(next());
        if (round % 2) data = png.substr(0, 8) + data;
        break;
      case 1:  // a real picture with a few bytes flipped
        data = png;
        for (int i = 0; i < 3; ++i) data[next() % data.size()] ^= char(1 + next() % 255);
        break;
      default:  // a real picture cut short
        data = png.substr(0, next() % png.size());
        break;
    }
    auto bitmap = TBitmapEx::FromData(data);
    if (bitmap) {
      EXPECT_GE(bitmap->Width(), 0);
      EXPECT_EQ(bitmap->Format(), CAIRO_FORMAT_ARGB32);
    }
  }
}
