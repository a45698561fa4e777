// A composition does not walk a subtree in which nothing changed since it
// was last composed, yet every change told deep inside one (a redraw, a
// move, a child shown, hidden, faded, raised, added or removed, a lock)
// still reaches the window: each frame equals a repaint from scratch.
#include "PaintFixture.h"
#include "widgets/paint/ImageEx.h"

#include <cstdint>
#include <memory>

using namespace widgets;
using testpaint::PaintSolid;
constexpr auto Place = testpaint::PlaceChild;
using testpaint::Solid;

namespace {

// A picture that counts the paints that reach it.
class TCountedImage : public TImageEx {
public:
  using TImageEx::TImageEx;
  void Paint() override {
    ++Paints;
    TImageEx::Paint();
  }
  int Paints = 0;
};

// The window of every scene here: a still panel (a background picture and
// a group inside it) beside a control that draws on every paint. Each scene
// adds its own controls to the group, then shows the window.
struct TScene {
  TWindowEx Window;
  TControlEx Panel;       // plain container
  TCountedImage Back;     // the panel's background picture
  TControlEx Group;       // a container inside the panel
  TControlEx Ticker;      // draws on every paint
  int Frame = 0;

  TScene() {
    Window.SetBounds(0, 0, 100, 60);
    PaintSolid(Window, 0xFF102030);
    Place(Panel, Window, 5, 5, 70, 50);
    Place(Back, Panel, 0, 0, 70, 50);
    Back.SetAutoSize(false);
    Back.SetImage(Solid(70, 50, 0x80406080));
    Place(Group, Panel, 10, 10, 50, 30);
    Place(Ticker, Window, 80, 5, 15, 50);
    Ticker.OnPaint = [this](core::TObject*) {
      Ticker.Canvas().Brush().SetColor(0xFFE0E000);
      Ticker.Canvas().FillRect(0, Frame % 50, 15, Frame % 50 + 3);
    };
  }

  TOffscreenWindow& Native() { return *OffscreenWindowOf(Window); }
};

// Repaints `whole` from scratch and compares it, pixel by pixel, with the
// frame that `partial` composed from its changes.
testing::AssertionResult SameAsAWholeRepaint(TScene& partial, TScene& whole) {
  whole.Window.RepaintAll();
  whole.Window.InvalidateTree();
  const auto& composed = partial.Native().Pixels;
  const auto& repainted = whole.Native().Pixels;
  if (composed.size() != repainted.size()) return testing::AssertionFailure() << "the windows differ in size";
  for (size_t i = 0; i < repainted.size(); ++i)
    if (composed[i] != repainted[i])
      return testing::AssertionFailure() << "pixel (" << i % 100 << ", " << i / 100 << ") differs";
  return testing::AssertionSuccess();
}

// A still panel of pictures two levels deep beside one control that
// changes on every frame, and the changes of a frame told to the still ones.
struct TTree : TScene {
  TCountedImage Icon;     // pictures inside the group
  TCountedImage Badge;
  TImageEx Extra;         // comes and goes as a child of the group

  TTree() {
    Place(Icon, Group, 0, 0, 20, 20);
    Icon.SetAutoSize(false);
    Icon.SetImage(Solid(20, 20, 0xFFC02010));
    Place(Badge, Group, 15, 10, 20, 20);
    Badge.SetAutoSize(false);
    Badge.SetImage(Solid(20, 20, 0xC000A000));
    Extra.SetAutoSize(false);
    Extra.SetImage(Solid(10, 10, 0xFFFFFFFF));
    Extra.SetBounds(30, 2, 10, 10);
    Window.SetVisible(true);
  }

