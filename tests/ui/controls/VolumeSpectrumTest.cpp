// The speaker with its volume bar, and the spectrum bars.
#include "ControlsFixture.h"

#include "ui/controls/Tinting.h"
#include "ui/controls/Visualization.h"
#include "ui/controls/VolumeControl.h"

#include <algorithm>
#include <limits>
#include <vector>

using namespace testcontrols;
using namespace widgets;

namespace {

class VolumeTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    Place(Volume, 10, 10, 20, 20);
    ASSERT_NE(Volume.Icon(), nullptr);
  }
  std::uint32_t At(int x, int y) {
    Redraw();
    return Volume.Canvas().Bitmap().Pixel(x, y);
  }
  ui::TVolumeControl Volume{&Window};
};

TEST_F(VolumeTest, BarClicksReportTheColumnAndKeepWhatTheOwnerWritesBack) {
  std::vector<int> reported;
  Volume.OnVolumeClick = [&](core::TObject*, int& volume) {
    reported.push_back(volume);
    volume = std::min(volume, 100);  // the owner clamps
  };
  Volume.Expand();
  EXPECT_EQ(Volume.Width(), 175);
  EXPECT_TRUE(Volume.Expanded());
  Native->Click(10 + 135, 10 + 5);
  Native->Click(10 + 26, 10 + 14);
  Native->Click(10 + 136, 10 + 5);  // past the bar: nothing
  Native->Click(10 + 60, 10 + 15);  // below it: nothing
  ASSERT_EQ(reported, (std::vector<int>{109, 0}));
  EXPECT_EQ(Volume.Volume(), 0);
  Native->Click(10 + 135, 10 + 5);
  EXPECT_EQ(Volume.Volume(), 100);
  // Filled up to x 126, the track after it, "%100" right of the bar.
  EXPECT_EQ(At(125, 10), ui::AccentColour);
  EXPECT_EQ(At(125, 11), ui::AccentColour);
  EXPECT_EQ(Alpha(At(126, 10)), 0xC0u);
  EXPECT_EQ(Red(At(126, 10)), 0xC0u) << "white track at 0xc0";
  EXPECT_EQ(Alpha(At(125, 12)), 0u) << "the bar is two rows high";
  bool text = false;
  for (int x = 140; x < 175; ++x)
    for (int y = 4; y < 18; ++y) text = text || Alpha(At(x, y)) > 0;
  EXPECT_TRUE(text);
}

TEST_F(VolumeTest, SpeakerClickTogglesThroughTheOwnerAndKeepsTheTint) {
  std::vector<int> seen;
  Volume.OnMuteClick = [&](core::TObject*, std::uint8_t& state) {
    seen.push_back(state);
    state = state ? 0 : 1;
  };
  Volume.Expand();
  ASSERT_EQ(Volume.TintColour(), ui::AccentColour);
  Native->Click(15, 15);
  EXPECT_EQ(Volume.GetMuted(), 1);
  auto muted = TBitmapEx::FromResource(ui::TVolumeControl::MutedImage);
  ASSERT_NE(muted, nullptr);
  EXPECT_TRUE(SamePixels(*Volume.Icon(), *muted));
  std::uint32_t stored = 0;
  EXPECT_TRUE(SamePixels(*Volume.TintedIcon(), *ui::TintedCopy(*muted, ui::AccentColour, stored)));
  Native->Click(15, 15);
  EXPECT_EQ(Volume.GetMuted(), 0);
  EXPECT_EQ(seen, (std::vector<int>{0, 1}));
  auto speaker = TBitmapEx::FromResource(ui::TVolumeControl::SpeakerImage);
  EXPECT_TRUE(SamePixels(*Volume.Icon(), *speaker));
  EXPECT_FALSE(SamePixels(*Volume.Icon(), *muted));
}

TEST_F(VolumeTest, TintWithoutFullAlphaLeavesTheResourceColours) {
  Volume.SetTint(0x80FFFFFF);
  EXPECT_EQ(Volume.TintColour(), 0u);
  EXPECT_TRUE(SamePixels(*Volume.TintedIcon(), *Volume.Icon()));
  Volume.Collapse();
  EXPECT_EQ(Volume.Width(), 20);
  EXPECT_EQ(Volume.TintColour(), 0xFFFFFFFFu);
  EXPECT_FALSE(Volume.Expanded());
}

