// The GTK backend with a real X server (CI runs the tests under xvfb-run).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "GtkFixture.h"
#include "MainLoop.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/controls/Window.h"
#include "core/Timer.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/menus/Menu.h"

// X11 headers last: they define macros (None, Bool) that clash with C++.
#include <gtk/gtk.h>
#include <gdk/gdkx.h>

using namespace widgets;
using testkit::PumpUntil;
using testwidgets::HaveProgram;
using testwidgets::RunProgram;
using testwidgets::Settle;

namespace {

class GtkTest : public testwidgets::GtkDisplayTest {
 protected:
  static unsigned long Xid(TControl& window) {
    auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
    GdkWindow* gdkWindow = gtk_widget_get_window(widget);
    return gdkWindow ? gdk_x11_window_get_xid(gdkWindow) : 0;
  }

  static bool Mapped(TControl& window) {
    auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
    return gtk_widget_get_mapped(widget);
  }
};

TEST_F(GtkTest, XdotoolClickReachesTheControlUnderThePointerOnce) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TWindow window;
  window.SetCaption(u"QOR smoke");
  window.SetBounds(200, 150, 300, 120);
  TControl left(&window), right(&window);
  left.SetParent(&window);
  left.SetBounds(10, 10, 100, 80);
  left.SetVisible(true);
  right.SetParent(&window);
  right.SetBounds(160, 10, 100, 80);
  right.SetVisible(true);
  int leftClicks = 0, rightClicks = 0, rightDowns = 0;
  left.OnClick = [&](TObject*, UINT, int, int) { ++leftClicks; };
  right.OnClick = [&](TObject*, UINT, int, int) { ++rightClicks; };
  right.OnMouseDown = [&](TObject*, UINT, int, int) { ++rightDowns; };
  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(window) && Xid(window) != 0; }));
  Settle();

  std::string xid = std::to_string(Xid(window));
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", xid, "210", "50", "click", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return rightClicks > 0; }));
  Settle();
  EXPECT_EQ(rightClicks, 1);
  EXPECT_EQ(rightDowns, 1);
  EXPECT_EQ(leftClicks, 0);
  EXPECT_NE(GetLastInputTime(), 0u);
}

TEST_F(GtkTest, KeysReachTheFocusedControlAsVirtualKeysAndCharacters) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TWindow window;
  window.SetBounds(100, 100, 200, 100);
  TControl edit(&window);
  edit.SetParent(&window);
  edit.SetBounds(10, 10, 100, 30);
  edit.SetVisible(true);
  std::vector<unsigned> keys;
  std::u16string chars;
  TShiftState shift = 0;
  edit.OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState s) {
    keys.push_back(key);
    if (key == 'A') shift = s;
  };
  edit.OnChar = [&](TObject*, char16_t& ch) { chars += ch; };
  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(window) && Xid(window) != 0; }));
  edit.SetFocus();
  std::string xid = std::to_string(Xid(window));
  ASSERT_TRUE(RunProgram({"xdotool", "windowfocus", "--sync", xid}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "key", "--clearmodifiers", "shift+a", "Left", "b"}));
  ASSERT_TRUE(PumpUntil([&] { return chars.size() >= 2 && keys.size() >= 4; }));
  Settle();
  EXPECT_NE(std::find(keys.begin(), keys.end(), unsigned('A')), keys.end());
  EXPECT_NE(std::find(keys.begin(), keys.end(), unsigned(VK_LEFT)), keys.end());
  EXPECT_EQ(shift, ssShift);
  EXPECT_EQ(chars, u"Ab");
}

