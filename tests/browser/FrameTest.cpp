// The frame on the offscreen backend: its layout, the toolbar, the grip's
// lower bound, and the page addresses for both kinds of deployment.
#include <gtest/gtest.h>

#include "BrowserKit.h"
#include "browser/BrowserEx.h"
#include "browser/Pages.h"
#include "support/Deploy.h"
#include "widgets/backend/Offscreen.h"

namespace browsertest {
namespace {

using namespace browser;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deploy::Reset();
    auto backend = std::make_unique<widgets::TOffscreenBackend>();
    backend->Work = {0, 0, 1280, 1000};
    Backend = backend.get();
    widgets::SetBackend(std::move(backend));
    TBrowserConfig config;
    Frame = std::make_unique<TBrowserEx>(config);
  }
  void TearDown() override {
    Frame.reset();
    deploy::Reset();
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Frame); }

  widgets::TOffscreenBackend* Backend = nullptr;
  std::unique_ptr<TBrowserEx> Frame;
};

TEST_F(FrameTest, FirstShowingCentresTheFrameWithThePageTransparentAndLaysOutTheParts) {
  Frame->ShowPage(UM_BROWSER_FIND);
  core::ProcessMessages();
  EXPECT_TRUE(Frame->Visible());
  EXPECT_EQ(Frame->Width(), 850);
  EXPECT_EQ(Frame->Height(), 580);
  EXPECT_EQ(Frame->Left(), (1280 - 850) / 2);
  EXPECT_EQ(Frame->Top(), (1000 - 580) / 2);
  EXPECT_EQ(Frame->Page()->PageOpacity(), 0) << "transparent until the document is complete";
  EXPECT_EQ(Frame->Page()->Left(), Frame->Left() + 20);
  EXPECT_EQ(Frame->Page()->Top(), Frame->Top() + 38);
  EXPECT_EQ(Frame->Page()->Width(), 810);
  EXPECT_EQ(Frame->Page()->Height(), 510);
  EXPECT_EQ(Frame->LastAddress(), "qor://pages/find.html") << "no vendor host: the built-in page";
  EXPECT_EQ(Frame->CentreLabel()->Caption(), u"Açılıyor...");
  EXPECT_EQ(Frame->CloseImage()->Left(), 850 - 28);
  EXPECT_EQ(Frame->Grip()->Left(), 850 - 25);
  EXPECT_EQ(Frame->Grip()->Top(), 580 - 30);
  EXPECT_EQ(Frame->FramePiece(4)->Width(), 850 - 32);
  EXPECT_EQ(Frame->FramePiece(4)->TintColor(), FrameTint);

  // Back, forward and stop wait for a history and a load.
  auto* bar = Frame->ToolBar();
  EXPECT_FALSE(bar->Button(tbBack)->Enabled());
  EXPECT_FALSE(bar->Button(tbForward)->Enabled());
  EXPECT_FALSE(bar->Button(tbStop)->Enabled());
  for (int b : {tbRefresh, tbHome, tbFind, tbAbout}) EXPECT_TRUE(bar->Button(b)->Enabled()) << b;
  EXPECT_EQ(bar->Button(tbFind)->Hint(), u"Radyo Ekle");
  EXPECT_EQ(bar->Button(tbAbout)->Left(), 6 * 32);

  // The about button opens the about page; the close button hides the frame
  // and the page window with it.
  Native()->Click(20 + 6 * 32 + 8, 6 + 4 + 8);
  core::ProcessMessages();
  EXPECT_EQ(Frame->LastAddress(), "qor://pages/about.html");
  Frame->Page()->SetPageOpacity(255);
  EXPECT_TRUE(Frame->Page()->Visible());
  Native()->Click(850 - 28 + 8, 11 + 8);
  EXPECT_FALSE(Frame->Visible());
  EXPECT_FALSE(Frame->Page()->Visible());
  // The frame, its caption and the toolbar strip drag the frame; the page
  // window keeps its place in it.
  Frame->SetVisible(true);
  int left = Frame->Left(), top = Frame->Top();
  Native()->MouseDown(4, 300);
  Native()->MouseMove(54, 330);
  Native()->MouseUp(54, 330);
  EXPECT_EQ(Frame->Left(), left + 50);
  EXPECT_EQ(Frame->Top(), top + 30);
  EXPECT_EQ(Frame->Page()->Left(), left + 50 + 20);
  Native()->MouseDown(400, 20);
  Native()->MouseMove(390, 10);
  Native()->MouseUp(390, 10);
  EXPECT_EQ(Frame->Left(), left + 40);
  Frame->SetBounds(100, 120, 850, 580);
  EXPECT_EQ(Frame->Page()->Left(), 120);
  EXPECT_EQ(Frame->Page()->Top(), 158);
  Frame->SetVisible(false);
  // Shown again, it is centred again and starts transparent.
  Frame->SetBounds(5, 5, 850, 580);
  Frame->ShowPage(UM_BROWSER_HOME);
  EXPECT_EQ(Frame->Left(), (1280 - 850) / 2);
  EXPECT_EQ(Frame->Page()->PageOpacity(), 0);
}

