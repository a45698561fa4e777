// The update check, banner, visitor count and widget hit: the document and
// version rules, and the exchanges against fixture services on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>

#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "Media.h"
#include "app/UpdateCheck.h"
#include "support/Deploy.h"
#include "support/Encoding.h"

using namespace ctltest;
using testkit::PumpFor;
using testkit::PumpUntil;
using namespace core;
using namespace app;
namespace fs = std::filesystem;

namespace {

TEST(UpdateRulesTest, VersionsPathsAndNumbers) {
  EXPECT_FALSE(VersionIsNewer("5.10")) << "compared as text, 5.10 is below 5.3";
  EXPECT_TRUE(VersionIsNewer("5.4"));
  EXPECT_TRUE(VersionIsNewer("6"));
  EXPECT_TRUE(VersionIsNewer("5.3.1")) << "a longer text with the same start is newer";
  EXPECT_FALSE(VersionIsNewer("5.3"));
  EXPECT_FALSE(VersionIsNewer(""));
  EXPECT_FALSE(VersionIsNewer("10"));

  EXPECT_EQ(PathWithVersion(DefaultDatabasePath, "broadcast", "1.9"), "/qor/db/broadcast1.9.zip");
  EXPECT_EQ(PathWithVersion(DefaultDatabasePath, "broadcast", ""), "/qor/db/broadcast.zip");
  EXPECT_EQ(PathWithVersion(DefaultBannerPath, "banner", "2", ".xml"), "/qor/assets/banners/banner2.xml");

  EXPECT_EQ(PublishedVersionNumber(""), 1.0);
  EXPECT_EQ(PublishedVersionNumber("x1"), 0.0);
  EXPECT_EQ(PublishedVersionNumber("1.9"), 1.9);
  EXPECT_EQ(LocalVersionNumber(""), 0.0);
  EXPECT_EQ(LocalVersionNumber("1,5"), 0.0) << "only \".\" is a decimal separator";
  EXPECT_EQ(LocalVersionNumber("2"), 2.0);

  EXPECT_EQ(VisitorCountFromBody(" 17 "), 17);
  EXPECT_EQ(VisitorCountFromBody("17\r\n"), 17);
  EXPECT_EQ(VisitorCountFromBody("17 visitors"), -1);
  EXPECT_EQ(VisitorCountFromBody(""), -1);
}

TEST(UpdateRulesTest, Documents) {
  TApiVersion v;
  ASSERT_TRUE(ParseVersionDocument("<?xml version=\"1.0\"?><r><v>5.4</v><d>1.9</d><b>2</b></r>", v));
  EXPECT_EQ(v.Program, "5.4");
  EXPECT_EQ(v.Database, "1.9");
  EXPECT_EQ(v.Banner, "2");
  ASSERT_TRUE(ParseVersionDocument("<r><v>6</v></r>", v));
  EXPECT_TRUE(v.Database.empty());
  EXPECT_FALSE(ParseVersionDocument("<r><v>6</v>", v)) << "not well-formed";
  EXPECT_FALSE(ParseVersionDocument("<html><v>6</v></html>", v)) << "another document";
  EXPECT_FALSE(ParseVersionDocument("", v));
  EXPECT_EQ(v.Program, "6") << "a failed parse leaves the values alone";

  TBannerInfo b;
  ASSERT_TRUE(ParseBannerDocument(
      "<?xml version=\"1.0\" encoding=\"windows-1254\"?><r><t>\xde" "ark\xfd</t><l>http://x/</l><b>QUJD</b></r>", b));
  EXPECT_EQ(b.Text, u"Şarkı");
  EXPECT_EQ(b.Link, u"http://x/");
  EXPECT_EQ(b.Image, "QUJD");
  EXPECT_FALSE(ParseBannerDocument("<r><t>x</t></q>", b));
}

TEST(UpdateRulesTest, GarbageDocumentsAreRefusedCleanly) {
  std::mt19937 random(7);
  std::string seed = "<?xml version=\"1.0\"?><r><v>5.4</v><d>1.9</d><b>2</b><t>x</t><l>y</l></r>";
  for (int round = 0; round < 400; ++round) {
    std::string text = seed;
    int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits && !text.empty(); ++i) {
      size_t at = random() % text.size();
      switch (random() % 3) {
        case 0: text[at] = static_cast<char>(random() % 256); break;
        case 1: text.erase(at, 1 + random() % 4); break;
        default: text.insert(at, std::string(1 + random() % 3, static_cast<char>(random() % 256))); break;
      }
    }
    TApiVersion v;
    TBannerInfo b;
    if (ParseVersionDocument(text, v)) {
      EXPECT_LE(v.Program.size(), text.size());
    }
    if (ParseBannerDocument(text, b)) {
      EXPECT_LE(b.Image.size(), text.size());
    }
  }
  // Entities are not fetched or expanded from outside.
  TApiVersion v;
  std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r><v>&x;</v></r>";
  if (ParseVersionDocument(external, v)) {
    EXPECT_EQ(v.Program.find("root"), std::string::npos);
  }
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    ResetUpdateValues();
    Server.Route("/qor/version.xml", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::FixtureServer::Respond(c, 200, "text/xml", VersionDocument);
    });
    Server.Route("/qor/assets/banners/banner2.xml", [](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::FixtureServer::Respond(c, 200, "text/xml",
                                      "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><t>Yeni \xc5\x9e" "ark\xc4\xb1</t>"
                                      "<l>http://127.0.0.1/l</l><b>iVBORw0K</b></r>");
    });
    Server.Route("/sitecount/velmoraapp10", [this](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::FixtureServer::Respond(c, 200, "text/plain", Count);
    });
    Server.Route("/swidget/velmoraapp10.gif", [](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::FixtureServer::Respond(c, 200, "image/gif", "GIF89a");
    });
    std::string host = "127.0.0.1:" + std::to_string(Server.Port());
    deploy::SetValue(deploy::VendorApiHost, host);
    deploy::SetValue(deploy::CounterHost, host);
    deploy::SetValue(deploy::DownloadAddress, "http://127.0.0.1/download");
    deploy::SetValue(deploy::WebSiteAddress, "http://127.0.0.1/site");
  }
  void TearDown() override {
    F.Destroy();
    deploy::Reset();
    ResetUpdateValues();
  }

  // A start of the controller: the first tick sends the requests and makes
  // the player window; returns when the version check is over.
  void StartController() {
    F.Destroy();
    PlayerWindow = nullptr;
    auto& mw = F.Make();
    mw.CreatePlayerWindow = [this](TMainWindow&) {
      auto window = std::make_unique<TClientWindow>();
      PlayerWindow = window.get();
      return window;
    };
    mw.Ask = [this](HWND, const std::u16string& text, const std::u16string& caption) {
      Questions.push_back(text);
      EXPECT_EQ(caption, u"QOR");
      return Answer;
    };
    mw.OpenAddress = [this](const std::string& address) { Opened.push_back(address); };
    int before = Server.RequestCount("/qor/version.xml");
    F.Start();
    ASSERT_TRUE(PumpUntil([&] {
      return Server.RequestCount("/qor/version.xml") > before && !F.Controller->UpdateCheck()->VersionBusy();
    }));
    ASSERT_TRUE(PumpUntil([&] { return !F.Controller->UpdateCheck()->BannerBusy(); }));
    ASSERT_TRUE(PumpUntil([&] { return !F.Controller->UpdateCheck()->SiteCountBusy(); }));
  }

  int PlayerCount(UINT msg) { return PlayerWindow ? PlayerWindow->Count(msg) : 0; }

  TControllerFixture F;
  std::string VersionDocument = "<r><v>5.3</v><d>1.0</d><b>1</b></r>";
  std::string Count = "0";
  TClientWindow* PlayerWindow = nullptr;
  std::vector<std::u16string> Questions;
  std::vector<std::string> Opened;
  int Answer = IDNO;
  // Last: its connection threads read the members above until it is gone.
  testkit::FixtureServer Server;
};

