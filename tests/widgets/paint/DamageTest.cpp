// Partial repaints: what a window presents after composing only what
// changed must equal a picture composed from scratch, frame after frame,
// and a frame in which nothing changed presents nothing.
#include "PaintFixture.h"
#include "widgets/paint/ImageEx.h"

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "widgets/gtk/GtkPresent.h"

using namespace widgets;
using testpaint::PaintSolid;
constexpr auto Place = testpaint::PlaceChild;
using testpaint::Solid;

namespace {

// One window of the kinds of controls a player holds: a translucent cached
// background, a plain container with an animated bar and a changing text
// over a half-transparent picture, a cached picture with a child that
// moves, a child that comes and goes, one that fades, one clipped to a
// moving window of its picture and one blurred.
struct TScene {
  TWindowEx Window;
  TImageEx Background;
  TControlEx Panel;
  TControlEx Bar;
  TControlEx Text;
  TImageEx Face;
  TControlEx Knob;
  TControlEx Blinker;
  TControlEx Fader;
  TControlEx Strip;
  TControlEx Soft;
  int Frame = 0;

  TScene() {
    Window.SetBounds(0, 0, 120, 80);
    Place(Background, Window, 0, 0, 120, 80);
    Background.SetAutoSize(false);
    Background.SetImage(Solid(120, 80, 0x80102030));
    Place(Panel, Window, 10, 5, 100, 30);
    Place(Bar, Panel, 5, 5, 60, 20);
    Bar.OnPaint = [this](core::TObject*) {
      // A bar that grows and falls like a spectrum column, half opaque.
      const int height = 2 + (Frame * 7) % 18;
      Bar.Canvas().Brush().SetColor(0xC0E07010);
      Bar.Canvas().FillRect((Frame * 3) % 50, 20 - height, (Frame * 3) % 50 + 6, 20);
    };
    Place(Text, Panel, 60, 8, 38, 14);
    Text.OnPaint = [this](core::TObject*) {
      Text.Canvas().Font().SetColor(0xEFFFFFFF);
      Text.Canvas().TextOut((Frame % 5) - 2, 0, u"Şarkı " + std::u16string(1, u'0' + Frame % 10));
    };
    Place(Face, Window, 10, 40, 50, 30);
    Face.SetAutoSize(false);
    Face.SetImage(Solid(50, 30, 0xFF204060));
    Place(Knob, Face, 0, 8, 12, 12);
    Knob.OnPaint = [this](core::TObject*) {
      Knob.Canvas().Brush().SetColor(0xFFFFFFFF);
      Knob.Canvas().FillRect(2, 2, 10, 10);
    };
    Place(Blinker, Window, 70, 40, 16, 16);
    Blinker.OnPaint = [this](core::TObject*) {
      Blinker.Canvas().Brush().SetColor(0xFF00FF00);
      Blinker.Canvas().FillRect(0, 0, 16, 16);
    };
    Place(Fader, Window, 90, 40, 20, 20);
    Fader.OnPaint = [this](core::TObject*) {
      Fader.Canvas().Brush().SetColor(0xFFFF0000);
      Fader.Canvas().FillRect(0, 0, 20, 20);
    };
    Place(Strip, Window, 70, 62, 40, 12);
    Strip.OnPaint = [this](core::TObject*) {
      for (int x = 0; x < 40; x += 4) {
        Strip.Canvas().Brush().SetColor(0xFF000000 | static_cast<uint32_t>(x * 6) << 8);
        Strip.Canvas().FillRect(x, 0, x + 4, 12);
      }
    };
    Place(Soft, Window, 2, 60, 10, 10);
    Soft.SetBlendBlurred(1);
    Soft.OnPaint = [this](core::TObject*) {
      Soft.Canvas().Brush().SetColor(0xFFFFFF00);
      Soft.Canvas().FillRect(Frame % 4, 3, Frame % 4 + 4, 7);
    };
    Window.SetVisible(true);
  }

  // The changes of one frame, the same in every scene.
  void Step() {
    ++Frame;
    Knob.SetLeft((Frame * 5) % 38);
    if (Frame % 3 == 0) Blinker.SetVisible(!Blinker.Visible());
    Fader.SetOpacity(static_cast<std::uint8_t>(255 - (Frame * 40) % 256));
    Strip.SetBlendClipped(core::TRect{(Frame * 4) % 30, 0, (Frame * 4) % 30 + 10, 12});
    if (Frame == 7) Face.SetImage(Solid(50, 30, 0xFF603020));
    if (Frame == 9) Panel.SetLeft(14);
  }

