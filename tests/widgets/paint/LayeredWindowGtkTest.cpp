// A layered window on a real X server (the suite runs under xvfb-run): its
// picture reaches the screen with its alpha outline, and clicks follow the
// painted shapes. Skipped without a display.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "MainLoop.h"
#include "TempDir.h"
#include "Tools.h"
#include "tests/widgets/GtkFixture.h"
#include "widgets/backend/Offscreen.h"
#include "core/Timer.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/paint/ButtonEx.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"
#include "widgets/paint/WindowEx.h"

// X11 headers last: they define macros that clash with C++ names.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <sys/wait.h>

using namespace widgets;
using testkit::PumpUntil;
using testwidgets::HaveProgram;
using testwidgets::RunProgram;
using testwidgets::Settle;

namespace {

constexpr int kX = 300, kY = 200, kW = 160, kH = 100;
constexpr uint32_t kPanel = 0xFF2050C0;
constexpr uint32_t kFace = 0xFF00C000;

struct TRgb {
  int R = -1, G = -1, B = -1;
  bool operator==(const TRgb&) const = default;
};

// What the screen shows at a point of the window's rectangle.
class TScreenShot {
public:
  TScreenShot() {
    FPixbuf = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), kX, kY, kW, kH);
  }
  ~TScreenShot() {
    if (FPixbuf) g_object_unref(FPixbuf);
  }
  bool Valid() const { return FPixbuf != nullptr; }
  TRgb At(int x, int y) const {
    const guchar* p = gdk_pixbuf_get_pixels(FPixbuf) + y * gdk_pixbuf_get_rowstride(FPixbuf) +
                      x * gdk_pixbuf_get_n_channels(FPixbuf);
    return {p[0], p[1], p[2]};
  }

private:
  GdkPixbuf* FPixbuf = nullptr;
};

bool Near(TRgb got, uint32_t argb) {
  auto close = [](int a, int b) { return std::abs(a - b) <= 8; };
  return close(got.R, (argb >> 16) & 0xFF) && close(got.G, (argb >> 8) & 0xFF) && close(got.B, argb & 0xFF);
}

class LayeredWindowGtk : public testwidgets::GtkDisplayTest {};

// The test window at its place, painting the panel's colour from (left,
// top) to its far corner and leaving the rest transparent.
void PlacePanel(TWindowEx& window, int left, int top) {
  window.SetBounds(kX, kY, kW, kH);
  window.OnPaint = [&window, left, top](TObject*) {
    window.Canvas().Brush().SetColor(kPanel);
    window.Canvas().FillRect(left, top, kW, kH);
  };
}

// Shows a layered window and checks its picture and where clicks land.
// Fully transparent pixels take no input with or without a compositor.
// Under a compositor the root window no longer holds what the screen shows,
// so the desktop behind the window cannot be compared pixel for pixel.
void CheckOutlineAndClicks(bool compareDesktop) {
  TScreenShot before;
  ASSERT_TRUE(before.Valid());

  TWindowEx window;
  // A panel with a transparent column on its left.
  PlacePanel(window, 20, 0);
  TLabelEx label;
  label.SetParent(&window);
  label.Font().SetColor(0xFFFFFFFF);
  label.SetCaption(u"Katmanlı pencere");
  label.SetBounds(30, 5, label.Width(), label.Height());
  label.SetVisible(true);
  TImageEx image;
  image.SetParent(&window);
  image.SetImageId(2001);
  image.SetBounds(30, 40, image.Width(), image.Height());
  image.SetVisible(true);
  TButtonEx button;
  button.SetParent(&window);
  button.SetBounds(80, 40, 40, 40);
  auto strip = std::make_unique<TBitmapEx>(80, 40);
  for (int cell = 0; cell < 2; ++cell)
    for (int y = 10; y < 30; ++y)
      for (int x = 10; x < 30; ++x) strip->SetPixel(cell * 40 + x, y, kFace);
  button.SetStrip(std::move(strip));
  button.SetVisible(true);

  int buttonDowns = 0, buttonClicks = 0, windowDowns = 0;
  button.OnMouseDown = [&](TObject*, UINT, int, int) { ++buttonDowns; };
  button.OnClick = [&](TObject*, UINT, int, int) { ++buttonClicks; };
  window.OnMouseDown = [&](TObject*, UINT, int, int) { ++windowDowns; };

  window.SetVisible(true);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_NE(widget, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  Settle();

  TScreenShot after;
  ASSERT_TRUE(after.Valid());
  EXPECT_TRUE(Near(after.At(140, 90), kPanel));
  EXPECT_TRUE(Near(after.At(100, 60), kFace)) << "the button's face";
  EXPECT_TRUE(Near(after.At(83, 43), kPanel)) << "the panel through the button's margin";
  if (compareDesktop) {
    EXPECT_EQ(after.At(10, 50), before.At(10, 50)) << "the desktop through the transparent column";
    EXPECT_EQ(after.At(0, 0), before.At(0, 0));
  } else {
    EXPECT_FALSE(Near(after.At(10, 50), kPanel)) << "the transparent column shows no panel";
  }
  // The label and the image are on the screen too.
  EXPECT_FALSE(Near(after.At(40, 50), kPanel));

  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  GdkWindow* gdkWindow = gtk_widget_get_window(widget);
  const std::string xid = std::to_string(gdk_x11_window_get_xid(gdkWindow));

  // In the button's transparent margin: the window, not the button.
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "83", "43", "click", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return windowDowns > 0; }));
  Settle();
  EXPECT_EQ(buttonDowns, 0);
  EXPECT_EQ(buttonClicks, 0);

  // On its face: one click.
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "100", "60", "click", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return buttonClicks > 0; }));
  Settle();
  EXPECT_EQ(buttonClicks, 1);
  EXPECT_EQ(windowDowns, 1);

  // The transparent column takes no input.
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "10", "50", "click", "1"}));
  Settle();
  EXPECT_EQ(windowDowns, 1);

  // Click-through: the whole window lets the mouse fall through, and takes
  // it again when switched back.
  window.SetTransparent(true);
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "100", "60", "click", "1"}));
  Settle();
  EXPECT_EQ(buttonClicks, 1);
  window.SetTransparent(false);
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "100", "60", "click", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return buttonClicks > 1; }));
}

