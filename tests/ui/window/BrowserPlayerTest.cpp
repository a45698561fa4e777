// The embedded browser from the player window on a real display: pages of
// the vendor (a 127.0.0.1 fixture named in deploy.ini) add favourites and
// play through the real controller; the built-in search page works on the
// built-in station database. With QOR_BROWSER_SHOTS set to a folder the
// search page is saved there as browser-search.png.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DisplayLock.h"
#include "GtkFixture.h"
#include "FixtureServer.h"
#include "MainLoop.h"
#include "MainWindowTestKit.h"
#include "PageScript.h"
#include "PlayerWindowKit.h"
#include "TempDir.h"
#include "app/Messages.h"
#include "browser/BrowserModule.h"
#include "browser/Pages.h"
#include "core/Encoding.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "platform/Resources.h"
#include "support/Deploy.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"

namespace {

using namespace core;
using browsertest::RunScript;
using browsertest::WaitForPage;
using browsertest::WaitForScript;

// The frame behind the player's view of it (the browser is linked into
// these tests).
browser::TBrowserEx& FrameOf(ui::TPlayerWindow& w) { return static_cast<browser::TBrowserEx&>(*w.BrowserFrame()); }

class BrowserPlayerTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    GtkDisplayTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    deploy::Reset();
  }
  void TearDown() override {
    deploy::Reset();
    GtkDisplayTest::TearDown();
  }
  void UseVendor(const std::filesystem::path& settings, testkit::FixtureServer& server) {
    testkit::TempDir::WriteFile(settings / "deploy.ini",
                                "[Deploy]\nVendorApiHost=127.0.0.1:" + std::to_string(server.Port()) + "\n");
    deploy::Load("", settings);
  }
  static void ServePage(testkit::FixtureServer& server, const std::string& path) {
    server.Route(path, [](const testkit::HttpRequest&, testkit::Connection& c) {
      testkit::FixtureServer::Respond(c, 200, "text/html; charset=utf-8",
                                      "<!DOCTYPE html><html><head><title>Radyolar</title></head><body></body></html>");
    });
  }
};

TEST_F(BrowserPlayerTest, VendorPagesAddFavouritesOnceAndPlayTheirStationsThroughTheController) {
  testkit::FixtureServer server;
  ASSERT_TRUE(uitest::RouteIcyStation(server, "Vendor Şarkısı"));
  ServePage(server, "/qor/browser/5.3/");
  ctltest::TControllerFixture fx;
  ASSERT_TRUE(fx.AudioOk);
  UseVendor(fx.Dir / "settings", server);
  ui::TPlayerWindow* window = uitest::StartWithController(fx);
  ASSERT_NE(window, nullptr);
  ui::TPlayerWindow& w = *window;
  EXPECT_EQ(w.BrowserFrame(), nullptr) << "no frame before the first page";
  int before = w.Favourites()->Count();

  w.ShowBrowserPage(browser::UM_BROWSER_HOME);
  ASSERT_NE(w.BrowserFrame(), nullptr);
  browser::TBrowserEx& frame = FrameOf(w);
  ASSERT_TRUE(WaitForPage(frame));
  const std::string stream = server.Url("/live");
  std::string encoded = RunScript(frame, "window.external.Encode('" + stream + "')");
  EXPECT_EQ(RunScript(frame, "window.external.AddList('90001', 'Fixture FM', '" + encoded + "')"), "0");
  ASSERT_EQ(w.Favourites()->Count(), before + 1);
  EXPECT_EQ(w.Favourites()->Item(0)->Name, u"Fixture FM");
  EXPECT_EQ(w.Favourites()->Item(0)->Url, stream);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);
  qor::TPlayList saved;
  ASSERT_TRUE(qor::LoadFavourites(saved, fx.Dir / "settings" / "playlist.rpf"));
  ASSERT_GE(saved.IndexOfKey(u"90001"), 0) << "the new favourite is saved at once";
  EXPECT_EQ(saved.Item(saved.IndexOfKey(u"90001"))->Url, stream);

  // The same key again: no second copy, and the known favourite is selected.
  w.Favourites()->SetItemIndex(3);
  EXPECT_EQ(RunScript(frame, "window.external.ADDLIST('90001', 'Fixture FM', '" + encoded + "')"), "-1");
  EXPECT_EQ(w.Favourites()->Count(), before + 1);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);

  RunScript(frame, "window.external.Listen('90001', 'Fixture FM', '" + encoded + "'); 1");
  ASSERT_TRUE(testkit::PumpUntil([&] { return fx.Send(app::UM_GET_PLAY_STATE) == 1; }, 30000));
  EXPECT_EQ(fx.Controller->StationName(), u"Fixture FM");
  EXPECT_EQ(w.CurrentUrl(), enc::Utf8ToUtf16(stream));
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Title() == u"Vendor Şarkısı"; }, 30000));

  // The page closes the frame; the page stays loaded for the next showing.
  RunScript(frame, "window.external.Close(); 1");
  EXPECT_FALSE(frame.Visible());
  EXPECT_FALSE(frame.Page()->Visible());
  fx.Send(app::UM_STOP);
  // The frame closes with the player window.
  SendMessage(w.WindowHandle(), WM_CLOSE);
  ASSERT_TRUE(testkit::PumpUntil([&] { return !fx.Controller->HandleAllocated(); }, 20000));
}