  TOffscreenWindow& Native() { return *OffscreenWindowOf(Window); }
};

TEST(PartialRepaintTest, EveryFrameShowsWhatAWholeRepaintShows) {
  TScene partial, whole;
  int smallFrames = 0;
  for (int frame = 0; frame < 24; ++frame) {
    partial.Step();
    whole.Step();
    partial.Window.InvalidateTree();
    whole.Window.RepaintAll();
    whole.Window.InvalidateTree();
    ASSERT_EQ(partial.Native().Pixels.size(), whole.Native().Pixels.size());
    for (size_t i = 0; i < whole.Native().Pixels.size(); ++i)
      ASSERT_EQ(partial.Native().Pixels[i], whole.Native().Pixels[i])
          << "frame " << frame << ", pixel (" << i % 120 << ", " << i / 120 << ")";
    int area = 0;
    for (const core::TRect& r : partial.Native().PresentedRects) area += r.Width() * r.Height();
    if (area < 120 * 80 / 2) ++smallFrames;
  }
  EXPECT_GE(smallFrames, 20) << "most frames present a small part of the window";
}

TEST(PartialRepaintTest, OnlyWhatChangedIsPresentedAndAnUnchangedFrameNothing) {
  TScene scene;
  TOffscreenWindow& native = scene.Native();
  scene.Window.InvalidateTree();
  const int presents = native.PresentCount;
  scene.Window.InvalidateTree();
  scene.Window.InvalidateTree();
  EXPECT_EQ(native.PresentCount, presents) << "nothing changed, nothing is presented";

  // The pictures of the bar, the text and the blurred spot change: only
  // their parts of the window go out.
  ++scene.Frame;
  scene.Window.InvalidateTree();
  ASSERT_EQ(native.PresentCount, presents + 1);
  const auto inside = [](const core::TRect& r, const core::TRect& area) {
    return r.Left >= area.Left && r.Top >= area.Top && r.Right <= area.Right && r.Bottom <= area.Bottom;
  };
  for (const core::TRect& r : native.PresentedRects)
    EXPECT_TRUE(inside(r, {15, 10, 108, 30}) || inside(r, {2, 60, 12, 70}))
        << r.Left << "," << r.Top << " - " << r.Right << "," << r.Bottom;

  // A moved child presents where it was and where it is, nothing else.
  scene.Knob.SetLeft(30);
  scene.Window.InvalidateTree();
  ASSERT_EQ(native.PresentCount, presents + 2);
  core::TRect knob = native.PresentedRects.at(0);
  for (const core::TRect& r : native.PresentedRects) {
    knob.Left = std::min(knob.Left, r.Left);
    knob.Right = std::max(knob.Right, r.Right);
    knob.Top = std::min(knob.Top, r.Top);
    knob.Bottom = std::max(knob.Bottom, r.Bottom);
  }
  EXPECT_EQ(knob, (core::TRect{10, 48, 10 + 42, 60}));

  // The window's opacity applies everywhere.
  scene.Window.SetOpacity(200);
  scene.Window.InvalidateTree();
  ASSERT_EQ(native.PresentCount, presents + 3);
  EXPECT_EQ(native.Opacity, 200);
  EXPECT_EQ(native.PresentedRects, (std::vector<core::TRect>{{0, 0, 120, 80}}));
}

// A plain container takes a damaged rectangle from its lowest child by a
// copy only where that child alone lies below it: a faded child below, a
// rectangle reaching past the child's edge or a child that blends by rules
// of its own must still be cleared and blended.
struct TStack {
  TWindowEx Window;
  TControlEx Box;     // plain, no picture of its own
  TControlEx Shade;   // lowest, faded: never copied
  TControlEx Plate;   // half over the shade, opaque and translucent parts
  TControlEx Soft;    // blurred, over the plate's right edge
  TControlEx Dot;     // moves over all of them and out past the plate
  int Frame = 0;