TEST_F(UpdateCheckTest, MissingDatabaseVersionAnnouncesUpTo1) {
  VersionDocument = "<r><v>5.3</v><b>1</b></r>";
  StartController();
  EXPECT_EQ(PlayerCount(UM_DATABASE_UPDATE), 1) << "empty dbversion";
  EXPECT_EQ(DatabasePath(), "/qor/db/broadcast.zip");
  F.Options->WriteStr(osDbVersion, u"0.9");
  StartController();
  EXPECT_EQ(PlayerCount(UM_DATABASE_UPDATE), 1);
  F.Options->WriteStr(osDbVersion, u"1.0");
  StartController();
  EXPECT_EQ(PlayerCount(UM_DATABASE_UPDATE), 0);
  VersionDocument = "<r><d>1.9</d><b>1</b></r>";
  StartController();
  EXPECT_EQ(PlayerCount(UM_DATABASE_UPDATE), 1);
  EXPECT_EQ(DatabasePath(), "/qor/db/broadcast1.9.zip");
}

TEST_F(UpdateCheckTest, BannerVersion2IsNotDownloadedTwice) {
  VersionDocument = "<r><v>5.3</v><d>1.0</d><b>2</b></r>";
  F.Options->WriteBool(obShowBanner, false);
  StartController();
  EXPECT_EQ(Server.RequestCount("/qor/assets/banners/banner2.xml"), 1);
  fs::path file = enc::Utf16ToUtf8(F.SettingsFolder) + "banner.xml";
  EXPECT_NE(testkit::ReadBytes(file).find("<t>Yeni"), std::string::npos);
  EXPECT_EQ(F.Options->ReadStr(osBanner), u"2");
  EXPECT_TRUE(F.Options->ReadBool(obShowBanner)) << "a new banner switches the banner on";
  ASSERT_TRUE(PumpUntil([&] { return PlayerCount(UM_BANNER_READY) == 1; }, 2000));
  EXPECT_EQ(BannerInfo().Text, u"Yeni Şarkı");
  EXPECT_EQ(BannerInfo().Image, "iVBORw0K");

  StartController();
  EXPECT_EQ(Server.RequestCount("/qor/assets/banners/banner2.xml"), 1) << "the next start keeps it";

  fs::remove(file);
  StartController();
  EXPECT_EQ(Server.RequestCount("/qor/assets/banners/banner2.xml"), 2) << "a deleted banner.xml comes back";
}

