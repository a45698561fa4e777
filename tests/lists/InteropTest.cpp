// The sealed form is the WinZip AES scheme without Zip framing. Wrapping it
// in a Zip entry lets 7-Zip, an independent implementation, check it both
// ways: it must open our sealed bytes, and we must open its.
#include <gtest/gtest.h>

#include <cstring>

#include "RunProgram.h"
#include "TempDir.h"
#include "lists/Crypt.h"
#include "lists/ListFile.h"

using namespace qor;
using liststest::FindOnPath;
using liststest::RunProgram;

namespace {

std::string SevenZip() {
  for (const char* name : {"7z", "7za", "7zz"}) {
    std::string path = FindOnPath(name);
    if (!path.empty()) return path;
  }
  return {};
}

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
uint32_t Get16(const std::string& in, size_t at) {
  return uint8_t(in[at]) | uint32_t(uint8_t(in[at + 1])) << 8;
}
uint32_t Get32(const std::string& in, size_t at) { return Get16(in, at) | Get16(in, at + 2) << 16; }

// A one-entry Zip archive whose entry data is a sealed form (AE-2, stored).
std::string ZipAround(const std::string& sealed, size_t plainSize, int strength) {
  const std::string name = "list.xml";
  std::string extra;
  Put16(extra, 0x9901);
  Put16(extra, 7);
  Put16(extra, 2);  // AE-2: no CRC
  extra += "AE";
  extra += static_cast<char>(strength);
  Put16(extra, 0);  // stored
  auto common = [&](std::string& out) {
    Put16(out, 51);  // version needed
    Put16(out, 1);   // encrypted
    Put16(out, 99);  // AES
    Put16(out, 0);
    Put16(out, 0x21);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(sealed.size()));
    Put32(out, static_cast<uint32_t>(plainSize));
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
  };
  std::string zip;
  Put32(zip, 0x04034b50);
  common(zip);
  zip += name + extra + sealed;
  uint32_t central = static_cast<uint32_t>(zip.size());
  Put32(zip, 0x02014b50);
  Put16(zip, 51);
  common(zip);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, 0);
  Put32(zip, 0);
  Put32(zip, 0);
  zip += name + extra;
  uint32_t centralSize = static_cast<uint32_t>(zip.size()) - central;
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, 1);
  Put16(zip, 1);
  Put32(zip, centralSize);
  Put32(zip, central);
  Put16(zip, 0);
  return zip;
}

// The data of the first entry of a Zip archive written by another program.
std::string FirstEntryData(const std::string& zip) {
  if (zip.size() < 30 || Get32(zip, 0) != 0x04034b50) return {};
  uint32_t method = Get16(zip, 8);
  uint32_t size = Get32(zip, 18);
  uint32_t nameLength = Get16(zip, 26);
  uint32_t extraLength = Get16(zip, 28);
  if (method != 99) return {};
  size_t start = 30 + nameLength + extraLength;
  if (start + size > zip.size()) return {};
  return zip.substr(start, size);
}

std::string SamplePlain() {
  std::string plain =
      "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n";
  for (int i = 0; i < 300; ++i)
    plain += "  <r d=\"" + std::to_string(i) + "\" n=\"Radyo \xC5\x9E" + std::to_string(i) +
             "\" l=\"http://127.0.0.1/" + std::to_string(i) + "\" />\r\n";
  return plain + "</playlist>";
}

struct TPasswordCase {
  std::string Password;
  int Strength;
  const char* Method;
};

std::vector<TPasswordCase> Cases() {
  return {{ListFilePassword(), 2, "-mem=AES192"},
          {"another list password, 20", 1, "-mem=AES128"},
          {"a fifty-byte password for the 256-bit key size ok", 3, "-mem=AES256"}};
}

}  // namespace

TEST(SealInterop, SevenZipOpensOurSealedForm) {
  std::string sevenZip = SevenZip();
  ASSERT_FALSE(sevenZip.empty()) << "7-Zip (package p7zip-full) is not installed";
  testkit::TempDir dir;
  std::string plain = SamplePlain();
  for (const auto& c : Cases()) {
    ASSERT_EQ(TCrypt::ModeForPassword(c.Password.size()), c.Strength);
    auto zip = dir / ("ours" + std::to_string(c.Strength) + ".zip");
    testkit::TempDir::WriteFile(zip, ZipAround(EncryptString(plain, c.Password), plain.size(), c.Strength));
    auto result = RunProgram({sevenZip, "x", "-so", "-p" + c.Password, zip.string()});
    EXPECT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, plain) << "strength " << c.Strength;

    // 7-Zip checks the authentication code too: a flipped byte must fail.
    std::string sealed = EncryptString(plain, c.Password);
    sealed[100] = static_cast<char>(sealed[100] ^ 4);
    testkit::TempDir::WriteFile(zip, ZipAround(sealed, plain.size(), c.Strength));
    result = RunProgram({sevenZip, "t", "-p" + c.Password, zip.string()});
    EXPECT_NE(result.ExitCode, 0) << "tampered entry accepted, strength " << c.Strength;
  }
}

TEST(SealInterop, WeOpenSevenZipsAesEntries) {
  std::string sevenZip = SevenZip();
  ASSERT_FALSE(sevenZip.empty()) << "7-Zip (package p7zip-full) is not installed";
  testkit::TempDir dir;
  std::string plain = SamplePlain();
  testkit::TempDir::WriteFile(dir / "list.xml", plain);
  for (const auto& c : Cases()) {
    auto zip = dir / ("theirs" + std::to_string(c.Strength) + ".zip");
    auto result = RunProgram({sevenZip, "a", "-tzip", c.Method, "-mm=Copy", "-p" + c.Password, zip.string(),
                              (dir / "list.xml").string()});
    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    std::string sealed = FirstEntryData(testkit::TempDir::ReadFile(zip));
    ASSERT_EQ(sealed.size(), plain.size() + static_cast<size_t>(TCrypt::SaltSize(c.Strength)) + 12);
    std::string opened;
    EXPECT_EQ(OpenSealed(sealed, c.Password, opened), TSealResult::Ok) << "strength " << c.Strength;
    EXPECT_EQ(opened, plain);
  }
}
