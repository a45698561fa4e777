// The qor-lists command-line tool, run as a program.
#include <gtest/gtest.h>

#include "RunProgram.h"
#include "TempDir.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/Package.h"
#include "lists/PlayList.h"

using namespace qor;
using liststest::RunProgram;
using liststest::TRunResult;

namespace {

const std::string kXml =
    "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?>\r\n<playlist>\r\n"
    "  <r d=\"1\" i=\"000000d2\" n=\"Kral FM\" l=\"http://127.0.0.1/kral\" />\r\n"
    "  <r d=\"2\" i=\"000000d3\" n=\"Şen Radyo &amp; Dost\" l=\"http://127.0.0.1/sen\" />\r\n"
    "</playlist>";

TRunResult Tool(std::vector<std::string> args) {
  args.insert(args.begin(), QOR_LISTS_TOOL);
  return RunProgram(args);
}

}  // namespace

TEST(ListsTool, HelpAndUsageErrors) {
  auto help = Tool({"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find("Usage: qor-lists"), std::string::npos);
  EXPECT_NE(help.Out.find("Exit codes"), std::string::npos);
  for (auto args : std::vector<std::vector<std::string>>{
           {}, {"frob"}, {"seal", "a.xml"}, {"seal"}, {"unseal"}, {"verify", "a", "b"}, {"--bogus", "verify", "a"},
           {"--password"}, {"--password", "", "verify", "a"}, {"import", "a.m3u"}}) {
    auto result = Tool(args);
    EXPECT_EQ(result.ExitCode, 1) << (args.empty() ? "" : args[0]);
    EXPECT_NE(result.Err.find("qor-lists: "), std::string::npos);
  }
}

TEST(ListsTool, SealUnsealVerifyRoundTrip) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "in.xml", kXml);
  auto rpf = (dir / "out.rpf").string();
  ASSERT_EQ(Tool({"seal", (dir / "in.xml").string(), "-o", rpf}).ExitCode, 0);
  EXPECT_TRUE(HasListMagic(rpf));
  EXPECT_EQ(DecryptString(ReadListFile(rpf), ListFilePassword()), kXml);
  auto unsealed = Tool({"unseal", rpf});
  EXPECT_EQ(unsealed.ExitCode, 0);
  EXPECT_EQ(unsealed.Out, kXml);
  ASSERT_EQ(Tool({"unseal", rpf, "-o", (dir / "back.xml").string()}).ExitCode, 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(dir / "back.xml"), kXml);
  auto verify = Tool({"verify", rpf});
  EXPECT_EQ(verify.ExitCode, 0) << verify.Err;
  EXPECT_NE(verify.Out.find("magic: QORPLF"), std::string::npos);
  EXPECT_NE(verify.Out.find("authentication code: ok"), std::string::npos);
  EXPECT_NE(verify.Out.find("records: 2"), std::string::npos);
  TPlayList favourites;
  ASSERT_TRUE(LoadFavourites(favourites, rpf));
  EXPECT_EQ(favourites.Id(0), 210);
  EXPECT_EQ(favourites.Name(1), u"Şen Radyo & Dost");
}

TEST(ListsTool, SealRewritesOtherEncodings) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "latin5.xml",
                              "<?xml version=\"1.0\" encoding=\"ISO-8859-9\"?>\n<playlist><r d=\"4\" i=\"5\" n=\"\xDE" "ark\xFD\" "
                              "l=\"http://127.0.0.1/s\"/></playlist>");
  auto rpf = (dir / "out.rpf").string();
  ASSERT_EQ(Tool({"seal", (dir / "latin5.xml").string(), "-o", rpf}).ExitCode, 0);
  TPlayList list;
  ASSERT_TRUE(LoadFavourites(list, rpf));
  EXPECT_EQ(list.Name(0), u"Şarkı");
  EXPECT_EQ(list.Id(0), 5);
  EXPECT_EQ(list.Key(0), u"4");
}

TEST(ListsTool, PackageTrioAndUnsealOfThePackage) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "db.xml", kXml);
  auto out = dir / "out";
  std::filesystem::create_directory(out);
  ASSERT_EQ(Tool({"package", (dir / "db.xml").string(), "-d", out.string()}).ExitCode, 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(out / "broadcast.xml"), kXml);
  auto unsealed = Tool({"unseal", (out / "broadcast.zip").string()});
  EXPECT_EQ(unsealed.ExitCode, 0);
  EXPECT_EQ(unsealed.Out, kXml);
  EXPECT_NE(Tool({"verify", (out / "broadcast.zip").string()}).Out.find("compressed database package"),
            std::string::npos);
  EXPECT_EQ(InstallDatabasePackage(testkit::TempDir::ReadFile(out / "broadcast.zip"), dir / "settings"),
            TPackageResult::Ok);
  EXPECT_EQ(Tool({"package", (dir / "db.xml").string(), "-d", (dir / "nope").string()}).ExitCode, 6);
}

