// The station-database downloads of the player window against a stand-in
// vendor host on 127.0.0.1: a good package replaces the database and its
// ticks; bodies that are empty, sealed with another password, not
// compressed, tampered with or not a station list leave broadcast.rpf as it
// was, byte for byte; the administrator's station list becomes the three
// publishable files.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "VendorHost.h"
#include "app/DatabaseUpdate.h"
#include "app/Messages.h"
#include "app/UpdateCheck.h"
#include "lists/ListFile.h"
#include "lists/Package.h"
#include "support/Deploy.h"
#include "support/Encoding.h"
#include "support/HttpSession.h"
#include "ui/controls/Edit.h"
#include "ui/window/PlayerWindow.h"

namespace {

using namespace core;
using namespace app;
using testkit::PumpUntil;
namespace fs = std::filesystem;

std::string StationXml(std::initializer_list<int> keys, const std::string& prefix) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<playlist>\r\n";
  for (int key : keys)
    xml += "  <r d=\"" + std::to_string(key) + "\" n=\"" + prefix + " " + std::to_string(key) +
           "\" l=\"http://127.0.0.1:1/" + std::to_string(key) + "\" />\r\n";
  return xml + "</playlist>";
}

class DatabaseDownloadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(OpenInternetHandle());
    deploy::SetValue(deploy::VendorApiHost, Vendor.Host());
    // What the update check leaves behind when it finds database 2.0.
    ResetUpdateValues();
    ApiVersion().Database = "2.0";
    DatabasePath() = PathWithVersion(DefaultDatabasePath, "broadcast", "2.0");
    Kit.WriteOptions("[player]\nautoplay=0\nplayident=0x10\n[playlist]\nvisible=0\n");
    Kit.WriteFavourites({{u"Sevdiğim", "http://127.0.0.1:1/1", 0x10, u"1"}, {u"Yeni gelen", "http://127.0.0.1:1/3", 0x11, u"3"}});
    Kit.WriteDatabase({{u"Eski 1", "http://127.0.0.1:1/1", 1}, {u"Eski 2", "http://127.0.0.1:1/2", 2}});
  }
  void TearDown() override {
    Kit.Window.reset();
    deploy::Reset();
    ResetUpdateValues();
  }

  fs::path DatabaseFile() { return Kit.Dir / "settings" / "broadcast.rpf"; }
  std::vector<std::u16string> DatabaseNames() {
    std::vector<std::u16string> names;
    for (int i = 0; i < Kit.Window->Database()->Count(); ++i) names.push_back(Kit.Window->Database()->Item(i)->Name);
    return names;
  }
  bool Ticked(const char16_t* key) {
    int index = Kit.Window->Database()->IndexOfKey(key);
    return index >= 0 && Kit.Window->Database()->Item(index)->Ticked;
  }
  void Send(UINT msg) { SendMessage(Kit.Window->WindowHandle(), msg); }

  testkit::VendorHost Vendor;
  uitest::TPlayerWindowKit Kit;
};

TEST_F(DatabaseDownloadTest, AGoodPackageReplacesTheDatabaseAndItsTicks) {
  std::string xml = StationXml({1, 3, 4}, "Yeni");
  Vendor.SetPackage(qor::MakeDatabasePackage(xml));
  auto& w = Kit.Open();
  EXPECT_TRUE(Ticked(u"1"));
  EXPECT_EQ(w.Database()->IndexOfKey(u"3"), -1);
  // A search in the database's bar that finds nothing in the old entries.
  w.SetListMode(0);
  const ui::TSearchBar& bar = w.SearchBar(0);
  bar.Edit->SetFocus();
  ASSERT_FALSE(bar.Placeholder);
  bar.Edit->SetCaption(u"yeni");
  EXPECT_FALSE(bar.Counter->Visible());

  // While the download is out the marquee says so, and a second notice
  // starts nothing.
  Vendor.Hold(true);
  Send(UM_DATABASE_UPDATE);
  EXPECT_EQ(w.MarqueeText(), u"Veritabanı indiriliyor...");
  ASSERT_TRUE(PumpUntil([&] { return Vendor.PackageRequests() == 1; }));
  Send(UM_DATABASE_UPDATE);
  Vendor.Hold(false);
  ASSERT_TRUE(PumpUntil([&] { return !w.DownloadBusy(); }));
  EXPECT_EQ(Vendor.PackageRequests(), 1);
  EXPECT_NE(Vendor.Server().Requests().back().target.find("/qor/db/broadcast2.0.zip?"), std::string::npos)
      << "a random query keeps caches out";

  EXPECT_EQ(w.MarqueeText(), u"Veritabanı güncellendi.");
  EXPECT_EQ(DatabaseNames(), (std::vector<std::u16string>{u"Yeni 1", u"Yeni 3", u"Yeni 4"}));
  EXPECT_TRUE(bar.Counter->Visible()) << "the search counts the new entries";
  EXPECT_EQ(bar.Counter->Caption(), u"1 / 3");
  EXPECT_EQ(bar.Icon->TintColor(), 0u);
  EXPECT_TRUE(Ticked(u"1"));
  EXPECT_TRUE(Ticked(u"3")) << "the favourite that had no entry before is linked now";
  EXPECT_FALSE(Ticked(u"4"));
  EXPECT_EQ(Kit.Option(u"application", u"dbversion"), u"2.0");
  EXPECT_TRUE(qor::HasListMagic(DatabaseFile()));
  EXPECT_EQ(qor::DecryptString(qor::ReadListFile(DatabaseFile()), qor::ListFilePassword()), xml);
  for (const auto& entry : fs::directory_iterator(Kit.Dir / "settings"))
    EXPECT_EQ(entry.path().string().find(".XXXXXX"), std::string::npos) << "no temporary file left";
}

