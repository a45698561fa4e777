// The vendor's pages (a 127.0.0.1 fixture configured through deploy.ini)
// in the real web view: what their scripts may do, what a page of another
// origin may not, and how the frame follows a page.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "BrowserKit.h"
#include "FixtureServer.h"
#include "MainLoop.h"
#include "TempDir.h"
#include "browser/ExternalServer.h"
#include "core/Encoding.h"
#include "browser/Pages.h"
#include "support/Deploy.h"

namespace browsertest {
namespace {

using testkit::FixtureServer;

void ServePage(FixtureServer& server, const std::string& path, const std::string& title, const std::string& body) {
  server.Route(path, [title, body](const testkit::HttpRequest&, testkit::Connection& c) {
    FixtureServer::Respond(c, 200, "text/html; charset=utf-8",
                           "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body>" +
                               body + "</body></html>");
  });
}

// The caption follows the page's title notification, which may arrive
// after the load or the script that set the title has finished.
testing::AssertionResult CaptionBecomes(browser::TBrowserEx& frame, const std::u16string& want) {
  if (testkit::PumpUntil([&] { return frame.CaptionLabel()->Caption() == want; })) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the caption is \"" << enc::Utf16ToUtf8(frame.CaptionLabel()->Caption()) << "\"";
}

class VendorPages : public TBrowserTest {
 protected:
  void SetUp() override {
    TBrowserTest::SetUp();
    if (IsSkipped()) return;
    testkit::TempDir::WriteFile(Settings.Path() / "deploy.ini",
                                "[Deploy]\nVendorApiHost=127.0.0.1:" + std::to_string(Vendor.Port()) + "\n");
    deploy::Load("", Settings.Path());
    ServePage(Vendor, "/qor/browser/5.3/", "Radyo Rehberi", "<p id=\"home\">QOR</p>");
    ServePage(Vendor, "/qor/browser/5.3/find.php", "http://127.0.0.1/qor/browser/5.3/find.php", "<p>ara</p>");
    ServePage(Foreign, "/", "Başka Site", "<p>başka</p>");
  }