TEST(ListsTool, ImportJoinsPlaylistsAndLists) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "a.m3u8", "#EXTM3U\n#EXTINF:-1,Bir\nhttp://127.0.0.1/1\n");
  testkit::TempDir::WriteFile(dir / "b.pls", "[playlist]\nFile1=http://127.0.0.1/2\nTitle1=İki\n");
  testkit::TempDir::WriteFile(dir / "c.xml", kXml);
  auto out = (dir / "joined.rpf").string();
  auto result = Tool({"import", (dir / "a.m3u8").string(), (dir / "b.pls").string(), (dir / "c.xml").string(), "-o",
                      out, "--favourites"});
  ASSERT_EQ(result.ExitCode, 0) << result.Err;
  TPlayList list;
  ASSERT_TRUE(LoadFavourites(list, out));
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Name(0), u"Bir");
  EXPECT_EQ(list.Name(1), u"İki");
  EXPECT_EQ(list.Id(2), 210);  // ids kept with --favourites
  EXPECT_EQ(list.Key(3), u"2");

  auto xmlOut = (dir / "joined.xml").string();
  ASSERT_EQ(Tool({"import", (dir / "a.m3u8").string(), out, "-o", xmlOut}).ExitCode, 0);
  EXPECT_EQ(testkit::TempDir::ReadFile(xmlOut).find(" i=\""), std::string::npos);
  TPlayList imported;
  EXPECT_EQ(ImportList(imported, xmlOut), 5);

  EXPECT_EQ(Tool({"import", (dir / "a.m3u8").string(), "-o", (dir / "x.txt").string()}).ExitCode, 1);
  testkit::TempDir::WriteFile(dir / "empty.m3u", "#EXTM3U\n");
  EXPECT_EQ(Tool({"import", (dir / "empty.m3u").string(), "-o", out}).ExitCode, 5);
  testkit::TempDir::WriteFile(dir / "word.doc", "not a playlist");
  EXPECT_EQ(Tool({"import", (dir / "word.doc").string(), "-o", out}).ExitCode, 5);
}

TEST(ListsTool, OtherPasswords) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "in.xml", kXml);
  auto rpf = (dir / "other.rpf").string();
  const std::string password = "an entirely different password!!";
  ASSERT_EQ(Tool({"--password", password, "seal", (dir / "in.xml").string(), "-o", rpf}).ExitCode, 0);
  EXPECT_EQ(DecryptString(ReadListFile(rpf), password), kXml);
  EXPECT_EQ(Tool({"verify", rpf}).ExitCode, 3);
  EXPECT_EQ(Tool({"unseal", rpf}).ExitCode, 3);
  EXPECT_EQ(Tool({"verify", rpf, "--password", password}).ExitCode, 0);
}

TEST(ListsTool, BadInputsGetClearErrorsAndExitCodes) {
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "in.xml", kXml);
  auto rpf = (dir / "good.rpf").string();
  ASSERT_EQ(Tool({"seal", (dir / "in.xml").string(), "-o", rpf}).ExitCode, 0);
  std::string bytes = testkit::TempDir::ReadFile(rpf);

  std::string tampered = bytes;
  tampered[40] = static_cast<char>(tampered[40] ^ 2);
  testkit::TempDir::WriteFile(dir / "tampered.rpf", tampered);
  auto result = Tool({"verify", (dir / "tampered.rpf").string()});
  EXPECT_EQ(result.ExitCode, 4);
  EXPECT_NE(result.Err.find("damaged or was altered"), std::string::npos);
  EXPECT_EQ(Tool({"unseal", (dir / "tampered.rpf").string()}).ExitCode, 4);

  testkit::TempDir::WriteFile(dir / "truncated.rpf", bytes.substr(0, 20));
  EXPECT_EQ(Tool({"verify", (dir / "truncated.rpf").string()}).ExitCode, 5);
  testkit::TempDir::WriteFile(dir / "empty.rpf", "");
  EXPECT_EQ(Tool({"unseal", (dir / "empty.rpf").string()}).ExitCode, 5);
  testkit::TempDir::WriteFile(dir / "garbage.rpf", std::string(500, '\x5a'));
  int garbage = Tool({"verify", (dir / "garbage.rpf").string()}).ExitCode;
  EXPECT_TRUE(garbage == 3 || garbage == 4) << garbage;

  result = Tool({"unseal", (dir / "missing.rpf").string()});
  EXPECT_EQ(result.ExitCode, 2);
  EXPECT_NE(result.Err.find("does not exist"), std::string::npos);
  EXPECT_EQ(Tool({"verify", dir.Path().string()}).ExitCode, 2);

  testkit::TempDir::WriteFile(dir / "bad.xml", "<playlist><r></playlist>");
  EXPECT_EQ(Tool({"seal", (dir / "bad.xml").string(), "-o", (dir / "x.rpf").string()}).ExitCode, 5);
  testkit::TempDir::WriteFile(dir / "none.xml", "<playlist/>");
  result = Tool({"seal", (dir / "none.xml").string(), "-o", (dir / "x.rpf").string()});
  EXPECT_EQ(result.ExitCode, 5);
  EXPECT_NE(result.Err.find("without stations"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir / "x.rpf"));
  EXPECT_EQ(Tool({"seal", (dir / "in.xml").string(), "-o", (dir / "no" / "x.rpf").string()}).ExitCode, 6);

  // A sealed body that is not a list.
  ASSERT_TRUE(WriteListFile(dir / "text.rpf", EncryptString("hello", ListFilePassword())));
  EXPECT_EQ(Tool({"verify", (dir / "text.rpf").string()}).ExitCode, 5);
}