TEST_F(VolumeTest, HintAndHandOnlyOverTheSpeaker) {
  Volume.Expand();
  Volume.SetHint(u"Ses");
  Native->MouseMove(15, 15);
  EXPECT_TRUE(Volume.ShowHint());
  EXPECT_EQ(Volume.Cursor(), 13);
  Native->MouseMove(80, 15);
  EXPECT_FALSE(Volume.ShowHint());
  EXPECT_EQ(Volume.Cursor(), 0);
}

class SpectrumTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    EXPECT_EQ(Bars.Width(), 165);
    EXPECT_EQ(Bars.Height(), 40);
    Place(Bars, 10, 10, 20, 19);
  }
  void Feed(std::vector<float> values) {
    values.resize(ui::TVisualization::SpectrumSize);
    Bars.SetSpectrum(values.data());
    Redraw();
  }
  // Rows of the column that hold a bar pixel.
  int BarHeight(int x) {
    int n = 0;
    for (int y = 0; y < Bars.Height(); ++y) n += Bars.Canvas().Bitmap().Pixel(x, y) == ui::AccentColour;
    return n;
  }
  // Rows a bar of half-height `level` covers in 19 rows around row 10
  // (19 - 19 div 2): one row more above the middle than below it fits.
  static int Covered(int level) { return std::min(19, 10 + level + 1) - std::max(0, 10 - level); }
  ui::TVisualization Bars{&Window};
};

TEST_F(SpectrumTest, QuarterFillsTheHeightAndSilenceFallsOnePixelPerPaint) {
  std::vector<float> loud(40, 0.0f);
  loud[20] = 0.25f;
  Feed(loud);
  EXPECT_EQ(Bars.Level(0), 19);
  EXPECT_EQ(BarHeight(0), 19);
  for (int paint = 1; paint <= 25; ++paint) {
    Feed({});
    int level = std::max(19 - paint, 0);
    ASSERT_EQ(Bars.Level(0), level) << "paint " << paint;
    ASSERT_EQ(BarHeight(0), Covered(level)) << "paint " << paint;
  }
  EXPECT_EQ(Bars.Canvas().Bitmap().Pixel(0, 10), ui::AccentColour) << "the single middle line";
}

TEST_F(SpectrumTest, TwentyColumnsShowBinsTwentyToTwentyNineEveryOtherPixel) {
  std::vector<float> values(60, 0.0f);
  // Bin 20 + i gets half-height i: s = sqrt(v), h = 19 * s * 2.
  for (int i = 0; i < 20; ++i) {
    float s = (i + 0.5f) / 38.0f;
    values[20 + i] = s * s;
  }
  Feed(values);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Bars.Level(i), i) << "column " << i;
    EXPECT_EQ(BarHeight(2 * i), Covered(i)) << "bar at x " << 2 * i;
    EXPECT_EQ(BarHeight(2 * i + 1), 0) << "gap at x " << 2 * i + 1;
  }
  // The loop also ran for the columns whose bars fall outside.
  EXPECT_EQ(Bars.Level(19), 19);
  float junk[3] = {1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN()};
  std::vector<float> wild(23, 0.0f);
  std::copy(junk, junk + 3, wild.begin() + 20);
  Feed(wild);
  EXPECT_EQ(Bars.Level(0), 19);
  EXPECT_EQ(Bars.Level(1), 19);
  EXPECT_EQ(Bars.Level(2), 1) << "NaN is silence: the bar falls";
}

// The window hands over only the bins the columns show; what a longer
// block left behind must not stand as sound.
TEST_F(SpectrumTest, AShorterBlockSilencesWhatTheLongerOneLeft) {
  EXPECT_EQ(Bars.BinsShown(), ui::TVisualization::FirstBin + 20);
  std::vector<float> loud(100, 0.25f);
  Bars.SetSpectrum(loud.data(), loud.size());
  Bars.SetSpectrum(loud.data(), 25);
  EXPECT_EQ(Bars.Spectrum()[24], 0.25f);
  EXPECT_EQ(Bars.Spectrum()[25], 0.0f);
  EXPECT_EQ(Bars.Spectrum()[99], 0.0f);
  Bars.SetSpectrum(nullptr, 0);
  Redraw();
  for (int paint = 0; paint < 20; ++paint) Redraw();
  EXPECT_EQ(Bars.Level(0), 0);
  EXPECT_EQ(Bars.Spectrum()[24], 0.0f);
}