  testkit::TempDir Settings;
  FixtureServer Vendor, Foreign;
};

TEST_F(VendorPages, OwnPagesCallThePlayerSynchronouslyAndOtherOriginsSeeNoMembers) {
  ASSERT_TRUE(Open(browser::UM_BROWSER_HOME));
  EXPECT_EQ(Browser->Page()->Address(), Vendor.Url("/qor/browser/5.3/"));
  EXPECT_EQ(Eval("typeof window.external.Listen"), "function");
  EXPECT_EQ(Eval("String('addlist' in window.external) + String('Nothing' in window.external)"), "truefalse");
  EXPECT_EQ(Eval("String(window.external.PORTABLE)"), "false");
  // Encoding round-trips a Turkish address, whatever the case of the names.
  const std::string address = "http://127.0.0.1:" + std::to_string(Vendor.Port()) + "/canlı/şarkı?ad=Ğüzel İstasyon";
  EXPECT_EQ(Eval("var e = window.external.Encode('" + address + "'); window.external.decode(e)"), address);
  // The answers arrive before the script goes on.
  EXPECT_EQ(Eval("var u = window.external.Encode('" + address + "');"
                 "[window.external.AddList('501', 'Fixture FM', u), window.external.AddList('501', 'Fixture FM', u),"
                 " window.external.AddUrl('Düz', 'http://127.0.0.1:1/plain')].join()"),
            "0,-1,0");
  ASSERT_EQ(Player.Added.size(), 2u);
  EXPECT_EQ(Player.Added[0], (std::vector<std::u16string>{u"501", u"Fixture FM", enc::Utf8ToUtf16(address)}));
  Eval("window.external.Listen('501', 'Fixture FM', window.external.Encode('" + address + "')); 1");
  ASSERT_EQ(Player.Listened.size(), 1u);
  EXPECT_EQ(Player.Listened[0][1], enc::Utf8ToUtf16(address));

  // A failing call is an exception in the page, which goes on working.
  EXPECT_EQ(Eval("try { window.external.SetColor('turuncu'); 'no error' } catch (e) { String(e) }"),
            "Error: TExternalDispatch: Type mismatch");
  EXPECT_EQ(Eval("try { window.external.Listen('1'); 'no error' } catch (e) { String(e) }"),
            "Error: TExternalDispatch: Invalid number of parameters");
  EXPECT_EQ(Eval("window.external.SetColor(0xFFEC701F); 'ok'"), "ok");
  EXPECT_EQ(Player.Listened.size(), 1u);

  // A site the user goes on to sees nothing of the player, and asks nothing.
  int requests = Browser->Session().Server()->Requests();
  ASSERT_TRUE(Load(Foreign.Url("/")));
  EXPECT_EQ(Eval("String(!window.external || typeof window.external.Listen)"), "true");
  EXPECT_EQ(Eval("String(!window.external || ('AddList' in window.external))"), "true");
  EXPECT_EQ(Browser->Session().Server()->Requests(), requests);
  EXPECT_EQ(Player.Added.size(), 2u);
  // Back on our own page the object is there again.
  ASSERT_TRUE(Load(Vendor.Url("/qor/browser/5.3/")));
  EXPECT_EQ(Eval("typeof window.external.Close"), "function");
  Eval("window.external.Close(); 1");
  EXPECT_EQ(Player.Closes, 1);
}

TEST_F(VendorPages, TheCaptionTakesTitlesThatAreNoAddressesAndTheStatusShowsTheLoad) {
  // A page that arrives slowly: the frame shows its progress meanwhile.
  Vendor.Route("/qor/browser/5.3/about.php", [&](const testkit::HttpRequest&, testkit::Connection& c) {
    std::string head = "<!DOCTYPE html><html><head><title>Hakkında</title></head><body>";
    c.Write(FixtureServer::StatusLine(200) + "Content-Type: text/html; charset=utf-8\r\nContent-Length: " +
            std::to_string(head.size() + 20000 + 14) + "\r\nConnection: close\r\n\r\n" + head);
    Vendor.SleepFor(std::chrono::milliseconds(1500));
    c.Write(std::string(20000, ' ') + "</body></html>");
  });
  ASSERT_TRUE(Open(browser::UM_BROWSER_HOME));
  EXPECT_TRUE(CaptionBecomes(*Browser, u"Radyo Rehberi"));
  EXPECT_FALSE(Browser->StatusLabel()->Visible());
  EXPECT_FALSE(Browser->ToolBar()->Button(browser::tbStop)->Enabled());
  // The search page's title is an address: the caption stays as it was
  // set by the page message.
  ASSERT_TRUE(Open(browser::UM_BROWSER_FIND));
  EXPECT_EQ(Browser->CaptionLabel()->Caption(), u"QOR");
  ASSERT_TRUE(Load(Vendor.Url("/qor/browser/5.3/")));
  ASSERT_TRUE(Load(Vendor.Url("/qor/browser/5.3/find.php")));
  EXPECT_TRUE(CaptionBecomes(*Browser, u"Radyo Rehberi"));

  Browser->ShowPage(browser::UM_BROWSER_ABOUT);
  ASSERT_TRUE(testkit::PumpUntil([&] { return Browser->StatusLabel()->Visible(); }));
  EXPECT_TRUE(Browser->ToolBar()->Button(browser::tbStop)->Enabled());
  EXPECT_EQ(Browser->StatusLabel()->Caption().rfind(u"Yükleniyor (%", 0), 0u) << Browser->StatusLabel()->Caption().size();
  ASSERT_TRUE(WaitForPage(*Browser));
  EXPECT_FALSE(Browser->StatusLabel()->Visible());
  EXPECT_FALSE(Browser->ToolBar()->Button(browser::tbStop)->Enabled());
  EXPECT_TRUE(CaptionBecomes(*Browser, u"Hakkında"));
}

// A 127.0.0.1 port that nothing listens on: bound once, then let go.
int ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof at;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size) == 0)
    port = ntohs(at.sin_port);
  close(fd);
  return port;
}

TEST_F(TBrowserTest, AVendorHostThatDoesNotAnswerGetsATurkishErrorPageNotAnEmptyFrame) {
  // A port nothing listens on, and one the engine refuses to use at all
  // (which it reports as no failure, only an empty page).
  int closed = ClosedPort();
  ASSERT_GT(closed, 0);
  for (int port : {closed, 9}) {
    SCOPED_TRACE(port);
    testkit::TempDir settings;
    testkit::TempDir::WriteFile(settings.Path() / "deploy.ini",
                                "[Deploy]\nVendorApiHost=127.0.0.1:" + std::to_string(port) + "\n");
    deploy::Load("", settings.Path());
    ASSERT_TRUE(Open(browser::UM_BROWSER_HOME));
    EXPECT_EQ(Browser->Page()->PageOpacity(), 255) << "the page is shown";
    EXPECT_EQ(Eval("document.title"), "Sayfa açılamadı");
    EXPECT_TRUE(CaptionBecomes(*Browser, u"Sayfa açılamadı"));
    EXPECT_EQ(Eval("document.querySelector('h1 + p').textContent"), "Sunucuya bağlanılamadı.");
    EXPECT_NE(Eval("document.body.textContent").find("127.0.0.1:" + std::to_string(port) + "/"), std::string::npos);
    // The retry button asks again, and fails the same way (the engine does
    // not even start a load on the refused port).
    if (port == 9) continue;
    Eval("document.body.dataset.seen = '1'; document.getElementById('retry').click(); 1");
    EXPECT_TRUE(WaitFor("document.title == 'Sayfa açılamadı' && !document.body.dataset.seen"));
  }
}

}  // namespace
}  // namespace browsertest
