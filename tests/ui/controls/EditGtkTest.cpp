// The search edit on the real GTK backend: a GtkEntry over a layered
// window, typed into by xdotool (Turkish letters too), with the owner
// seeing the steering keys first, the clipboard working as anywhere, and
// the pointer that goes onto it leaving the painted controls.
#include "tests/widgets/GtkFixture.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/Encoding.h"
#include "tests/ui/window/DesktopKit.h"
#include "ui/controls/Edit.h"
#include "widgets/controls/ToolTip.h"
#include "widgets/paint/WindowEx.h"
#include "Tools.h"

using namespace widgets;
using testkit::PumpUntil;
using testwidgets::HaveProgram;
using testwidgets::RunProgram;
using testwidgets::Settle;

namespace {

class EditGtk : public testwidgets::GtkDisplayTest {};

// A shown window with an edit where the player has its search box.
struct TShownEdit {
  TWindowEx window;
  ui::TEdit edit{&window};
  TShownEdit() {
    window.SetBounds(120, 120, 240, 80);
    edit.SetParent(&window);
    edit.SetBounds(20, 30, 150, 17);
    window.SetVisible(true);
    edit.SetVisible(true);
  }
};

TEST_F(EditGtk, TypedTextArrivesAsTypedAndSteeringKeysGoToTheOwner) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TWindowEx window;
  window.SetBounds(120, 120, 240, 80);
  window.OnPaint = [&](core::TObject*) {
    window.Canvas().Brush().SetColor(0xFF303030);
    window.Canvas().FillRect(0, 0, window.Width(), window.Height());
  };
  ui::TEdit edit(&window);
  edit.SetParent(&window);
  edit.SetBounds(20, 30, 150, 17);
  edit.Font().SetName("Tahoma");
  edit.Font().SetSize(8);
  edit.Font().SetColor(0xFFFFFFFF);
  edit.SetColor(0xFF202020);
  edit.SetCaretColour(0xFFFFFFFF);
  int changes = 0;
  edit.OnChange = [&](core::TObject*) { ++changes; };
  std::vector<unsigned> keys;
  edit.OnKeyDown = [&](core::TObject*, std::uint16_t& key, TShiftState) {
    keys.push_back(key);
    if (key == VK_RETURN) key = 0;  // the owner plays the selection
  };
  window.SetVisible(true);
  edit.SetVisible(true);
  ASSERT_TRUE(edit.SystemEntry()) << "a GtkEntry over the window";
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  Settle();
  const std::string xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(widget)));
  ASSERT_TRUE(RunProgram({"xdotool", "windowfocus", "--sync", xid}));
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "60", "38", "click", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return edit.HasFocus(); })) << "a click in the box focuses the entry";
  EXPECT_EQ(GetFocus(), edit.WindowHandle());

  // A Turkish keyboard, as the program's users have: ı, ş and ğ are keys
  // of their own there. The display's layout is put back afterwards.
  struct TLayoutGuard {
    bool Turkish = RunProgram({"setxkbmap", "tr"});
    ~TLayoutGuard() {
      if (Turkish) RunProgram({"setxkbmap", "us"});
    }
  } layout;
  // GTK must have read the new layout before the keys come.
  auto knows = [](guint keyval) {
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    bool found = gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval,
                                                   &keys, &count);
    g_free(keys);
    return found && count > 0;
  };
  ASSERT_TRUE(PumpUntil([&] { return knows(GDK_KEY_idotless) && knows(GDK_KEY_scedilla) && knows(GDK_KEY_gbreve); }));
  Settle();
  uitest::TKeysDoNotRepeat noRepeat;
  ASSERT_TRUE(RunProgram({"xdotool", "type", "--delay", "40", "kral ışığı"}));
  ASSERT_TRUE(PumpUntil([&] { return edit.Caption().size() >= 10; }))
      << "typed so far: " << enc::Utf16ToUtf8(edit.Caption());
  Settle();
  EXPECT_EQ(edit.Caption(), u"kral ışığı");
  EXPECT_EQ(changes, 10) << "one notice per typed letter";

  ASSERT_TRUE(RunProgram({"xdotool", "key", "Return"}));
  ASSERT_TRUE(PumpUntil([&] { return std::count(keys.begin(), keys.end(), VK_RETURN) > 0; }));
  // Selection and clipboard are the entry's own.
  ASSERT_TRUE(RunProgram({"xdotool", "key", "ctrl+a", "ctrl+c", "End", "ctrl+v"}));
  ASSERT_TRUE(PumpUntil([&] { return edit.Caption().size() >= 20; }));
  EXPECT_EQ(edit.Caption(), u"kral ışığıkral ışığı");
  ASSERT_TRUE(RunProgram({"xdotool", "key", "BackSpace"}));
  ASSERT_TRUE(PumpUntil([&] { return edit.Caption().size() == 19; }));

  // The entry's letters are in the window's picture, on the dark box.
  window.InvalidateTree();
  const TBitmapEx& picture = window.Canvas().Bitmap();
  int light = 0;
  for (int y = 30; y < 47; ++y)
    for (int x = 20; x < 170; ++x) light += ((picture.Pixel(x, y) >> 16) & 0xFF) > 0xC0;
  EXPECT_GT(light, 30);
  EXPECT_EQ(picture.Pixel(19, 35), 0xFF303030u);
  if (const char* shot = std::getenv("QOR_EDIT_SCREENSHOT")) {
    Settle();
    RunProgram({"import", "-window", "root", shot});
  }

  // Focus given to another control leaves the entry: keys go elsewhere.
  widgets::SetFocus(window.WindowHandle());
  Settle();
  EXPECT_FALSE(edit.HasFocus());
  EXPECT_FALSE(edit.NativeEdit()->Focused());
}