TEST_F(SpectrumTest, BarsAreExactlyTheRectanglesACanvasFills) {
  Bars.SetBarWidth(3);
  std::vector<float> values(80, 0.0f);
  for (int i = 0; i < 60; ++i) values[static_cast<size_t>(i)] = static_cast<float>((i * 7) % 11) / 60.0f;
  Feed(values);
  widgets::TCanvasEx expected(Bars.Width(), Bars.Height());
  expected.SetSmoothingMode(widgets::SmoothingModeNone);
  expected.Brush().SetColor(Bars.BarColour());
  const int middle = Bars.Height() - Bars.Height() / 2;
  for (int i = 0; 4 * i < Bars.Width(); ++i)
    expected.FillRect(4 * i, middle - Bars.Level(static_cast<size_t>(i)), 4 * i + 3,
                      middle + Bars.Level(static_cast<size_t>(i)) + 1);
  int bars = 0;
  for (int y = 0; y < Bars.Height(); ++y)
    for (int x = 0; x < Bars.Width(); ++x) {
      ASSERT_EQ(Bars.Canvas().Bitmap().Pixel(x, y), expected.Bitmap().Pixel(x, y)) << "(" << x << ", " << y << ")";
      bars += Bars.Canvas().Bitmap().Pixel(x, y) != 0;
    }
  EXPECT_GT(bars, 100);
}

}  // namespace

namespace {

// A paint draws only the columns whose bar moved and reports only them:
// frame after frame the window must show what the bars drawn whole show,
// through a change of width and a translucent colour, and a frame in which
// one bar moves presents that column alone.
TEST_F(SpectrumTest, MovedBarsAloneAreDrawnAndPresentedAndMatchWholeRepaints) {
  TWindowEx wholeWindow;
  wholeWindow.SetBounds(40, 30, 300, 120);
  ui::TVisualization whole{&wholeWindow};
  whole.SetParent(&wholeWindow);
  whole.SetBounds(10, 10, 20, 19);
  whole.SetVisible(true);
  wholeWindow.SetVisible(true);
  TOffscreenWindow* wholeNative = OffscreenWindowOf(wholeWindow);
  ASSERT_NE(wholeNative, nullptr);
  std::vector<float> values(ui::TVisualization::SpectrumSize, 0.0f);
  for (int frame = 0; frame < 48; ++frame) {
    // Rising, holding and falling bars; every seventh frame silence.
    for (int i = 0; i < 20; ++i)
      values[20 + static_cast<size_t>(i)] =
          frame % 7 == 6 ? 0.0f : static_cast<float>(((i * 5 + frame * 3) % 13) / 60.0);
    if (frame == 20) {
      Bars.SetBarWidth(2);
      whole.SetBarWidth(2);
    }
    if (frame == 32) {
      Bars.SetBarColour(0x80402010);
      whole.SetBarColour(0x80402010);
    }
    Bars.SetSpectrum(values.data());
    whole.SetSpectrum(values.data());
    Redraw();
    whole.RepaintAll();
    wholeWindow.InvalidateTree();
    ASSERT_TRUE(Native->Pixels == wholeNative->Pixels) << "frame " << frame;
  }

  // Held at half-height 5, then one column falls a step: its two ends
  // changed, and the rows between them are all that is presented.
  Bars.SetBarColour(0xFFEC701F);
  const float five = (5.5f / 38.0f) * (5.5f / 38.0f);
  std::fill(values.begin(), values.end(), five);
  Bars.SetSpectrum(values.data());
  for (int paint = 0; paint < 20; ++paint) Redraw();
  ASSERT_EQ(Bars.Level(4), 5);
  int presents = Native->PresentCount;
  Redraw();
  EXPECT_EQ(Native->PresentCount, presents) << "bars that stand still present nothing";
  values[20 + 4] = 0.0f;
  Bars.SetSpectrum(values.data());
  Redraw();
  ASSERT_EQ(Native->PresentCount, presents + 1);
  ASSERT_EQ(Native->PresentedRects.size(), 1u);
  // Column 4 of bars 2 wide, 3 apart, rows 5 and 15 around the middle row
  // 10, at (10, 10) of the window.
  EXPECT_EQ(Native->PresentedRects[0], (TRect{10 + 12, 10 + 5, 10 + 14, 10 + 16}));

  // At full height a bar that falls a step still fills the column: nothing
  // to present.
  std::fill(values.begin(), values.end(), 1.0f);
  Bars.SetSpectrum(values.data());
  Redraw();
  presents = Native->PresentCount;
  values[20 + 4] = 0.0f;
  Bars.SetSpectrum(values.data());
  Redraw();
  EXPECT_EQ(Bars.Level(4), 18);
  EXPECT_EQ(Native->PresentCount, presents);
}

}  // namespace