TEST_F(LayeredWindowGtk, ShowsItsAlphaOutlineAndButtonMarginsTakeNoClicks) {
  ASSERT_FALSE(gdk_screen_is_composited(gdk_screen_get_default())) << "a compositor is already running";
  CheckOutlineAndClicks(true);
}

// A part of the outline that goes away (a panel hidden, as the recording
// panel is when a recording stops) leaves the screen at once, although the
// picture reaches the window without GDK's painting.
TEST_F(LayeredWindowGtk, APanelHiddenLeavesTheOutlineAtOnce) {
  ASSERT_FALSE(gdk_screen_is_composited(gdk_screen_get_default())) << "a compositor is already running";
  TScreenShot before;
  ASSERT_TRUE(before.Valid());
  TWindowEx window;
  PlacePanel(window, 0, 50);
  TControlEx face;
  face.SetParent(&window);
  face.SetBounds(20, 0, 120, 50);
  face.OnPaint = [&](TObject*) {
    face.Canvas().Brush().SetColor(kFace);
    face.Canvas().FillRect(0, 0, face.Width(), face.Height());
  };
  face.SetVisible(true);
  window.SetVisible(true);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  Settle();
  {
    TScreenShot shown;
    ASSERT_TRUE(Near(shown.At(60, 20), kFace));
    ASSERT_TRUE(Near(shown.At(60, 80), kPanel));
  }
  face.SetVisible(false);
  window.InvalidateTree();
  EXPECT_TRUE(PumpUntil([&] { return TScreenShot().At(60, 20) == before.At(60, 20); }))
      << "the hidden face still on the screen";
  EXPECT_TRUE(Near(TScreenShot().At(60, 80), kPanel));
}

// With a compositing manager the window keeps its alpha instead of a cut
// shape, and its input shape must follow the picture instead.
TEST_F(LayeredWindowGtk, UnderACompositorTransparentPixelsStillTakeNoClicks) {
  gchar* path = g_find_program_in_path("xcompmgr");
  ASSERT_TRUE(path) << testkit::HavePrograms({"xcompmgr"}).message();
  const std::string program = path;
  g_free(path);
  testkit::TempDir logs;
  // Through the kit, so that the compositor never stays on the shared
  // display after this process, however it ends.
  struct TStop {
    testkit::ChildProcess Compositor;
    ~TStop() {
      Compositor.Signal(SIGTERM);
      Compositor.Wait(std::chrono::seconds(10));
      PumpUntil([] { return !gdk_screen_is_composited(gdk_screen_get_default()); });
    }
  } stop{testkit::ChildProcess(program, {}, {}, logs.Path())};
  ASSERT_TRUE(PumpUntil([] { return gdk_screen_is_composited(gdk_screen_get_default()); }));
  CheckOutlineAndClicks(false);
}

}  // namespace