TEST_F(DatabaseDownloadTest, FailedOrHostileDownloadsLeaveTheDatabaseByteForByte) {
  auto& w = Kit.Open();
  std::string before = testkit::TempDir::ReadFile(DatabaseFile());
  std::string xml = StationXml({7, 8}, "Kötü");
  std::string tampered = qor::MakeDatabasePackage(xml);
  tampered[tampered.size() / 2] = static_cast<char>(tampered[tampered.size() / 2] ^ 0x01);
  std::string good = qor::MakeDatabasePackage(xml);
  struct TCase {
    const char* What;
    std::optional<std::string> Body;
  } cases[] = {
      {"an empty body", std::string()},
      {"a 404", std::nullopt},
      {"another password", qor::EncryptString(qor::CompressPackage(xml, 3), std::string(32, 'x'))},
      {"a body that does not inflate", qor::EncryptString("not a zlib stream at all", qor::ListFilePassword())},
      {"a tampered body", tampered},
      {"a cut-off body", good.substr(0, good.size() - 5)},
      {"a package that is not a station list",
       qor::MakeDatabasePackage("<?xml version=\"1.0\"?><html><body>502</body></html>")},
      {"a package of a list without stations", qor::MakeDatabasePackage("<?xml version=\"1.0\"?><playlist></playlist>")},
  };
  int requests = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    Vendor.SetPackage(c.Body);
    Send(UM_DATABASE_UPDATE);
    ++requests;
    ASSERT_TRUE(PumpUntil([&] { return Vendor.PackageRequests() == requests && !w.DownloadBusy(); }));
    EXPECT_EQ(w.MarqueeText(), u"Sevdiğim") << "the marquee returns to the station";
    EXPECT_EQ(testkit::TempDir::ReadFile(DatabaseFile()), before);
    EXPECT_EQ(DatabaseNames(), (std::vector<std::u16string>{u"Eski 1", u"Eski 2"}));
    EXPECT_EQ(Kit.Option(u"application", u"dbversion"), u"<missing>");
  }
}

TEST_F(DatabaseDownloadTest, TheStationListBecomesThePublishableFiles) {
  fs::path out = Kit.Dir / "export";
  fs::create_directories(out);
  Kit.Config.ExportFolder = enc::Utf8ToUtf16(out.string());
  auto& w = Kit.Open();
  std::string databaseBefore = testkit::TempDir::ReadFile(DatabaseFile());
  std::string xml = StationXml({5, 6}, "Yayın");
  Vendor.SetStationList(xml);

  Send(UM_DOWNLOAD_STATION_LIST);
  EXPECT_EQ(w.MarqueeText(), u"Veritabanı indiriliyor...");
  ASSERT_TRUE(PumpUntil([&] { return !w.DownloadBusy(); }));
  EXPECT_EQ(w.MarqueeText(), u"Veritabanı güncellendi.");
  EXPECT_EQ(testkit::TempDir::ReadFile(out / "broadcast.xml"), "\xEF\xBB\xBF" + xml);
  EXPECT_TRUE(qor::HasListMagic(out / "broadcast.rpf"));
  EXPECT_EQ(qor::DecryptString(qor::ReadListFile(out / "broadcast.rpf"), qor::ListFilePassword()), xml);
  EXPECT_FALSE(qor::HasListMagic(out / "broadcast.zip"));
  EXPECT_EQ(qor::DecompressPackage(qor::DecryptString(testkit::TempDir::ReadFile(out / "broadcast.zip"),
                                                      qor::ListFilePassword())),
            xml);
  EXPECT_EQ(DatabaseNames(), (std::vector<std::u16string>{u"Eski 1", u"Eski 2"})) << "the lists are not reloaded";
  EXPECT_EQ(testkit::TempDir::ReadFile(DatabaseFile()), databaseBefore);

  // The menu command does the same; an error page instead of a list
  // rewrites none of the three files.
  std::string xmlBefore = testkit::TempDir::ReadFile(out / "broadcast.xml");
  std::string zipBefore = testkit::TempDir::ReadFile(out / "broadcast.zip");
  Vendor.SetStationList("<html><body>Bakımdayız</body></html>");
  SendMessage(w.WindowHandle(), WM_COMMAND, ui::cmDownloadStationList);
  ASSERT_TRUE(PumpUntil([&] { return Vendor.StationListRequests() == 2 && !w.DownloadBusy(); }));
  EXPECT_EQ(w.MarqueeText(), u"Sevdiğim");
  EXPECT_EQ(testkit::TempDir::ReadFile(out / "broadcast.xml"), xmlBefore);
  EXPECT_EQ(testkit::TempDir::ReadFile(out / "broadcast.zip"), zipBefore);
}

TEST_F(DatabaseDownloadTest, NoVendorHostNoDownload) {
  deploy::SetValue(deploy::VendorApiHost, "");
  auto& w = Kit.Open();
  Send(UM_DATABASE_UPDATE);
  Send(UM_DOWNLOAD_STATION_LIST);
  EXPECT_FALSE(w.DownloadBusy());
  EXPECT_EQ(w.MarqueeText(), u"Sevdiğim");
  testkit::PumpFor(100);
  EXPECT_EQ(Vendor.Server().RequestCount(), 0);
}

}  // namespace