  // Frames 0-3 change nothing in the panel; from then on each frame tells
  // one control deep inside it of a change.
  void Step() {
    ++Frame;
    switch (Frame) {
      case 5: Badge.SetImage(Solid(20, 20, 0xFF2040F0)); break;
      case 6: Badge.SetLeft(25); break;
      case 7: Icon.SetVisible(false); break;
      case 8: Icon.SetVisible(true); break;
      case 9: Badge.SetOpacity(90); break;
      case 10: Icon.BringToFront(); break;
      case 11: Place(Extra, Group, 30, 2, 10, 10); break;
      case 12: Extra.SetParent(nullptr); break;
      case 13: Group.SetLocked(true); break;
      case 14: Icon.SetImage(Solid(20, 20, 0xFF00FFFF)); break;  // held by the lock
      case 16: Group.SetLocked(false); break;
      case 17: Group.SetTop(14); break;
      case 18: Back.SetImageOpacity(128); break;
      case 19: Badge.SetBounds(20, 5, 25, 15); break;
      default: break;
    }
  }

};

TEST(UnchangedSubtreeTest, AStillSubtreeIsNotWalkedAndEveryToldChangeShowsAsAWholeRepaint) {
  TTree partial, whole;
  partial.Window.InvalidateTree();
  whole.Window.InvalidateTree();
  int stillPaints = -1;
  for (int frame = 1; frame <= 24; ++frame) {
    partial.Step();
    whole.Step();
    const int before = partial.Icon.Paints + partial.Badge.Paints + partial.Back.Paints;
    partial.Window.InvalidateTree();
    if (frame <= 4 && frame > 1) stillPaints = std::max(stillPaints, partial.Icon.Paints + partial.Badge.Paints +
                                                                         partial.Back.Paints - before);
    ASSERT_TRUE(SameAsAWholeRepaint(partial, whole)) << "frame " << frame;
  }
  EXPECT_EQ(stillPaints, 0) << "frames that changed only the ticker walked the still panel";
  EXPECT_TRUE(partial.Ticker.Settled() == false) << "a control drawn on every paint never settles";
  EXPECT_TRUE(partial.Panel.Settled());

  // A change deep inside walks just its own branch again.
  const int back = partial.Back.Paints, icon = partial.Icon.Paints;
  partial.Badge.SetImage(Solid(20, 20, 0xFF808080));
  partial.Window.InvalidateTree();
  EXPECT_EQ(partial.Back.Paints, back) << "a sibling branch stays unwalked";
  EXPECT_EQ(partial.Icon.Paints, icon);
  EXPECT_TRUE(partial.Panel.Settled());
}

}  // namespace

namespace {

// A control that draws a value nobody tells it of, compared before each
// frame, in a still panel: frames in which the value stays walk neither it
// nor the panel, and every new value shows as a repaint from scratch does,
// also one set while a panel above it was hidden.
class TPolled : public TControlEx {
public:
  explicit TPolled(TComponent* owner = nullptr) : TControlEx(owner) {
    SetCached(true);
    SetFrameChecked(true);
  }
  ~TPolled() override { DestroyHandle(); }
  void FrameCheck() override {
    ++Checks;
    if (!Visible()) return;
    if (!Showing()) {
      if (Settled()) Stir();
      return;
    }
    if (Value != Drawn) SetRedraw(true);
  }
  bool ChangesOnlyWhenTold() const override { return true; }
  void Paint() override {
    ++Paints;
    TControlEx::Paint();
  }
  void DoPaint() override {
    TControlEx::DoPaint();
    Drawn = Value;
    Canvas().Brush().SetColor(0xFF000000 | static_cast<std::uint32_t>(Value) * 0x010203u);
    Canvas().FillRect(0, 0, 4 + Value % 10, Height());
  }
  int Value = 1, Drawn = -1, Paints = 0, Checks = 0;
};

struct TPolledTree : TScene {
  TPolled List;
  TPolledTree() {
    Place(List, Group, 5, 5, 30, 20);
    Window.SetVisible(true);
  }
  void Step() {
    ++Frame;
    switch (Frame) {
      case 6: List.Value = 7; break;
      case 8: List.Value = 12; break;
      case 10: Panel.SetVisible(false); break;
      case 11: List.Value = 23; break;  // unseen: shown when the panel is
      case 13: Panel.SetVisible(true); break;
      case 15: List.SetVisible(false); break;
      case 16: List.Value = 31; break;
      case 17: List.SetVisible(true); break;
      default: break;
    }
  }
};

TEST(UnchangedSubtreeTest, AFrameCheckedControlIsWalkedOnlyInFramesInWhichItChanged) {
  TPolledTree partial, whole;
  partial.Window.InvalidateTree();
  whole.Window.InvalidateTree();
  for (int frame = 1; frame <= 20; ++frame) {
    partial.Step();
    whole.Step();
    const int paints = partial.List.Paints, back = partial.Back.Paints, checks = partial.List.Checks;
    partial.Window.InvalidateTree();
    EXPECT_EQ(partial.List.Checks, checks + 1) << "frame " << frame << ": checked once before it";
    if (frame >= 3 && frame <= 5) {
      EXPECT_EQ(partial.List.Paints, paints) << "frame " << frame << ": an unchanged value walked the list";
      EXPECT_EQ(partial.Back.Paints, back) << "frame " << frame;
      EXPECT_TRUE(partial.Panel.Settled()) << "frame " << frame;
    }
    if (frame == 6 || frame == 8) {
      EXPECT_GT(partial.List.Paints, paints) << "frame " << frame;
    }
    ASSERT_TRUE(SameAsAWholeRepaint(partial, whole)) << "frame " << frame;
  }
  EXPECT_EQ(partial.List.Drawn, 31);
  // A window of its own does not check the controls of another.
  const int checks = partial.List.Checks;
  whole.Window.InvalidateTree();
  EXPECT_EQ(partial.List.Checks, checks);
  // Gone, it is no longer checked.
  {
    TPolled gone;
    Place(gone, partial.Group, 0, 0, 5, 5);
    partial.Window.InvalidateTree();
    EXPECT_GE(gone.Checks, 1);
  }
  partial.Window.InvalidateTree();
}

}  // namespace
