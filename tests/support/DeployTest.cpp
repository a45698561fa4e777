#include "support/Deploy.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "Shell.h"
#include "TempDir.h"

namespace {

class DeployTable : public ::testing::Test {
 protected:
  void TearDown() override { deploy::Reset(); }
  testkit::TempDir dir;
};

TEST_F(DeployTable, VendorFeaturesAreOffByDefault) {
  EXPECT_EQ(deploy::Value(deploy::VendorApiHost), "");
  EXPECT_EQ(deploy::Value(deploy::CounterHost), "");
  EXPECT_EQ(deploy::Value(deploy::VideoSiteHost), "www.youtube.com");
  EXPECT_EQ(deploy::Value("no-such-key"), "");
  EXPECT_EQ(deploy::AddressOn(deploy::Value(deploy::VendorApiHost), "/qor/version.xml"), "");
}

TEST_F(DeployTable, SettingsFolderOverridesProgramFolder) {
  auto program = dir / "program";
  auto settings = dir / "settings";
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(settings);
  testkit::TempDir::WriteFile(program / "deploy.ini",
                              "\xEF\xBB\xBF; shipped with the program\r\n"
                              "VendorApiHost = api.example:8080\r\n"
                              "counterhost=count.example\r\n"
                              "[Other]\r\nVendorDomain=ignored.example\r\n");
  testkit::TempDir::WriteFile(settings / "deploy.ini",
                              "[Deploy]\nVendorDomain = \"vendor.example\"\nMusicServiceHost=\nUnknownKey=1\n");
  deploy::Load(program, settings);
  EXPECT_EQ(deploy::Value(deploy::VendorApiHost), "api.example:8080");
  EXPECT_EQ(deploy::Value(deploy::CounterHost), "count.example");
  EXPECT_EQ(deploy::Value(deploy::VendorDomain), "vendor.example");
  EXPECT_EQ(deploy::Value(deploy::MusicServiceHost), "");  // emptied: feature off
  EXPECT_EQ(deploy::Value("UnknownKey"), "");
  EXPECT_FALSE(deploy::LoadFile(dir / "missing.ini"));

  deploy::Load(dir / "nowhere", "");
  EXPECT_EQ(deploy::Value(deploy::VendorApiHost), "");
  EXPECT_EQ(deploy::Value(deploy::MusicServiceHost), "fizy.com");
}

TEST_F(DeployTable, StandardPlacesIncludeTheSettingsFolder) {
  auto settings = dir / "Kelvarin" / "QOR";
  std::filesystem::create_directories(settings);
  testkit::TempDir::WriteFile(settings / "deploy.ini", "CounterHost=127.0.0.1:9\n");
  {
    testkit::EnvScope config("XDG_CONFIG_HOME", dir.Path().c_str());
    deploy::LoadStandard();
  }
  EXPECT_EQ(deploy::Value(deploy::CounterHost), "127.0.0.1:9");
}

TEST_F(DeployTable, AddressesAndPorts) {
  EXPECT_EQ(deploy::AddressOn("127.0.0.1:4000", "/qor/query.php?id=5"), "http://127.0.0.1:4000/qor/query.php?id=5");
  EXPECT_EQ(deploy::AddressOn("https://h.example/", "/x"), "https://h.example/x");
  std::string host;
  int port = -1;
  deploy::SplitHostPort("127.0.0.1:4000", host, port);
  EXPECT_EQ(host, "127.0.0.1");
  EXPECT_EQ(port, 4000);
  deploy::SplitHostPort("https://[::1]:81/path", host, port);
  EXPECT_EQ(host, "[::1]");
  EXPECT_EQ(port, 81);
  deploy::SplitHostPort("plain.example", host, port);
  EXPECT_EQ(host, "plain.example");
  EXPECT_EQ(port, 0);
}

}  // namespace
