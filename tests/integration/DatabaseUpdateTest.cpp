// The whole chain of a station-database update in the real program: the
// version document of a stand-in vendor host (named by deploy.ini) names a
// newer database, the player window downloads the package and replaces
// broadcast.rpf, and dbversion remembers it, so that the next start asks
// for nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PrivateDisplay.h"
#include "QorProcess.h"
#include "TempDir.h"
#include "VendorHost.h"
#include "lists/ListFile.h"
#include "lists/Package.h"
#include "support/Encoding.h"
#include "support/WIniFiles.h"

namespace {

template <typename F>
bool WaitFor(F done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

TEST(DatabaseUpdateTest, ANewerPublishedDatabaseReplacesTheLocalOne) {
  testkit::TempDir dir;
  testkit::PrivateDisplay display(dir.Path());
  ASSERT_TRUE(display.Ok()) << "the private display did not start (Xvfb)";
  apptest::TQorEnv env{dir.Path() / "config", dir.Path() / "run"};
  std::filesystem::create_directories(env.SettingsFolder());
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::permissions(env.RuntimeDir, std::filesystem::perms::owner_all);
  testkit::VendorHost vendor;
  vendor.Deploy(env.SettingsFolder());
  vendor.SetDatabaseVersion("2.5");
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<playlist>\r\n"
                    "  <r d=\"41\" n=\"Yayında Kırk Bir\" l=\"http://127.0.0.1:1/41\" />\r\n</playlist>";
  vendor.SetPackage(qor::MakeDatabasePackage(xml));
  testkit::TempDir::WriteFile(env.SettingsFolder() / "options.ini",
                              "[player]\nautoplay=0\n[application]\nshowbanner=0\nfirstrun=0\ndbversion=2.0\n");
  auto database = env.SettingsFolder() / "broadcast.rpf";
  auto dbversion = [&] {
    TWIniFile ini(enc::Utf8ToUtf16((env.SettingsFolder() / "options.ini").string()));
    return ini.ReadString(u"application", u"dbversion", u"");
  };

  {
    apptest::TQorProcess qor(env, {});
    ASSERT_TRUE(WaitFor([&] { return dbversion() == u"2.5"; })) << qor.Stderr();
    EXPECT_EQ(vendor.PackageRequests(), 1);
    EXPECT_EQ(qor::DecryptString(qor::ReadListFile(database), qor::ListFilePassword()), xml);
    apptest::TQorProcess quit(env, {"-quit"});
    EXPECT_EQ(qor.Wait(), 0) << qor.Stderr();
    EXPECT_EQ(quit.Wait(), 0);
  }

  // The next start finds the same version published and downloads nothing.
  {
    apptest::TQorProcess qor(env, {});
    ASSERT_TRUE(WaitFor([&] { return vendor.Server().RequestCount("/qor/version.xml") == 2; })) << qor.Stderr();
    apptest::TQorProcess quit(env, {"-quit"});
    EXPECT_EQ(qor.Wait(), 0) << qor.Stderr();
    EXPECT_EQ(quit.Wait(), 0);
  }
  EXPECT_EQ(vendor.PackageRequests(), 1);
}

}  // namespace
