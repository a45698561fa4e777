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
#include "Tools.h"

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

// The list panel of the player window with the database box, in a window
// of its own.
struct TBuiltInListWindow {
  static constexpr int Height = kRows * 15 + 38;
  testkit::TempDir Dir;
  widgets::TWindowEx Window;
  ui::TPlayListContent Content;
  ui::TPlayListBoxEx Box;
  std::string Xid;

  TBuiltInListWindow() {
    Window.SetBounds(300, 200, 290, Height);
    Content.SetColour(0xff202020);
    Content.SetParent(&Window);
    Content.SetBounds(0, 0, 290, Height);
    Content.SetVisible(true);
    Box.SetParent(&Content);
    Box.SetBounds(kBoxX, kBoxY, kBoxW, kRows * 15);
    Box.SetVisibleRows(kRows);
    Box.SetShowCheckBoxes(true);
    Box.SetVisible(true);
  }
  // The 713 stations, from the program's own resources.
  bool Load() {
    std::optional<std::string> broadcast = app::ResourceListSource()("BROADCAST");
    if (!broadcast) return false;
    testkit::TempDir::WriteFile(Dir / "broadcast.rpf", *broadcast);
    if (!Box.LoadDatabase(Dir / "broadcast.rpf")) return false;
    Box.ScrollBy(0);
    Box.SelectAndShowPage(0);
    return Box.Count() == 713;
  }
  bool Show() {
    Window.SetVisible(true);
    auto* widget = static_cast<GtkWidget*>(Window.NativeWindow()->NativeHandle());
    if (!widget || !PumpUntil([&] { return gtk_widget_get_mapped(widget); })) return false;
    Settle();
    Xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(widget)));
    return true;
  }
};

TEST_F(ListBoxGtk, TheWheelAndTheThumbScrollTheBuiltInStations) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TBuiltInListWindow scene;
  ASSERT_TRUE(scene.Load()) << "the built-in station database, 713 stations";
  ui::TPlayListBoxEx& box = scene.Box;
  // The owner's part: the wheel scrolls and the window redraws.
  box.OnMouseWheel = [&](widgets::TObject*, widgets::UINT, int delta, int, int) {
    ui::ScrollListBoxByWheel(box, delta);
    scene.Window.InvalidateTree();
  };
  ASSERT_TRUE(scene.Show());
  const std::string& xid = scene.Xid;
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
    scene.Window.InvalidateTree();
    Settle();
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), 280, 180, 330,
                                                 TBuiltInListWindow::Height + 40);
    ASSERT_NE(shot, nullptr);
    EXPECT_TRUE(gdk_pixbuf_save(shot, path, "png", nullptr, nullptr));
    g_object_unref(shot);
  }
}

}  // namespace
