// Sealed form and list files: layout, keys, verifier, authentication.
#include <gtest/gtest.h>

#include <sstream>

#include "TempDir.h"
#include "lists/Crypt.h"
#include "lists/ListFile.h"

using namespace qor;

TEST(ListPassword, ThirtyTwoBytesSoListsUse192BitKeys) {
  std::string password = ListFilePassword();
  EXPECT_EQ(password.size(), 32u);
  EXPECT_EQ(password, ListFilePassword());
  EXPECT_EQ(TCrypt::ModeForPassword(password.size()), 2);
  EXPECT_EQ(TCrypt::ModeForPassword(0), 1);
  EXPECT_EQ(TCrypt::ModeForPassword(31), 1);
  EXPECT_EQ(TCrypt::ModeForPassword(47), 2);
  EXPECT_EQ(TCrypt::ModeForPassword(48), 3);
}

TEST(Sealing, LayoutAndRoundTripForEveryKeySize) {
  for (std::string password : {std::string("short"), ListFilePassword(), std::string(60, 'p')}) {
    int mode = TCrypt::ModeForPassword(password.size());
    int overhead = TCrypt::SaltSize(mode) + 2 + 10;
    for (size_t length : {0u, 1u, 15u, 16u, 17u, 1023u, 1024u, 1025u, 5000u}) {
      std::string plain;
      for (size_t i = 0; i < length; ++i) plain += static_cast<char>(i * 7 + 3);
      std::string sealed = EncryptString(plain, password);
      ASSERT_EQ(sealed.size(), length + static_cast<size_t>(overhead)) << password << " " << length;
      std::string opened;
      ASSERT_EQ(OpenSealed(sealed, password, opened), TSealResult::Ok) << length;
      EXPECT_EQ(opened, plain);
    }
  }
}

TEST(Sealing, EmptyListFileIsThirtyBytes) {
  testkit::TempDir dir;
  auto path = dir / "empty.rpf";
  ASSERT_TRUE(WriteListFile(path, EncryptString("", ListFilePassword())));
  std::string bytes = testkit::TempDir::ReadFile(path);
  ASSERT_EQ(bytes.size(), 30u);
  EXPECT_EQ(bytes.substr(0, 6), "QORPLF");
  EXPECT_TRUE(HasListMagic(path));
  std::string plain;
  EXPECT_EQ(OpenSealed(ReadListFile(path), ListFilePassword(), plain), TSealResult::Ok);
  EXPECT_EQ(plain, "");
}

TEST(Sealing, FreshSaltMakesEveryByteFromOffsetSixDiffer) {
  testkit::TempDir dir;
  std::string xml = "<?xml version=\"1.0\"?><playlist><r d=\"1\" n=\"A\" l=\"http://a\" /></playlist>";
  ASSERT_TRUE(WriteListFile(dir / "a.rpf", EncryptString(xml, ListFilePassword())));
  ASSERT_TRUE(WriteListFile(dir / "b.rpf", EncryptString(xml, ListFilePassword())));
  std::string a = testkit::TempDir::ReadFile(dir / "a.rpf");
  std::string b = testkit::TempDir::ReadFile(dir / "b.rpf");
  ASSERT_EQ(a.size(), b.size());
  EXPECT_EQ(a.substr(0, 6), b.substr(0, 6));
  EXPECT_NE(a.substr(6, 12), b.substr(6, 12));      // salt
  EXPECT_NE(a.substr(20, xml.size()), b.substr(20, xml.size()));  // cipher text
  EXPECT_NE(a.substr(a.size() - 10), b.substr(b.size() - 10));    // code
  EXPECT_EQ(DecryptString(a.substr(6), ListFilePassword()), xml);
  EXPECT_EQ(DecryptString(b.substr(6), ListFilePassword()), xml);
}

TEST(Sealing, FlippedCipherByteChangesOnePlainByteAndFailsAuthentication) {
  std::string plain(3000, 'x');
  std::string sealed = EncryptString(plain, ListFilePassword());
  size_t offset = 12 + 2 + 2100;
  sealed[offset] = static_cast<char>(sealed[offset] ^ 0x21);

  TEncryption encryption(ListFilePassword());
  std::istringstream source(sealed);
  std::ostringstream destination;
  EXPECT_FALSE(encryption.Decrypt(source, &destination, static_cast<int64_t>(sealed.size())));
  EXPECT_EQ(encryption.LastResult(), TSealResult::NotAuthentic);
  // The stream routine hands out the plain text as it goes; exactly the
  // flipped byte differs.
  std::string produced = destination.str();
  ASSERT_EQ(produced.size(), plain.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    if (i == 2100) EXPECT_EQ(produced[i], static_cast<char>('x' ^ 0x21));
    else ASSERT_EQ(produced[i], 'x') << i;
  }
  // The string routine never hands on an unauthentic body.
  EXPECT_EQ(DecryptString(sealed, ListFilePassword()), "");
  std::string opened;
  EXPECT_EQ(OpenSealed(sealed, ListFilePassword(), opened), TSealResult::NotAuthentic);
}