// The entry has a GDK window of its own, so the top-level window hears no
// more motion once the pointer is over it: the painted control it came
// from must still hear that the pointer left, and its tip must go away.
TEST_F(EditGtk, MovingOntoTheEntryLeavesThePaintedControlAndPutsItsTipAway) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TWindowEx window;
  window.SetBounds(140, 140, 260, 60);
  window.OnPaint = [&](core::TObject*) {
    window.Canvas().Brush().SetColor(0xFF303030);
    window.Canvas().FillRect(0, 0, window.Width(), window.Height());
  };
  TControlEx title(&window);
  title.SetParent(&window);
  title.SetBounds(10, 10, 100, 20);
  title.SetHint(u"Şebnem Ferah — Çocukluğumun Işıkları");
  title.SetShowHint(true);
  int enters = 0, leaves = 0;
  title.OnMouseEnter = [&](core::TObject*) { ++enters; };
  title.OnMouseLeave = [&](core::TObject*) { ++leaves; };
  ui::TEdit edit(&window);
  edit.SetParent(&window);
  edit.SetBounds(130, 12, 110, 17);
  window.SetVisible(true);
  title.SetVisible(true);
  edit.SetVisible(true);
  ASSERT_TRUE(edit.SystemEntry()) << "a GtkEntry over the window";
  TToolTip* tip = TToolTip::Instance();
  tip->SetEnableTip(true);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  Settle();
  const std::string xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(widget)));

  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "40", "20"}));
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "45", "20"}));
  ASSERT_TRUE(PumpUntil([&] { return enters > 0 && tip->ShownFor() == &title; })) << "the tip over the title";
  ASSERT_EQ(leaves, 0);

  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "180", "20"}));
  EXPECT_TRUE(PumpUntil([&] { return leaves > 0; })) << "the title heard no leave";
  EXPECT_TRUE(PumpUntil([&] { return tip->ShownFor() == nullptr; })) << "the title's tip stays over the entry";

  // Back from the entry onto the title: motion is heard again.
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "40", "20"}));
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "42", "21"}));
  EXPECT_TRUE(PumpUntil([&] { return enters > 1; }));

  // A modal dialog (the options sheet opened from a button) takes the
  // pointer from the window: the control under it loses its hover look.
  const int leavesBefore = leaves;
  GtkWidget* dialog = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_move(GTK_WINDOW(dialog), 600, 600);
  gtk_widget_show(dialog);
  EXPECT_TRUE(PumpUntil([&] { return leaves > leavesBefore; })) << "the title kept its hover under a dialog";
  gtk_widget_destroy(dialog);
  RunProgram({"xdotool", "mousemove", "0", "0"});
  Settle();
}

