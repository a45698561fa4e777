// A layered window on a real X server told by GDK that it was iconified
// (the suite's bare X server has no window manager to iconify it, so the
// state change is delivered as GDK delivers a window manager's): nothing
// reaches the screen until the window is restored, then what changed
// meanwhile does at once. Skipped without a display.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "tests/widgets/GtkFixture.h"
#include "widgets/paint/WindowEx.h"

#include <gdk/gdk.h>
#include <gtk/gtk.h>

using namespace widgets;
using testkit::PumpUntil;
using testwidgets::Settle;

namespace {

constexpr int kX = 340, kY = 260, kW = 60, kH = 40;

// The colour the screen shows at the window's centre (0xRRGGBB).
std::uint32_t ScreenColour() {
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), kX + kW / 2, kY + kH / 2, 1, 1);
  if (!shot) return 0xFFFFFFFF;
  const guchar* p = gdk_pixbuf_get_pixels(shot);
  const std::uint32_t colour = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
  g_object_unref(shot);
  return colour;
}

void DeliverIconified(GtkWidget* widget, bool iconified) {
  GdkEvent* event = gdk_event_new(GDK_WINDOW_STATE);
  event->window_state.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  event->window_state.send_event = TRUE;
  event->window_state.changed_mask = GDK_WINDOW_STATE_ICONIFIED;
  event->window_state.new_window_state = iconified ? GDK_WINDOW_STATE_ICONIFIED : GdkWindowState(0);
  gtk_main_do_event(event);
  gdk_event_free(event);
}

class IconicWindowGtk : public testwidgets::GtkDisplayTest {};

TEST_F(IconicWindowGtk, PaintsNothingWhileIconifiedAndWhatChangedWhenRestored) {
  std::uint32_t colour = 0xFF2050C0;
  TWindowEx window;
  window.SetBounds(kX, kY, kW, kH);
  window.OnPaint = [&](TObject*) {
    window.Canvas().Brush().SetColor(colour);
    window.Canvas().FillRect(0, 0, kW, kH);
  };
  window.SetVisible(true);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  ASSERT_TRUE(PumpUntil([] { return ScreenColour() == 0x2050C0; }));

  DeliverIconified(widget, true);
  EXPECT_TRUE(window.Iconic());
  EXPECT_FALSE(window.OnScreen());
  colour = 0xFF20C050;
  window.InvalidateTree();
  Settle();
  EXPECT_EQ(ScreenColour(), 0x2050C0u) << "an iconified window presented a picture";

  DeliverIconified(widget, false);
  EXPECT_TRUE(window.OnScreen());
  EXPECT_TRUE(PumpUntil([] { return ScreenColour() == 0x20C050; })) << "restored, the new picture shows";
  window.SetVisible(false);
}

}  // namespace