TEST_F(UpdateCheckTest, AnErrorPageIsNoAnswer) {
  // The banner of the last start lies in the folder; the server now fails
  // with an error page for the new one and for the visitor count.
  fs::path file = enc::Utf16ToUtf8(F.SettingsFolder) + "banner.xml";
  const std::string kept = "<r><t>Eski</t><l>http://127.0.0.1/l</l><b>QUJD</b></r>";
  fs::create_directories(file.parent_path());
  testkit::TempDir::WriteFile(file, kept);
  Server.Route("/qor/assets/banners/banner3.xml", [](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 404, "text/html", "<html><body>Not Found</body></html>");
  });
  Server.Route("/sitecount/velmoraapp10", [](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 503, "text/plain", "503");
  });
  VersionDocument = "<r><v>5.3</v><d>1.0</d><b>3</b></r>";
  StartController();
  EXPECT_EQ(Server.RequestCount("/qor/assets/banners/banner3.xml"), 1);
  EXPECT_EQ(testkit::ReadBytes(file), kept) << "the banner the window shows is not replaced by the error page";
  EXPECT_NE(F.Options->ReadStr(osBanner), u"3") << "so the next start asks again";
  EXPECT_EQ(PlayerCount(UM_LISTENERS), 0) << "the error's number is no visitor count";
  // A version document behind an error status is not taken either.
  VersionDocument = "<r><v>9.9</v><d>1.0</d><b>1</b></r>";
  Server.Route("/qor/version.xml", [this](const testkit::HttpRequest&, testkit::Connection& c) {
    testkit::FixtureServer::Respond(c, 500, "text/xml", VersionDocument);
  });
  StartController();
  EXPECT_TRUE(Questions.empty());
}

TEST_F(UpdateCheckTest, VisitorCountWithSpaces) {
  Count = " 17 ";
  StartController();
  auto listeners = [&] {
    std::vector<TClientWindow::TEntry> out;
    for (const auto& e : PlayerWindow->Entries())
      if (e.Msg == UM_LISTENERS) out.push_back(e);
    return out;
  };
  ASSERT_EQ(listeners().size(), 1u);
  EXPECT_EQ(listeners()[0].W, 17u);
  EXPECT_EQ(listeners()[0].L, 0);
  // The next refresh carries the previous count; a non-number is ignored.
  Count = "23";
  F.Send(WM_TIMER, SiteCountTimerId);
  ASSERT_TRUE(PumpUntil([&] { return listeners().size() == 2; }));
  EXPECT_EQ(listeners()[1].W, 23u);
  EXPECT_EQ(listeners()[1].L, 17);
  Count = "many";
  int before = Server.RequestCount("/sitecount/velmoraapp10");
  F.Send(WM_TIMER, SiteCountTimerId);
  ASSERT_TRUE(PumpUntil([&] {
    return Server.RequestCount("/sitecount/velmoraapp10") > before && !F.Controller->UpdateCheck()->SiteCountBusy();
  }));
  EXPECT_EQ(listeners().size(), 2u);
}

