// The player window's frames on the offscreen backend: the spectrum, the
// sliding title and the throbber are composed and presented only where
// they changed, and what reaches the screen is what a whole repaint of the
// window shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "PlayerWindowKit.h"
#include "ui/controls/Edit.h"
#include "ui/window/PlayerLayout.h"
#include "widgets/backend/Offscreen.h"

namespace {

using namespace core;
using uitest::TPlayerWindowKit;

class PlayerRepaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\nleft=100\ntop=50\nplayident=0x6\n[playlist]\nvisible=1\n");
    // More stations than rows, so that the lists show their scroll tracks.
    std::vector<uitest::TStation> stations = {
        {u"Kısa", "http://127.0.0.1:1/a", 5},
        {u"Çok uzun bir istasyon adı, kayan yazı için fazlasıyla uzun", "http://127.0.0.1:1/b", 6}};
    for (int i = 0; i < 20; ++i)
      stations.push_back({u"İstasyon " + std::u16string(1, static_cast<char16_t>(u'A' + i)),
                          "http://127.0.0.1:1/s" + std::to_string(i), 10 + i});
    Kit.WriteFavourites(stations);
    Kit.WriteDatabase(stations);
  }
  widgets::TOffscreenWindow& Native() { return *widgets::OffscreenWindowOf(*Kit.Window); }
  // One tick of the window's frame timer.
  void Frame() { SendMessage(Kit.Window->WindowHandle(), WM_TIMER, ui::tmTick, 0); }
  // Whether the native window shows exactly the window's composed picture.
  ::testing::AssertionResult ShowsItsCanvas() {
    const widgets::TBitmapEx& canvas = Kit.Window->Canvas().Bitmap();
    canvas.Flush();
    widgets::TOffscreenWindow& native = Native();
    if (native.PixelWidth != canvas.Width() || native.PixelHeight != canvas.Height())
      return ::testing::AssertionFailure() << "size " << native.PixelWidth << "x" << native.PixelHeight;
    for (int y = 0; y < canvas.Height(); ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(canvas.Bits() + static_cast<size_t>(y) * canvas.Stride());
      for (int x = 0; x < canvas.Width(); ++x)
        if (native.Pixels[static_cast<size_t>(y) * canvas.Width() + x] != row[x])
          return ::testing::AssertionFailure() << "stale pixel at (" << x << ", " << y << ")";
    }
    return ::testing::AssertionSuccess();
  }
  TPlayerWindowKit Kit;
};

TEST_F(PlayerRepaintTest, AnimatedFramesMatchAWholeRepaintAndAStillFramePresentsNothing) {
  auto& w = Kit.Open();
  ASSERT_GT(w.Height(), ui::PlayerInitialHeight) << "the list panel is open";
  w.Marquee()->SetStartDelay(0);
  w.Marquee()->Reset(0);
  Kit.Event(4);  // connecting: the throbber turns
  ASSERT_TRUE(w.Throbber()->Visible());
  std::vector<float>& spectrum = Kit.Controller.Spectrum;
  spectrum.assign(ui::TVisualization::SpectrumSize, 0.0f);
  const int marqueeStart = w.Marquee()->Offset();
  for (int frame = 0; frame < 40; ++frame) {
    for (size_t i = 0; i < spectrum.size(); ++i)
      spectrum[i] = static_cast<float>(0.05 + 0.05 * std::sin(0.3 * static_cast<double>(i) + frame));
    Frame();
    ASSERT_TRUE(ShowsItsCanvas()) << "frame " << frame;
  }
  EXPECT_NE(w.Marquee()->Offset(), marqueeStart) << "the title slid on the window's tick";
  int area = 0;
  for (const TRect& r : Native().PresentedRects) area += r.Width() * r.Height();
  EXPECT_LT(area, w.Width() * w.Height() / 4) << "a frame presents the parts that move, not the window";

  // Full bars stand still under repaints; the partial frames must have left
  // exactly what a repaint of every control from scratch draws.
  spectrum.assign(spectrum.size(), 1.0f);
  Frame();
  const std::vector<std::uint32_t> shown = Native().Pixels;
  w.RepaintAll();
  w.InvalidateTree();
  EXPECT_TRUE(Native().Pixels == shown) << "the partial frames left stale pixels";

  // Stopped with silence and a title that fits: once the bars have fallen,
  // a frame changes nothing and presents nothing.
  Kit.Event(0);
  spectrum.assign(spectrum.size(), 0.0f);
  w.SetCaption(u"Kısa");
  w.Marquee()->SetCaption(u"Kısa");
  for (int frame = 0; frame < 60; ++frame) Frame();
  ASSERT_TRUE(ShowsItsCanvas());
  const int presents = Native().PresentCount;
  Frame();
  Frame();
  EXPECT_EQ(Native().PresentCount, presents);
}

