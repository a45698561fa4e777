// The station list box in a real layered window under X (the suite runs
// under xvfb-run), holding the 713 built-in stations: the wheel scrolls it
// and dragging the thumb moves the view. Skipped without a display; the
// pointer is driven with xdotool. With QOR_LISTBOX_SCREENSHOT set to a file
// name the screen is saved there once the window shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "MainLoop.h"
#include "TempDir.h"
#include "app/BuiltinLists.h"
#include "tests/widgets/GtkFixture.h"
#include "ui/listbox/ListBoxInput.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/listbox/PlayListContent.h"
#include "widgets/paint/WindowEx.h"

// X11 headers last: they define macros that clash with C++ names.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

using testkit::PumpUntil;
using testwidgets::HaveProgram;
using testwidgets::RunProgram;
using testwidgets::Settle;

namespace {

constexpr int kRows = 13;
constexpr int kBoxX = 50, kBoxY = 12, kBoxW = 218;

class ListBoxGtk : public testwidgets::GtkDisplayTest {};

TEST_F(ListBoxGtk, TheWheelAndTheThumbScrollTheBuiltInStations) {
  if (!HaveProgram("xdotool")) GTEST_SKIP() << "xdotool missing";
  std::optional<std::string> broadcast = app::ResourceListSource()("BROADCAST");
  ASSERT_TRUE(broadcast) << "the built-in station database is not linked in";
  testkit::TempDir dir;
  testkit::TempDir::WriteFile(dir / "broadcast.rpf", *broadcast);

  const int height = kRows * 15 + 38;
  widgets::TWindowEx window;
  window.SetBounds(300, 200, 290, height);
  ui::TPlayListContent content;
  content.SetColour(0xff202020);
  content.SetParent(&window);
  content.SetBounds(0, 0, 290, height);
  content.SetVisible(true);
  ui::TPlayListBoxEx box;
  box.SetParent(&content);
  box.SetBounds(kBoxX, kBoxY, kBoxW, kRows * 15);
  box.SetVisibleRows(kRows);
  box.SetShowCheckBoxes(true);
  box.SetVisible(true);
  ASSERT_TRUE(box.LoadDatabase(dir / "broadcast.rpf"));
  ASSERT_EQ(box.Count(), 713);
  box.ScrollBy(0);
  box.SelectAndShowPage(0);
  // The owner's part: the wheel scrolls and the window redraws.
  box.OnMouseWheel = [&](widgets::TObject*, widgets::UINT, int delta, int, int) {
    ui::ScrollListBoxByWheel(box, delta);
    window.InvalidateTree();
  };

  window.SetVisible(true);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_NE(widget, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  Settle();
  const std::string xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(widget)));
  auto at = [](int x, int y) { return std::vector<std::string>{std::to_string(x), std::to_string(y)}; };
  auto xdotool = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    return RunProgram(args);
  };
  auto moveTo = [&](int x, int y) {
    auto p = at(x, y);
    return xdotool({"mousemove", "--window", xid, p[0], p[1]});
  };

  // Over a row: each notch down moves four rows, each notch up back.
  ASSERT_TRUE(moveTo(kBoxX + 80, kBoxY + 40));
  ASSERT_TRUE(xdotool({"click", "--repeat", "3", "5"}));
  ASSERT_TRUE(PumpUntil([&] { return box.TopIndex() == 12; })) << box.TopIndex();
  ASSERT_TRUE(xdotool({"click", "4"}));
  ASSERT_TRUE(PumpUntil([&] { return box.TopIndex() == 8; })) << box.TopIndex();
  EXPECT_EQ(box.Thumb()->Top(), 2);  // 8 rows of 700 over 145 pixels

  // Dragging the thumb 60 pixels down: 60 x 700 / 145 rows.
  const int thumbX = kBoxX + kBoxW - box.ScrollerWidth() + 6;
  const int grabY = kBoxY + box.Thumb()->Top() + 20;
  ASSERT_TRUE(moveTo(thumbX, grabY));
  ASSERT_TRUE(xdotool({"mousedown", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return widgets::GetCapture() == box.Thumb()->WindowHandle(); }));
  ASSERT_TRUE(moveTo(thumbX, grabY + 30));
  ASSERT_TRUE(moveTo(thumbX - 40, grabY + 60)) << "off the thumb, still dragging";
  ASSERT_TRUE(PumpUntil([&] { return box.Thumb()->Top() == 62; })) << box.Thumb()->Top();
  ASSERT_TRUE(xdotool({"mouseup", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return widgets::GetCapture() == 0; }));
  EXPECT_EQ(box.TopIndex(), 299);  // round(62 x 700 / 145)
  // Released: the pointer moves freely again.
  ASSERT_TRUE(moveTo(thumbX, grabY + 100));
  Settle();
  EXPECT_EQ(box.Thumb()->Top(), 62);

  if (const char* path = std::getenv("QOR_LISTBOX_SCREENSHOT")) {
    window.InvalidateTree();
    Settle();
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), 280, 180, 330, height + 40);
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(gdk_pixbuf_save(shot, path, "png", nullptr, nullptr));
    g_object_unref(shot);
  }
}

}  // namespace