TEST_F(UpdateCheckTest, NewVersionQuestion) {
  VersionDocument = "<r><v>5.10</v><d>1.0</d><b>1</b></r>";
  StartController();
  EXPECT_TRUE(Questions.empty()) << "5.10 is not newer than 5.3";

  VersionDocument = "<r><v>5.4</v><d>1.0</d><b>1</b></r>";
  Answer = IDYES;
  StartController();
  ASSERT_EQ(Questions.size(), 1u);
  EXPECT_EQ(Questions[0], u"\"QOR\" için yeni sürüm hazır. İndirmek ister misiniz?");
  EXPECT_EQ(Opened, std::vector<std::string>{"http://127.0.0.1/download"});

  Answer = IDNO;
  StartController();
  EXPECT_EQ(Questions.size(), 2u);
  StartController();
  EXPECT_EQ(Questions.size(), 3u) << "No asks again at the next start";
  Answer = IDCANCEL;
  StartController();
  EXPECT_EQ(Questions.size(), 4u);
  EXPECT_FALSE(F.Options->ReadBool(obCheckVersion));
  StartController();
  EXPECT_EQ(Questions.size(), 4u) << "Cancel stops the question for good";
}

TEST_F(UpdateCheckTest, WidgetHitCarriesTheStationAsReferer) {
  // The start-up hit is held open, so the play asks for its hit while
  // another one is still out: it follows that one instead of being lost.
  auto release = std::make_shared<std::atomic<bool>>(false);
  Server.Route(WidgetPath, [this, release](const testkit::HttpRequest&, testkit::Connection& c) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!*release && std::chrono::steady_clock::now() < deadline &&
           Server.SleepFor(std::chrono::milliseconds(5))) {
    }
    testkit::FixtureServer::Respond(c, 200, "image/gif", "GIF89a");
  });
  StartController();
  ASSERT_TRUE(PumpUntil([&] { return Server.RequestCount(WidgetPath) == 1; }));
  F.NoResolvers();
  F.Play(u"Radyo Ş&A", u"http://127.0.0.1:1/x");
  F.Send(UM_STOP);
  EXPECT_EQ(Server.RequestCount(WidgetPath), 1) << "one hit at a time";
  *release = true;
  ASSERT_TRUE(PumpUntil([&] { return Server.RequestCount(WidgetPath) == 2; }));
  auto referers = [&] {
    std::vector<std::string> out;
    for (const auto& request : Server.Requests())
      if (request.path == WidgetPath) out.push_back(request.Header("Referer"));
    return out;
  };
  EXPECT_EQ(referers(), (std::vector<std::string>{"http://127.0.0.1/site", "http://127.0.0.1/site?ref=Radyo+%C5%9E%26A"}))
      << "the station of the moment the hit was asked for, though it stopped since";
  ASSERT_TRUE(PumpUntil([&] { return !F.Controller->UpdateCheck()->WidgetBusy(); }));
  EXPECT_EQ(Server.RequestCount(WidgetPath), 2);

  // Once nothing is out, a play sends its hit at once.
  F.Play(u"Radyo", u"http://127.0.0.1:1/y");
  ASSERT_TRUE(PumpUntil([&] { return Server.RequestCount(WidgetPath) == 3; }));
  EXPECT_EQ(referers().back(), "http://127.0.0.1/site?ref=Radyo");
}

TEST_F(UpdateCheckTest, EmptyHostsSwitchTheExchangesOff) {
  deploy::SetValue(deploy::VendorApiHost, "");
  deploy::SetValue(deploy::CounterHost, "");
  F.Start();
  ASSERT_TRUE(PumpUntil([&] { return F.Controller->TimerEnabled(WidgetTimerId); }));
  EXPECT_FALSE(F.Controller->UpdateCheck()->VersionBusy());
  EXPECT_FALSE(F.Controller->UpdateCheck()->SiteCountBusy());
  EXPECT_FALSE(F.Controller->UpdateCheck()->WidgetBusy());
  PumpFor(100);
  EXPECT_EQ(Server.RequestCount(), 0);
}

}  // namespace