TEST_F(BrowserPlayerTest, ListenWhileRecordingWarnsAndPlaysNothing) {
  testkit::FixtureServer server;
  ServePage(server, "/qor/browser/5.3/");
  uitest::TPlayerWindowKit kit;
  UseVendor(kit.Dir / "settings", server);
  kit.WriteOptions("[player]\nautoplay=0\nleft=40\ntop=600\n[application]\nshowbanner=0\n");
  auto& w = kit.Open();
  kit.Controller.RecorderState = 7;
  w.ShowBrowserPage(browser::UM_BROWSER_HOME);
  ASSERT_TRUE(WaitForPage(FrameOf(w)));
  RunScript(FrameOf(w),
            "window.external.Listen('1', 'Kayıtta', window.external.Encode('http://127.0.0.1:9/x')); 1");
  EXPECT_EQ(kit.InfoBoxes, 1);
  EXPECT_EQ(kit.Controller.Count(app::UM_PLAY), 0);
  EXPECT_EQ(kit.Controller.Count(app::UM_STOP), 0) << "the recording keeps playing";
  kit.Controller.RecorderState = 6;
  RunScript(FrameOf(w),
            "window.external.Listen('1', 'Serbest', window.external.Encode('http://127.0.0.1:9/x')); 1");
  EXPECT_EQ(kit.Controller.Count(app::UM_PLAY), 1);
  EXPECT_EQ(kit.Controller.PlayedUrl, u"http://127.0.0.1:9/x");
  EXPECT_EQ(w.CurrentName(), u"Serbest");
}