TEST_F(GtkTest, EmbeddedGtkWidgetKeepsItsOwnKeys) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  // As the browser window embeds its web view.
  TWindow window;
  window.SetBounds(300, 300, 200, 60);
  int toolkitKeys = 0;
  window.OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { ++toolkitKeys; };
  window.HandleNeeded();
  auto* gtkWindow = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  GtkWidget* entry = gtk_entry_new();
  gtk_container_add(GTK_CONTAINER(gtkWindow), entry);
  gtk_widget_show(entry);
  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(window) && Xid(window) != 0; }));
  gtk_widget_grab_focus(entry);
  ASSERT_TRUE(RunProgram({"xdotool", "windowfocus", "--sync", std::to_string(Xid(window))}));
  Settle();
  ASSERT_TRUE(RunProgram({"xdotool", "type", "--delay", "20", "radyo"}));
  ASSERT_TRUE(PumpUntil([&] { return std::string(gtk_entry_get_text(GTK_ENTRY(entry))) == "radyo"; }));
  EXPECT_EQ(toolkitKeys, 0);
}

TEST_F(GtkTest, CaptionDragMovesTheRealWindow) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  TWindow window;
  window.SetBounds(100, 100, 200, 100);
  window.OnMouseDown = [&](TObject*, UINT, int, int) { SendMessage(window.Handle(), WM_NCLBUTTONDOWN, HTCAPTION, 0); };
  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(window) && Xid(window) != 0; }));
  Settle();
  int startX = window.Left(), startY = window.Top();
  ASSERT_TRUE(RunProgram({"xdotool", "mousemove", "--window", std::to_string(Xid(window)), "20", "20", "mousedown", "1",
                   "mousemove_relative", "--", "15", "10", "mousemove_relative", "--", "25", "20", "mouseup", "1"}));
  ASSERT_TRUE(PumpUntil([&] { return window.Left() == startX + 40 && window.Top() == startY + 30; }))
      << window.Left() << "," << window.Top();
  Settle();
  int x = 0, y = 0;
  gdk_window_get_root_origin(gtk_widget_get_window(static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle())),
                             &x, &y);
  EXPECT_EQ(x, startX + 40);
  EXPECT_EQ(y, startY + 30);
}

TEST_F(GtkTest, AsyncKeyStateAsksTheDisplay) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  // No window of ours has the input: the state comes from the X server.
  ASSERT_TRUE(RunProgram({"xdotool", "keydown", "ctrl"}));
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  ASSERT_TRUE(RunProgram({"xdotool", "keyup", "ctrl"}));
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL) & 0x8000, 0);
  // A tap over before anyone asked is still told, once.
  testkit::PumpFor(50);
  GetAsyncKeyState(VK_CONTROL);
  ASSERT_TRUE(RunProgram({"xdotool", "key", "ctrl"}));
  EXPECT_TRUE(PumpUntil([] { return GetAsyncKeyState(VK_CONTROL) == 1; }));
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  ASSERT_TRUE(RunProgram({"xdotool", "mousedown", "1"}));
  EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0);
  ASSERT_TRUE(RunProgram({"xdotool", "mouseup", "1"}));
  EXPECT_EQ(GetAsyncKeyState(VK_LBUTTON), 0);
}

// The texts a menu item shows: its caption and, in GTK's accelerator
// style, its shortcut.
void MenuItemTexts(GtkWidget* widget, std::string& caption, std::string& shortcut) {
  if (GTK_IS_LABEL(widget)) {
    std::string cssName = gtk_widget_class_get_css_name(GTK_WIDGET_GET_CLASS(widget));
    (cssName == "accelerator" ? shortcut : caption) = gtk_label_get_label(GTK_LABEL(widget));
    return;
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* c = children; c; c = c->next) MenuItemTexts(GTK_WIDGET(c->data), caption, shortcut);
  g_list_free(children);
}