  TStack() {
    Window.SetBounds(0, 0, 90, 50);
    PaintSolid(Window, 0xFF203040);
    Place(Box, Window, 5, 5, 80, 40);
    Place(Shade, Box, 0, 0, 30, 40);
    Shade.SetOpacity(128);
    Shade.OnPaint = [this](core::TObject*) {
      Shade.Canvas().Brush().SetColor(0xFF10C010);
      Shade.Canvas().FillRect(0, 0, 30, 40);
    };
    Place(Plate, Box, 20, 5, 45, 30);
    Plate.OnPaint = [this](core::TObject*) {
      Plate.Canvas().Brush().SetColor(0x80404000);
      Plate.Canvas().FillRect(0, 0, 45, 30);
      Plate.Canvas().Brush().SetColor(0xFFE0E0E0);
      Plate.Canvas().FillRect(5 + Frame % 7, 10, 12 + Frame % 7, 20);
    };
    Place(Soft, Box, 58, 20, 12, 12);
    Soft.SetBlendBlurred(1);
    Soft.OnPaint = [this](core::TObject*) {
      Soft.Canvas().Brush().SetColor(0xFFFF00FF);
      Soft.Canvas().FillRect(3, 3, 9, 9);
    };
    Place(Dot, Box, 0, 0, 6, 6);
    Dot.OnPaint = [this](core::TObject*) {
      Dot.Canvas().Brush().SetColor(0xC0FFFFFF);
      Dot.Canvas().FillRect(1, 1, 5, 5);
    };
    Window.SetVisible(true);
  }

  void Step() {
    ++Frame;
    Dot.SetBounds((Frame * 5) % 78, 3 + (Frame * 3) % 36, 6, 6);
    if (Frame % 5 == 0) Soft.SetLeft(Soft.Left() == 58 ? 50 : 58);
  }

  TOffscreenWindow& Native() { return *OffscreenWindowOf(Window); }
};

TEST(PartialRepaintTest, APlainContainerCopiesOnlyWhereOneChildAloneLiesBelow) {
  TStack partial, whole;
  for (int frame = 0; frame < 40; ++frame) {
    partial.Step();
    whole.Step();
    partial.Window.InvalidateTree();
    whole.Window.RepaintAll();
    whole.Window.InvalidateTree();
    for (size_t i = 0; i < whole.Native().Pixels.size(); ++i)
      ASSERT_EQ(partial.Native().Pixels[i], whole.Native().Pixels[i])
          << "frame " << frame << ", pixel (" << i % 90 << ", " << i / 90 << ")";
  }
}

TEST(PartialRepaintTest, ChangedRectFindsTheDifferingPixels) {
  TBitmapEx before(30, 20), after(30, 20);
  before.Fill(0xFF000000);
  after.Fill(0xFF000000);
  EXPECT_EQ(ChangedRect(before, after).Width(), 0);
  after.SetPixel(4, 17, 0xFF010000);
  after.SetPixel(25, 3, 0x01000000);
  EXPECT_EQ(ChangedRect(before, after), (core::TRect{4, 3, 26, 18}));
  CopyRect(after, before, {0, 0, 10, 20});
  EXPECT_EQ(ChangedRect(before, after), (core::TRect{25, 3, 26, 4})) << "the copied part is equal";
}

// Pixels of every alpha (premultiplied), opaque and empty ones among them.
void FillRandom(TBitmapEx& b, std::mt19937& random) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const std::uint32_t pick = random() % 8;
      const std::uint32_t a = pick == 0 ? 0 : pick == 1 ? 255 : random() % 256;
      const auto part = [&] { return a ? random() % (a + 1) : 0; };
      b.SetPixel(x, y, a << 24 | part() << 16 | part() << 8 | part());
    }
}