TEST_F(BrowserPlayerTest, TheBuiltInSearchFindsStationsOfTheBuiltInDatabaseAndAddsThem) {
  uitest::TPlayerWindowKit kit;
  auto database = platform::LoadResourceBytes("/org/kelvarin/qor/lists/BROADCAST");
  ASSERT_TRUE(database.has_value());
  testkit::TempDir::WriteFile(kit.Dir / "settings" / "broadcast.rpf", *database);
  kit.WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 5, u""}});
  kit.WriteOptions("[player]\nautoplay=0\nleft=40\ntop=40\n[application]\nshowbanner=0\n");
  auto& w = kit.Open();
  ASSERT_GT(w.Database()->Count(), 100);
  EXPECT_FALSE(browser::ReportAvailable()) << "no vendor host: no report page";
  w.ShowBrowserPage(browser::UM_BROWSER_FIND);
  browser::TBrowserEx& frame = FrameOf(w);
  ASSERT_TRUE(WaitForPage(frame));
  EXPECT_EQ(frame.Page()->Address(), "qor://pages/find.html");
  // Typed as a user does, in lower case: the names fold as the lists fold.
  RunScript(frame, "var q = document.getElementById('query'); q.value = 'kral'; q.dispatchEvent(new Event('input')); 1");
  ASSERT_TRUE(WaitForScript(frame, "document.querySelectorAll('#hits li').length >= 2"));
  std::string names = RunScript(frame, "Array.from(document.querySelectorAll('#hits .name')).map(n => n.textContent).join('|')");
  EXPECT_NE(names.find("Kral FM"), std::string::npos) << names;
  EXPECT_NE(names.find("KRAL TÜRK FM"), std::string::npos) << names;
  if (const char* folder = std::getenv("QOR_BROWSER_SHOTS")) {
    testkit::PumpFor(500);
    std::string crop = "850x580+" + std::to_string(frame.Left()) + "+" + std::to_string(frame.Top());
    std::vector<std::string> args = {"import", "-window", "root", "-crop", crop, std::string(folder) + "/browser-search.png"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr,
                 nullptr);
  }
  RunScript(frame, "q.value = 'kral türk'; q.dispatchEvent(new Event('input')); 1");
  EXPECT_TRUE(WaitForScript(frame, "document.querySelectorAll('#hits li').length === 1 && "
                                   "document.querySelector('#hits .name').textContent === 'KRAL TÜRK FM'"));
  RunScript(frame, "q.value = 'kral'; q.dispatchEvent(new Event('input')); 1");
  ASSERT_TRUE(WaitForScript(frame, "document.querySelectorAll('#hits li').length >= 2"));
  RunScript(frame, "Array.from(document.querySelectorAll('#hits li')).find(li => li.querySelector('.name').textContent"
                   " === 'Kral FM').querySelector('button.add').click(); 1");
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Favourites()->Count() == 2; }));
  EXPECT_EQ(w.Favourites()->Item(0)->Name, u"Kral FM");
  EXPECT_EQ(w.Favourites()->Item(0)->Key, u"661975");
  auto* linked = w.Database()->Item(w.Database()->IndexOfKey(u"661975"));
  ASSERT_NE(linked, nullptr);
  EXPECT_TRUE(linked->Ticked) << "the database entry shows it is a favourite";
  EXPECT_EQ(w.Favourites()->Item(0)->Url, linked->Url);
}

// Without its module the browser cannot open: the window says why in a
// message box, makes no frame, and opens one once the module is there.
TEST_F(BrowserPlayerTest, AMissingOrBrokenModuleIsReportedAndNothingOpens) {
  uitest::TPlayerWindowKit kit;
  kit.WriteOptions("[player]\nautoplay=0\nleft=40\ntop=40\n[application]\nshowbanner=0\n");
  auto& w = kit.Open();
  std::vector<std::u16string> boxes;
  w.ShowInfoBox = [&](const std::u16string& text, const std::u16string&) { boxes.push_back(text); };
  struct TLoadModule {
    TLoadModule() { browser::UseLinkedBrowser(nullptr); }
    ~TLoadModule() {
      browser::UseLinkedBrowser(&qor_browser_frame_v1);
      unsetenv("QOR_BROWSER_MODULE");
    }
  } loading;

  const std::string missing = (kit.Dir / "libqor-browser.so").string();
  setenv("QOR_BROWSER_MODULE", missing.c_str(), 1);
  w.ShowBrowserPage(browser::UM_BROWSER_FIND);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind(u"Tarayıcı açılamadı.", 0), 0u) << enc::Utf16ToUtf8(boxes[0]);
  EXPECT_NE(boxes[0].find(enc::Utf8ToUtf16(missing)), std::u16string::npos) << "names the file looked for";
  EXPECT_EQ(w.BrowserFrame(), nullptr);

  // A file that is no module (a damaged install) is refused the same way.
  testkit::TempDir::WriteFile(missing, "not a module");
  w.ReportStation(u"1");  // no vendor: no report page, and nothing loaded for it
  w.ShowBrowserPage(browser::UM_BROWSER_HOME);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find(enc::Utf8ToUtf16(missing)), std::u16string::npos) << enc::Utf16ToUtf8(boxes[1]);
  EXPECT_EQ(w.BrowserFrame(), nullptr);
  w.CloseBrowser();

  // The linked browser again: the same request opens the page.
  browser::UseLinkedBrowser(&qor_browser_frame_v1);
  w.ShowBrowserPage(browser::UM_BROWSER_FIND);
  ASSERT_NE(w.BrowserFrame(), nullptr);
  EXPECT_TRUE(WaitForPage(FrameOf(w)));
  EXPECT_EQ(boxes.size(), 2u);
}

}  // namespace