TEST(Sealing, WrongPasswordTooShortAndTamperedCode) {
  std::string sealed = EncryptString("secret list", ListFilePassword());
  std::string other = ListFilePassword();
  other[31] = other[31] == 'a' ? 'b' : 'a';
  std::string plain;
  // The verifier is two bytes: a wrong password slips through once in
  // 65536 tries and then fails authentication instead; either refusal counts.
  TSealResult wrong = OpenSealed(sealed, other, plain);
  EXPECT_TRUE(wrong == TSealResult::WrongPassword || wrong == TSealResult::NotAuthentic);
  EXPECT_EQ(plain, "");
  EXPECT_EQ(OpenSealed(sealed.substr(0, 23), ListFilePassword(), plain), TSealResult::TooShort);
  EXPECT_EQ(OpenSealed(sealed.substr(0, 24), ListFilePassword(), plain), TSealResult::NotAuthentic);
  EXPECT_EQ(OpenSealed("", ListFilePassword(), plain), TSealResult::TooShort);
  std::string badCode = sealed;
  badCode.back() = static_cast<char>(badCode.back() ^ 1);
  EXPECT_EQ(OpenSealed(badCode, ListFilePassword(), plain), TSealResult::NotAuthentic);
  std::string badVerifier = sealed;
  badVerifier[12] = static_cast<char>(badVerifier[12] ^ 1);
  EXPECT_EQ(OpenSealed(badVerifier, ListFilePassword(), plain), TSealResult::WrongPassword);
  EXPECT_EQ(plain, "");
}

TEST(Sealing, VerifierMismatchWritesNothing) {
  std::string sealed = EncryptString(std::string(100, 'a'), ListFilePassword());
  sealed[13] = static_cast<char>(sealed[13] ^ 0x80);
  TEncryption encryption(ListFilePassword());
  std::istringstream source(sealed);
  std::ostringstream destination;
  EXPECT_FALSE(encryption.Decrypt(source, &destination, static_cast<int64_t>(sealed.size())));
  EXPECT_EQ(destination.str(), "");
}

TEST(TextCodec, Base64OfTheSealedText) {
  std::string text = "Radyo Şehir — çalıyor";
  std::string encoded = EncodeText(text);
  EXPECT_EQ(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  EXPECT_EQ(encoded.size() % 4, 0u);
  EXPECT_EQ(DecodeText(encoded), text);
  std::string raw;
  ASSERT_TRUE(Base64Decode(encoded, raw));
  EXPECT_EQ(raw.size(), text.size() + 24);
  EXPECT_EQ(DecodeText("not base64!"), "");
  EXPECT_EQ(DecodeText("QUJD"), "");  // valid Base64, far too short to be sealed
  EXPECT_EQ(DecodeText(""), "");
}

TEST(TextCodec, Base64KnownValues) {
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode("f"), "Zg==");
  EXPECT_EQ(Base64Encode("fo"), "Zm8=");
  EXPECT_EQ(Base64Encode("foo"), "Zm9v");
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode("\xff\xfe\xfd"), "//79");
  std::string out;
  EXPECT_TRUE(Base64Decode("Zm9vYmE=", out));
  EXPECT_EQ(out, "fooba");
  EXPECT_FALSE(Base64Decode("Zm=9", out));
  EXPECT_FALSE(Base64Decode("Z===", out));
  EXPECT_FALSE(Base64Decode("Zm9", out));
  EXPECT_FALSE(Base64Decode("Zg==Zg==", out));
}

TEST(ListFileRoutines, ReadWithAndWithoutMagic) {
  testkit::TempDir dir;
  EXPECT_EQ(ReadListFile(dir / "missing.rpf"), "");
  EXPECT_FALSE(HasListMagic(dir / "missing.rpf"));
  EXPECT_FALSE(HasListMagic(dir.Path()));
  testkit::TempDir::WriteFile(dir / "bare", "abcdefgh");
  EXPECT_EQ(ReadListFile(dir / "bare"), "abcdefgh");
  EXPECT_FALSE(HasListMagic(dir / "bare"));
  testkit::TempDir::WriteFile(dir / "magic", "QORPLFxyz");
  EXPECT_EQ(ReadListFile(dir / "magic"), "xyz");
  EXPECT_TRUE(HasListMagic(dir / "magic"));
  testkit::TempDir::WriteFile(dir / "short", "QORP");
  EXPECT_FALSE(HasListMagic(dir / "short"));
  EXPECT_EQ(ReadListFile(dir / "short"), "QORP");
}

TEST(ListFileRoutines, ReplacingLeavesNoTemporaryFiles) {
  testkit::TempDir dir;
  auto path = dir / "playlist.rpf";
  ASSERT_TRUE(WriteListFile(path, EncryptString("one", ListFilePassword())));
  ASSERT_TRUE(WriteListFile(path, EncryptString("two", ListFilePassword())));
  EXPECT_EQ(DecryptString(ReadListFile(path), ListFilePassword()), "two");
  int files = 0;
  for (auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1);
  // A folder that does not exist cannot be written and says so.
  EXPECT_FALSE(WriteListFile(dir / "no" / "such" / "x.rpf", "abc"));
}