TEST(PartialRepaintTest, ItsOwnBlendingGivesCairosPixels) {
  std::mt19937 random(7);
  TBitmapEx child(37, 23), below(50, 40);
  FillRandom(child, random);
  FillRandom(below, random);
  auto bycairo = below.Clone();
  {
    cairo_t* cr = cairo_create(bycairo->Surface());
    cairo_rectangle(cr, 5, 6, 10, 24);
    cairo_clip(cr);
    cairo_set_source_surface(cr, child.Surface(), 3, 9);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  // Placed at (3, 9), blended only inside the rectangle (5, 6)-(15, 30):
  // few pixels, which the loop of its own blends.
  BlendOver(child, below, 3, 9, {5, 6, 15, 30});
  EXPECT_EQ(ChangedRect(*bycairo, below).Width(), 0) << "as cairo's OVER paints it, and only there";

  // A large rectangle, at an offset that leaves a tail of fewer than four
  // pixels a row: every alpha with parts of every value, over random
  // pixels, runs of opaque and of empty pixels among them.
  TBitmapEx every(259, 256), under(263, 260);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 259; ++x) {
      const auto a = static_cast<std::uint32_t>(y), v = static_cast<std::uint32_t>(x) % (a + 1);
      every.SetPixel(x, y, a << 24 | v << 16 | (a - v) << 8 | ((v * 7) % (a + 1)));
    }
  FillRandom(under, random);
  auto cairoUnder = under.Clone();
  {
    cairo_t* cr = cairo_create(cairoUnder->Surface());
    cairo_set_source_surface(cr, every.Surface(), 3, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  BlendOver(every, under, 3, 1, {0, 0, 263, 260});
  EXPECT_EQ(ChangedRect(*cairoUnder, under).Width(), 0) << "every alpha and part blended as cairo does";

  // Without a compositor the window shows the picture over a dark backdrop.
  TBitmapEx screen(37, 23);
  screen.Fill(0xFF191919);
  {
    cairo_t* cr = cairo_create(screen.Surface());
    cairo_set_source_surface(cr, child.Surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  child.Flush();
  screen.Flush();
  std::vector<std::uint32_t> row(37);
  for (int y = 0; y < 23; ++y) {
    TXPresenter::OverBackdrop(reinterpret_cast<const std::uint32_t*>(child.Bits() + y * child.Stride()), row.data(), 37,
                              0x191919);
    for (int x = 0; x < 37; ++x) ASSERT_EQ(row[x], screen.Pixel(x, y)) << x << ", " << y;
  }
  TBitmapEx light(259, 256);
  light.Fill(0xFFE0C8A0);
  {
    cairo_t* cr = cairo_create(light.Surface());
    cairo_set_source_surface(cr, every.Surface(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  every.Flush();
  light.Flush();
  row.resize(259);
  for (int y = 0; y < 256; ++y) {
    TXPresenter::OverBackdrop(reinterpret_cast<const std::uint32_t*>(every.Bits() + y * every.Stride()), row.data(),
                              259, 0xE0C8A0);
    for (int x = 0; x < 259; ++x) ASSERT_EQ(row[x], light.Pixel(x, y)) << x << ", " << y;
  }
}

}  // namespace

namespace {

// A child's damage taken into its parent: exactly its pixels moved to the
// child's place and cut to the child's rectangle; cleared, the same damage
// takes new rectangles as a new one would.
TEST(PartialRepaintTest, ChildDamageMovesIntoTheParentCutToTheChild) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    TDamageEx child, parent;
    std::vector<TRect> given;
    for (int i = 0; i < 1 + round % 5; ++i) {
      const int x = static_cast<int>(random() % 30), y = static_cast<int>(random() % 30);
      given.push_back({x, y, x + 1 + static_cast<int>(random() % 15), y + 1 + static_cast<int>(random() % 15)});
      child.Add(given.back());
    }
    parent.Add(TRect{0, 0, 3, 3});
    const int dx = static_cast<int>(random() % 20) - 5, dy = static_cast<int>(random() % 20) - 5;
    const TRect clip{dx + 4, dy + 2, dx + 26, dy + 33};
    parent.Add(child, dx, dy, clip);
    auto inside = [](const TRect& r, int x, int y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; };
    for (int y = -10; y < 60; ++y)
      for (int x = -10; x < 60; ++x) {
        bool expected = inside({0, 0, 3, 3}, x, y);
        for (const TRect& r : given) expected = expected || (inside(r, x - dx, y - dy) && inside(clip, x, y));
        bool got = false;
        for (const TRect& r : parent.Rects()) got = got || inside(r, x, y);
        ASSERT_EQ(got, expected) << "round " << round << " at (" << x << ", " << y << ")";
      }
    parent.Clear();
    EXPECT_TRUE(parent.Empty());
    EXPECT_TRUE(parent.Rects().empty());
    parent.Add(TRect{5, 6, 9, 8});
    ASSERT_EQ(parent.Rects().size(), 1u);
    EXPECT_EQ(parent.Bounds(), (TRect{5, 6, 9, 8}));
  }
}

}  // namespace
