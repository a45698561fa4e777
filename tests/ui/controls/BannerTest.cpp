// The banner panel: picture from the Base64 text, the marquee along the
// bottom, the link opened on a click and nothing for an empty link.
#include "ControlsFixture.h"

#include <glib.h>

#include <string>
#include <vector>

#include "TempDir.h"
#include "ui/controls/DisplayContainerEx.h"

using namespace testcontrols;
using namespace widgets;

namespace {

// A picture of the given colour as the banner service sends it.
std::string Base64Png(const testkit::TempDir& dir, int w, int h, std::uint32_t colour) {
  TBitmapEx bitmap(w, h);
  bitmap.Fill(colour);
  const std::string path = (dir.Path() / "banner.png").string();
  EXPECT_TRUE(bitmap.SaveToPng(path));
  std::string bytes = testkit::TempDir::ReadFile(path);
  gchar* text = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string result(text);
  g_free(text);
  return result;
}

class BannerTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Panel.OpenLink = [this](const std::string& address) { Opened.push_back(address); };
  }
  testkit::TempDir Dir;
  std::vector<std::string> Opened;
  ui::TDisplayContainerEx Panel{&Window};
};

TEST_F(BannerTest, ShowsThePictureAndTextAndOpensTheLink) {
  app::TBannerInfo banner{u"Kelvarin FM şimdi yayında - yeni programlar her gün, kaçırmayın!",
                          u"https://kelvarin.example/banner", Base64Png(Dir, 200, 80, 0xFF2060C0)};
  Panel.SetBanner(banner);
  EXPECT_TRUE(Panel.Banner().Text.empty()) << "ignored before the panel exists";
  Place(Panel, 10, 10, 200, 80);
  ASSERT_NE(Panel.Picture(), nullptr);
  EXPECT_FALSE(Panel.Picture()->Visible());
  EXPECT_FALSE(Panel.Marquee()->Visible());
  Panel.SetBanner(banner);
  EXPECT_TRUE(Panel.Picture()->Visible());
  EXPECT_EQ(Panel.Picture()->Hint(), banner.Link);
  EXPECT_EQ(Panel.Picture()->Cursor(), 13);
  ui::TMarqueeLabelEx& marquee = *Panel.Marquee();
  EXPECT_TRUE(marquee.Visible());
  EXPECT_EQ(marquee.Caption(), banner.Text);
  EXPECT_EQ(marquee.Hint(), banner.Text);
  EXPECT_EQ(marquee.Top(), 80 - 16);
  EXPECT_EQ(marquee.Width(), 200);
  EXPECT_EQ(marquee.Height(), 16);
  EXPECT_EQ(marquee.FadeWidth(), 39);
  EXPECT_EQ(marquee.Margin(), 30);
  EXPECT_EQ(marquee.EdgeColour(), 0xFF202020u);
  EXPECT_TRUE(marquee.CentreVertically());
  EXPECT_EQ(marquee.Offset(), 0);
  EXPECT_FALSE(marquee.Started());
  Redraw();
  EXPECT_EQ(Native->PixelAt(60, 20), 0xFF2060C0u) << "the decoded picture";
  Native->Click(60, 20);
  EXPECT_EQ(Opened, (std::vector<std::string>{"https://kelvarin.example/banner"}));
  // Text over the picture's bottom strip.
  bool text = false;
  for (int x = 10; x < 210; ++x)
    for (int y = 74; y < 90; ++y) text = text || Red(Native->PixelAt(x, y)) > 0xC0;
  EXPECT_TRUE(text);
}

TEST_F(BannerTest, EmptyLinkShowsThePictureAndClicksDoNothing) {
  Place(Panel, 10, 10, 200, 80);
  Panel.SetBanner({u"Reklam", u"", Base64Png(Dir, 200, 80, 0xFF10A040)});
  EXPECT_TRUE(Panel.Picture()->Visible());
  Redraw();
  EXPECT_EQ(Native->PixelAt(60, 20), 0xFF10A040u);
  Native->Click(60, 20);
  EXPECT_TRUE(Opened.empty());
  // A broken picture text shows no picture (the old one would stand for
  // the wrong link) and the panel stays usable.
  Panel.SetBanner({u"Bozuk", u"https://kelvarin.example/", "bm90IGFuIGltYWdl"});
  Redraw();
  EXPECT_EQ(Native->PixelAt(60, 20), 0u);
  Native->Click(60, 20);
  EXPECT_EQ(Opened.size(), 1u);
}

TEST_F(BannerTest, ChildrenFollowThePanelsSize) {
  Place(Panel, 10, 10, 200, 80);
  Panel.SetBounds(10, 10, 260, 100);
  EXPECT_EQ(Panel.Picture()->Width(), 260);
  EXPECT_EQ(Panel.Marquee()->Top(), 84);
  EXPECT_EQ(Panel.Marquee()->Width(), 260);
}

}  // namespace
