// The banner band of the list panel: it opens only when there is a banner
// (downloaded now, or kept in the settings folder by an earlier run), and
// then shows its picture, its text and its link.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "app/UpdateCheck.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/backend/Offscreen.h"

namespace {

using namespace core;

// A skin picture of 250 x 50 as the Base64 text a banner document carries.
std::string PictureBase64() {
  GBytes* bytes = g_resources_lookup_data(QOR_SKIN_RESOURCE_BASE "/skin/2040.png", G_RESOURCE_LOOKUP_FLAGS_NONE,
                                          nullptr);
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const guchar*>(g_bytes_get_data(bytes, &size));
  gchar* text = g_base64_encode(data, size);
  std::string out = text;
  g_free(text);
  g_bytes_unref(bytes);
  return out;
}

std::string BannerDocument(const std::string& picture) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><r><t>Yeni şarkılar her gün</t>"
         "<l>https://banner.example/kampanya</l><b>" + picture + "</b></r>";
}

class BannerBandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::ResetUpdateValues();
    Picture = PictureBase64();
    ASSERT_FALSE(Picture.empty());
    Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=1\n[application]\nshowbanner=1\n");
  }
  void TearDown() override { app::ResetUpdateValues(); }
  void KeepBannerFile(const std::string& document) {
    testkit::TempDir::WriteFile(Kit.Dir / "settings" / "banner.xml", document);
  }
  void ExpectOpenWithTheBanner(ui::TPlayerWindow& w) {
    EXPECT_EQ(w.BannerBand(), ui::BannerBandMax);
    ASSERT_TRUE(w.Banner()->Visible());
    ASSERT_NE(w.Banner()->Picture(), nullptr);
    ASSERT_NE(w.Banner()->Picture()->Image(), nullptr);
    EXPECT_EQ(w.Banner()->Picture()->Image()->Width(), 250);
    EXPECT_TRUE(w.Banner()->Picture()->Visible());
    EXPECT_EQ(w.Banner()->Marquee()->Caption(), u"Yeni şarkılar her gün");
    EXPECT_EQ(w.Banner()->Picture()->Hint(), u"https://banner.example/kampanya");
    EXPECT_TRUE(w.BannerClose()->Visible());
  }

  uitest::TPlayerWindowKit Kit;
  std::string Picture;
};

TEST_F(BannerBandTest, WithoutABannerTheBandStaysShutWhateverTheOption) {
  auto& w = Kit.Open();
  ASSERT_TRUE(w.ListPanelVisible());
  EXPECT_EQ(w.BannerBand(), 0);
  EXPECT_FALSE(w.Banner()->Visible());
  const int height = w.Height();

  // A kept file that is no banner, and a banner without a picture, open
  // nothing either.
  KeepBannerFile("<html><body>404</body></html>");
  SendMessage(w.WindowHandle(), app::UM_BANNER_READY);
  EXPECT_EQ(w.BannerBand(), 0);
  KeepBannerFile(BannerDocument(""));
  w.ShowBannerBand();
  EXPECT_EQ(w.BannerBand(), 0);
  KeepBannerFile(BannerDocument("bm90IGEgcGljdHVyZQ=="));
  w.ShowBannerBand();
  EXPECT_EQ(w.BannerBand(), 0) << "Base64 that is no picture";
  EXPECT_EQ(w.Height(), height) << "the lists did not move";
}

TEST_F(BannerBandTest, TheKeptBannerOpensAtStartWithItsPictureTextAndLink) {
  KeepBannerFile(BannerDocument(Picture));
  auto& w = Kit.Open();
  ExpectOpenWithTheBanner(w);

  std::string opened;
  w.Banner()->OpenLink = [&](const std::string& address) { opened = address; };
  widgets::TImageEx* picture = w.Banner()->Picture();
  picture->OnClick(picture, widgets::MK_LBUTTON, 40, 20);
  EXPECT_EQ(opened, "https://banner.example/kampanya");

  // Its close button shuts the band and turns the banner off.
  w.BannerClose()->OnClick(w.BannerClose(), 0, 0, 0);
  EXPECT_EQ(w.BannerBand(), 0);
  EXPECT_FALSE(w.Banner()->Visible());
  EXPECT_FALSE(Kit.Options->ReadBool(app::obShowBanner));
}