// With the list panel open, frames that change only the spectrum and the
// title walk none of the panel: the lists compare their rows and the search
// field looks at its entry before each frame, and what changed there shows
// in the very next frame as a repaint from scratch shows it.
TEST_F(PlayerRepaintTest, AnOpenListPanelStandsStillUntilItsRowsOrItsSearchTextChange) {
  auto& w = Kit.Open();
  ASSERT_TRUE(w.ListPanel()->Visible());
  w.Marquee()->SetStartDelay(0);
  w.Marquee()->Reset(0);
  std::vector<float>& spectrum = Kit.Controller.Spectrum;
  spectrum.assign(ui::TVisualization::SpectrumSize, 0.0f);
  auto animate = [&](int frame) {
    for (size_t i = 0; i < spectrum.size(); ++i)
      spectrum[i] = static_cast<float>(0.05 + 0.05 * std::sin(0.3 * static_cast<double>(i) + frame));
  };
  auto matchesWhole = [&]() -> ::testing::AssertionResult {
    const std::vector<std::uint32_t> shown = Native().Pixels;
    w.RepaintAll();
    w.InvalidateTree();
    if (Native().Pixels != shown) return ::testing::AssertionFailure() << "stale pixels";
    return ::testing::AssertionSuccess();
  };
  for (int frame = 0; frame < 5; ++frame) {
    animate(frame);
    Frame();
  }
  for (int frame = 5; frame < 10; ++frame) {
    animate(frame);
    Frame();
    ASSERT_TRUE(w.Favourites()->Settled()) << "frame " << frame;
    ASSERT_TRUE(w.ListContent()->Settled()) << "frame " << frame;
    ASSERT_TRUE(w.ListPanel()->Settled()) << "frame " << frame;
  }
  EXPECT_FALSE(w.Visualization()->Settled()) << "the spectrum moves on";

  // A row selected, an entry renamed behind the box's back, the view
  // scrolled: each shows in the next frame. (Full bars stand still under
  // the repaints that compare.)
  spectrum.assign(spectrum.size(), 1.0f);
  Frame();
  ui::TPlayListBoxEx& box = *w.Favourites();
  const std::vector<std::uint32_t> before = Native().Pixels;
  box.SetItemIndex(3);
  Frame();
  EXPECT_NE(Native().Pixels, before) << "the new selection was not drawn";
  EXPECT_TRUE(matchesWhole()) << "selection";
  box.Item(4)->Name = u"Yeni ad";
  Frame();
  EXPECT_TRUE(matchesWhole()) << "rename";
  box.ScrollBy(-2);
  Frame();
  EXPECT_TRUE(matchesWhole()) << "scroll";
  Frame();
  EXPECT_TRUE(w.ListPanel()->Settled());

  // Text in the search field, set while the field has no focus.
  ui::TEdit* edit = w.SearchBar(1).Edit;
  ASSERT_NE(edit, nullptr);
  const std::vector<std::uint32_t> unsearched = Native().Pixels;
  edit->SetCaption(u"İst");
  Frame();
  EXPECT_NE(Native().Pixels, unsearched) << "the search text was not drawn";
  EXPECT_TRUE(matchesWhole()) << "search text";
  for (int frame = 0; frame < 3; ++frame) Frame();
  EXPECT_TRUE(w.ListPanel()->Settled());

  // Renamed while the panel is closed: shown when it opens again.
  w.ListPanel()->SetVisible(false);
  Frame();
  box.Item(box.TopIndex())->Name = u"Kapalıyken";
  Frame();
  w.ListPanel()->SetVisible(true);
  Frame();
  EXPECT_TRUE(matchesWhole()) << "renamed while closed";
}

}  // namespace