// Shown again (from the tray), the window keeps the keys for the control
// the toolkit has focused: GTK must not hand them to the entry, also when
// the window was active as it hid (GTK still counts it active until the
// focus-out of its hiding arrives, and here it comes back before that) and
// once it is active again.
TEST_F(EditGtk, AWindowShownAgainDoesNotFocusTheEntry) {
  TShownEdit shown;
  TWindowEx& window = shown.window;
  ui::TEdit& edit = shown.edit;
  ASSERT_TRUE(edit.SystemEntry());
  edit.SetCaption(u"Radyo Ara");  // the grey placeholder is the entry's text
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
    // Brought forward as from the tray; without a window manager GDK
    // gives it the keyboard itself.
    window.NativeWindow()->Activate();
    ASSERT_TRUE(PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(widget)); })) << "round " << round;
    Settle();
    EXPECT_FALSE(edit.NativeEdit()->Focused()) << "round " << round;
    EXPECT_FALSE(edit.HasFocus()) << "round " << round;
    EXPECT_NE(GetFocus(), edit.WindowHandle()) << "round " << round;
    int start = -1, end = -1;
    edit.NativeEdit()->Selection(start, end);
    EXPECT_EQ(start, end) << "round " << round << ": the text shown selected";
    window.SetVisible(false);
    ASSERT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(widget); }));
    window.SetVisible(true);
  }
}

}  // namespace

namespace {

// GTK's complaints (g_return_if_fail and the like) while `run` runs.
int CriticalsDuring(const std::function<void()>& run) {
  int criticals = 0;
  guint id = g_log_set_handler(
      "Gtk", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
      [](const gchar*, GLogLevelFlags, const gchar*, gpointer count) { ++*static_cast<int*>(count); }, &criticals);
  run();
  g_log_remove_handler("Gtk", id);
  return criticals;
}

// Two boxes in one place, one shown at a time, as the player's two lists
// have: the box that comes back is painted only once GTK has laid it out
// again, not while its new size is still pending.
TEST_F(EditGtk, ABoxShownAgainIsPaintedOnlyOnceLaidOut) {
  TWindowEx window;
  window.SetBounds(120, 120, 240, 80);
  ui::TEdit first(&window), second(&window);
  for (ui::TEdit* edit : {&first, &second}) {
    edit->SetParent(&window);
    edit->SetBounds(20, 30, 150, 17);
    edit->Font().SetName("Tahoma");
    edit->Font().SetSize(8);
    edit->Font().SetColor(0xFFFFFFFF);
  }
  window.SetVisible(true);
  first.SetVisible(true);
  second.SetVisible(false);
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  second.SetCaption(u"ankara");
  Settle();
  int criticals = CriticalsDuring([&] {
    for (int i = 0; i < 3; ++i) {
      ui::TEdit& shown = i % 2 ? first : second;
      ui::TEdit& hidden = i % 2 ? second : first;
      hidden.SetVisible(false);
      shown.SetVisible(true);
      shown.SetCaption(i % 2 ? u"türk" : u"ankara");
      window.InvalidateTree();
      Settle();
    }
  });
  EXPECT_EQ(criticals, 0);
  // Laid out, the box shown last has its letters in the picture.
  window.InvalidateTree();
  const TBitmapEx& picture = window.Canvas().Bitmap();
  int light = 0;
  for (int y = 30; y < 47; ++y)
    for (int x = 20; x < 170; ++x) light += ((picture.Pixel(x, y) >> 16) & 0xFF) > 0xC0;
  EXPECT_GT(light, 20);
}

}  // namespace

namespace {

// The GtkEntry below `widget`, if any.
GtkWidget* FindEntry(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget)) return widget;
  GtkWidget* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c && !found; c = c->next) found = FindEntry(GTK_WIDGET(c->data));
    g_list_free(children);
  }
  return found;
}

// The entry's place is watched four times a second while the window shows;
// a hidden window takes no clicks, so the watch sleeps with it (a program
// hidden in the tray wakes for nothing), and showing the window again
// brings the entry and the watch back.
TEST_F(EditGtk, ThePlaceWatchSleepsWhileTheWindowIsHidden) {
  TShownEdit shown;
  TWindowEx& window = shown.window;
  ui::TEdit& edit = shown.edit;
  ASSERT_TRUE(edit.SystemEntry());
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(widget); }));
  GtkWidget* entry = FindEntry(widget);
  ASSERT_NE(entry, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_visible(entry); }));
  EXPECT_TRUE(edit.WatchingPlace());

  window.SetVisible(false);
  ASSERT_TRUE(PumpUntil([&] { return !edit.WatchingPlace(); })) << "the watch runs on while hidden";

  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return edit.WatchingPlace() && gtk_widget_get_visible(entry); }))
      << "the window shows again, the entry or its watch does not";
}

}  // namespace