TEST_F(BannerBandTest, ItsTextSlidesOnTheWindowsTickAndOnlyTheTextsStripIsPresented) {
  KeepBannerFile("<?xml version=\"1.0\" encoding=\"utf-8\"?><r><t>Yeni şarkılar her gün, kaçırmayın: "
                 "sabah kuşağı, öğle arası, akşam haberleri ve gece yarısı özel yayınlarımızla</t>"
                 "<l>https://banner.example/kampanya</l><b>" + Picture + "</b></r>");
  auto& w = Kit.Open();
  ASSERT_EQ(w.BannerBand(), ui::BannerBandMax);
  ui::TMarqueeLabelEx& text = *w.Banner()->Marquee();
  EXPECT_FALSE(text.Sliding()) << "no timer of its own: the window's tick steps it";
  DWORD now = 0;
  text.TickCount = [&now] { return now += 40; };
  text.SetStartDelay(0);
  text.Reset(0);
  widgets::TOffscreenWindow& native = *widgets::OffscreenWindowOf(w);
  SendMessage(w.WindowHandle(), WM_TIMER, ui::tmTick, 0);  // what opening left
  const widgets::TPoint at = text.ClientToParent({0, 0}, &w);
  const TRect strip{at.X, at.Y, at.X + text.Width(), at.Y + text.Height()};
  for (int frame = 0; frame < 12; ++frame) {
    const int presents = native.PresentCount;
    SendMessage(w.WindowHandle(), WM_TIMER, ui::tmTick, 0);
    if (native.PresentCount == presents) continue;
    for (const TRect& r : native.PresentedRects)
      EXPECT_TRUE(r.Left >= strip.Left && r.Top >= strip.Top && r.Right <= strip.Right && r.Bottom <= strip.Bottom)
          << "frame " << frame << ": " << r.Left << "," << r.Top << " - " << r.Right << "," << r.Bottom;
  }
  EXPECT_TRUE(text.Overflowing());
  EXPECT_LT(text.Offset(), 0) << "the text slid";
  const std::vector<std::uint32_t> shown = native.Pixels;
  w.RepaintAll();
  w.InvalidateTree();
  EXPECT_TRUE(native.Pixels == shown) << "the partial frames left stale pixels";
}

TEST_F(BannerBandTest, ADownloadedBannerOpensTheBandWhenItArrives) {
  auto& w = Kit.Open();
  ASSERT_EQ(w.BannerBand(), 0);
  app::BannerInfo() = {u"Yeni şarkılar her gün", u"https://banner.example/kampanya", Picture};
  SendMessage(w.WindowHandle(), app::UM_BANNER_READY);
  ExpectOpenWithTheBanner(w);
  // The band shuts and opens again with the same banner.
  w.HideBannerBand();
  EXPECT_EQ(w.BannerBand(), 0);
  w.ShowBannerBand();
  EXPECT_EQ(w.BannerBand(), ui::BannerBandMax);
}

TEST_F(BannerBandTest, TheRecordingNoticeKeepsClearOfTheBandsCloseButton) {
  KeepBannerFile(BannerDocument(Picture));
  Kit.WriteFavourites({{u"Radyo", "http://127.0.0.1:1/a", 6}});
  auto& w = Kit.Open();
  ExpectOpenWithTheBanner(w);
  auto place = [&](widgets::TControl* c) {
    widgets::TPoint at = c->ClientToParent({0, 0}, &w);
    return widgets::TRect{at.X, at.Y, at.X + c->Width(), at.Y + c->Height()};
  };
  auto overlap = [](const widgets::TRect& a, const widgets::TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
  };
  auto click = [&](widgets::TControl* c) {
    widgets::TRect r = place(c);
    widgets::OffscreenWindowOf(w)->Click((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  };
  Kit.Controller.PlayState = 1;
  click(w.RecordButton());
  ASSERT_TRUE(w.RecordingPanel()->Visible());
  click(w.RecordingPart().StopButton());
  ASSERT_TRUE(w.NoticePanel()->Visible());
  EXPECT_FALSE(overlap(place(w.NoticePanel()), place(w.BannerClose())));
  // A click on the band's close button reaches it, not the notice.
  click(w.BannerClose());
  EXPECT_EQ(w.BannerBand(), 0);
  EXPECT_TRUE(w.NoticePanel()->Visible());
  EXPECT_EQ(w.NoticePanel()->Top(), ui::ListPanelTop);

  // With the list panel shut the notice sits right under the display.
  w.ShowBannerBand();
  ASSERT_EQ(w.BannerBand(), ui::BannerBandMax);
  EXPECT_GE(place(w.NoticePanel()).Top, place(w.BannerClose()).Bottom);
  w.HideListPanel();
  EXPECT_EQ(w.NoticePanel()->Top(), ui::ListPanelTop);
  w.ShowListPanel();
  EXPECT_FALSE(overlap(place(w.NoticePanel()), place(w.BannerClose())));
}

}  // namespace

TEST_F(BannerBandTest, ABannerThatArrivesWhileThePanelIsShutOpensWithThePanel) {
  Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=0\n[application]\nshowbanner=1\n");
  auto& w = Kit.Open();
  ASSERT_FALSE(w.ListPanelVisible());
  app::BannerInfo() = {u"Yeni şarkılar her gün", u"https://banner.example/kampanya", Picture};
  SendMessage(w.WindowHandle(), app::UM_BANNER_READY);
  EXPECT_EQ(w.BannerBand(), 0) << "no band over a shut panel";
  w.ShowListPanel();
  ASSERT_TRUE(w.ListPanelVisible());
  ExpectOpenWithTheBanner(w);

  // Switched off by its close button, it stays shut when the panel opens again.
  w.BannerClose()->OnClick(w.BannerClose(), 0, 0, 0);
  w.HideListPanel();
  w.ShowListPanel();
  EXPECT_EQ(w.BannerBand(), 0);
  EXPECT_FALSE(w.Banner()->Visible());
}