TEST_F(GtkTest, PopupMenuTakesTheKeyboardChoice) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING | MF_GRAYED, 40001, u"Kapalı");
  AppendMenuW(menu, MF_STRING | MF_CHECKED, 40010, u"&Her zaman üstte\tCtrl+T");
  HMENU sub = CreatePopupMenu();
  AppendMenuW(sub, MF_STRING, 40030, u"Alt");
  AppendMenuW(menu, MF_POPUP, sub, u"Alt menü");
  AppendMenuW(menu, MF_STRING, 40040, u"&Yürüt\tEnter");
  AppendMenuW(menu, MF_STRING, 40050, u"&Radyodan Kaydet\tCtrl+Shift+Alt+Y");
  AppendMenuW(menu, MF_STRING, 40060, u"Y&ukarı Taşı\tCtrl+Up");
  // Once the menu is up: its texts as shown, then down to the first
  // enabled item and Enter.
  std::vector<std::string> captions, shortcuts;
  TTimer keys;
  keys.SetInterval(300);
  keys.SetOnTimer([&](TObject*) {
    keys.SetEnabled(false);
    GList* tops = gtk_window_list_toplevels();
    for (GList* t = tops; t; t = t->next) {
      GtkWidget* child = gtk_bin_get_child(GTK_BIN(t->data));
      if (!child || !GTK_IS_MENU(child) || !gtk_widget_get_mapped(child)) continue;
      GList* items = gtk_container_get_children(GTK_CONTAINER(child));
      for (GList* i = items; i; i = i->next) {
        std::string caption, shortcut;
        MenuItemTexts(GTK_WIDGET(i->data), caption, shortcut);
        captions.push_back(caption);
        if (!shortcut.empty()) shortcuts.push_back(shortcut);
      }
      g_list_free(items);
    }
    g_list_free(tops);
    const char* argv[] = {"xdotool", "key", "Down", "Return", nullptr};
    g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                  nullptr);
  });
  UINT chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD, 100, 100, 0);
  EXPECT_EQ(chosen, 40010u);
  // The captions with their access keys, and the shortcuts exactly as the
  // captions give them (GTK itself would say "Shift+Ctrl+Alt+Y").
  EXPECT_EQ(captions, (std::vector<std::string>{"Kapalı", "_Her zaman üstte", "Alt menü", "_Yürüt",
                                                "_Radyodan Kaydet", "Y_ukarı Taşı"}));
  EXPECT_EQ(shortcuts, (std::vector<std::string>{"Ctrl+T", "Enter", "Ctrl+Shift+Alt+Y", "Ctrl+Up"}));
  DestroyMenu(menu);
}

// An access key chooses its item while the menu is open.
TEST_F(GtkTest, PopupMenuAccessKeyChoosesTheItem) {
  ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 40001, u"&Yürüt\tEnter");
  AppendMenuW(menu, MF_STRING, 40002, u"&Durdur\tCtrl+S");
  AppendMenuW(menu, MF_STRING | MF_CHECKED, 40003, u"Kış &Uykusu\tCtrl+Shift+K");
  TTimer keys;
  keys.SetInterval(300);
  keys.SetOnTimer([&](TObject*) {
    keys.SetEnabled(false);
    const char* argv[] = {"xdotool", "key", "u", nullptr};
    g_spawn_async(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                  nullptr);
  });
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 100, 100, 0), 40003u);
  DestroyMenu(menu);
}

TEST_F(GtkTest, CloseButtonOfTheWindowManagerAsksFirst) {
  TWindow window;
  window.SetBounds(50, 50, 120, 80);
  int asked = 0;
  window.OnClose = [&](TObject*, TCloseAction& action) {
    ++asked;
    action = caNone;
  };
  window.SetVisible(true);
  ASSERT_TRUE(PumpUntil([&] { return Mapped(window); }));
  auto* widget = static_cast<GtkWidget*>(window.NativeWindow()->NativeHandle());
  GdkEvent* e = gdk_event_new(GDK_DELETE);
  e->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(widget)));
  gtk_main_do_event(e);
  gdk_event_free(e);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(window.HandleAllocated());
  EXPECT_TRUE(gtk_widget_get_visible(widget));
}

TEST_F(GtkTest, WorkAreaComesFromTheMonitor) {
  TRect work = Backend().WorkArea();
  TRect screen = Backend().ScreenRect();
  EXPECT_GT(work.Width(), 0);
  EXPECT_GT(work.Height(), 0);
  EXPECT_LE(work.Width(), screen.Width());
}

}  // namespace