TEST_F(FrameTest, TheGripResizesButNeverBelowTheMinimum) {
  Frame->ShowPage(UM_BROWSER_HOME);
  core::ProcessMessages();
  auto* native = Native();
  int gx = 850 - 25 + 8, gy = 580 - 30 + 8;
  native->MouseDown(gx, gy);
  native->MouseMove(gx + 40, gy + 20);
  EXPECT_EQ(Frame->Width(), 890);
  EXPECT_EQ(Frame->Height(), 600);
  EXPECT_EQ(Frame->Page()->Width(), 850);
  EXPECT_EQ(Frame->Grip()->Left(), 890 - 25);
  // Far beyond the lower bound: nothing changes below 640 x 420.
  native->MouseMove(gx - 400, gy - 400);
  EXPECT_EQ(Frame->Width(), 890);
  EXPECT_EQ(Frame->Height(), 600);
  native->MouseMove(gx - 210, gy - 160);
  EXPECT_EQ(Frame->Width(), 640);
  EXPECT_EQ(Frame->Height(), 420);
  native->MouseMove(gx - 211, gy - 161);
  EXPECT_EQ(Frame->Width(), 640);
  EXPECT_EQ(Frame->Height(), 420);
  native->MouseUp(gx - 211, gy - 161);
  // Only one bound reached: the other side still follows.
  int left = 615, top = 400;
  EXPECT_TRUE(TBrowserEx::GripTarget(615, 400, -5, 30, left, top));
  EXPECT_EQ(left, 615);
  EXPECT_EQ(top, 430);
}

TEST(BrowserPages, VendorAddressesReportQueriesAndOwnOrigins) {
  deploy::Reset();
  EXPECT_FALSE(ReportAvailable());
  EXPECT_EQ(PageAddress(UM_BROWSER_REPORT, false, u"id=1"), "") << "no vendor, no report page";
  EXPECT_TRUE(IsOwnPage("qor://pages/find.html", false));
  EXPECT_FALSE(IsOwnPage("http://127.0.0.1:1/qor/browser/5.3/", false));

  deploy::SetValue(deploy::VendorApiHost, "127.0.0.1:8123");
  deploy::SetValue(deploy::AdminPathSegment, "abcdefgh123456");
  EXPECT_TRUE(ReportAvailable());
  EXPECT_EQ(PageAddress(UM_BROWSER_HOME, false, u""), "http://127.0.0.1:8123/qor/browser/5.3/");
  EXPECT_EQ(PageAddress(UM_BROWSER_FIND, false, u""), "http://127.0.0.1:8123/qor/browser/5.3/find.php");
  EXPECT_EQ(PageAddress(UM_BROWSER_ABOUT, false, u""), "http://127.0.0.1:8123/qor/browser/5.3/about.php?v=5.3");
  EXPECT_EQ(PageAddress(UM_BROWSER_HOME, true, u""), "http://127.0.0.1:8123/qor/browser/abcdefgh123456/");
  EXPECT_EQ(ReportQuery(u"661975", false), u"id=661975&url=http://127.0.0.1:8123/qor/browser/5.3/browser.php");
  EXPECT_EQ(ReportQuery(u"661975", true), u"id=661975&ref=http://127.0.0.1:8123/qor/browser/abcdefgh123456/browser.php");
  EXPECT_EQ(PageAddress(UM_BROWSER_REPORT, false, ReportQuery(u"9", false)),
            "http://127.0.0.1:8123/qor/browser/5.3/report.php?id=9&url=http://127.0.0.1:8123/qor/browser/5.3/browser.php");
  EXPECT_EQ(PageAddress(UM_BROWSER_REPORT, false, u""), "");
  EXPECT_TRUE(IsOwnPage("http://127.0.0.1:8123/any/page.html", false)) << "the whole origin, not only the folder";
  EXPECT_TRUE(IsOwnPage("qor://pages/home.html", false));
  EXPECT_FALSE(IsOwnPage("http://127.0.0.1:8124/qor/browser/5.3/", false));
  EXPECT_FALSE(IsOwnPage("https://127.0.0.1:8123/", false));
  EXPECT_FALSE(IsOwnPage("http://127.0.0.1.evil.example:8123/", false));
  deploy::Reset();
}

TEST(BrowserPages, ProgressTextAndTheTitleRule) {
  EXPECT_EQ(ProgressText(ProgressPercent(0.42, 1.0)), u"Yükleniyor (%42)...");
  EXPECT_EQ(ProgressPercent(421, 1000), 42);
  EXPECT_EQ(ProgressPercent(0, 1000), 0);
  EXPECT_EQ(ProgressPercent(10, 0), 0);
  EXPECT_EQ(ProgressPercent(-3, 10), 0);
  EXPECT_EQ(ProgressPercent(30, 10), 100) << "beyond the maximum reads as complete";
  EXPECT_TRUE(TitleIsAddress(u"http://127.0.0.1:8123/qor/browser/5.3/find.php"));
  EXPECT_TRUE(TitleIsAddress(u"qor://pages/find.html"));
  EXPECT_FALSE(TitleIsAddress(u"Radyo Ara"));
}

}  // namespace
}  // namespace browsertest
