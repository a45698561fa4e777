// The favourites' context menu on the GTK backend under Xvfb: the right
// click and the choice come from the X pointer (xdotool), the menu is the
// real GtkMenu, and the result is read from the list and playlist.rpf.
#include <glib.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DisplayLock.h"
#include "GtkFixture.h"
#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/gtk/GtkBackend.h"
#include "Tools.h"

namespace {

using uitest::TStation;
using uitest::Xdotool;

void ClickAt(int x, int y, int button) {
  Xdotool({"mousemove", std::to_string(x), std::to_string(y)});
  testkit::PumpFor(80);
  Xdotool({"click", std::to_string(button)});
}

// The first label below widget: a menu item's caption (its shortcut comes
// after it).
const char* FirstLabel(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget)) return gtk_label_get_label(GTK_LABEL(widget));
  const char* found = nullptr;
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* c = children; c && !found; c = c->next) found = FirstLabel(GTK_WIDGET(c->data));
    g_list_free(children);
  }
  return found;
}

// The mapped menu item whose caption reads `label` ("_Sil"), in any open menu.
GtkWidget* FindMenuItem(GtkWidget* widget, const char* label) {
  if (GTK_IS_MENU_ITEM(widget) && gtk_widget_get_mapped(widget)) {
    const char* text = FirstLabel(widget);
    if (text && std::string(text) == label) return widget;
  }
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* found = nullptr;
    for (GList* c = children; c && !found; c = c->next) found = FindMenuItem(GTK_WIDGET(c->data), label);
    g_list_free(children);
    return found;
  }
  return nullptr;
}

GtkWidget* OpenMenuItem(const char* label) {
  GList* tops = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* t = tops; t && !found; t = t->next) found = FindMenuItem(GTK_WIDGET(t->data), label);
  g_list_free(tops);
  return found;
}

// Clicks the given menu items one after the other as each shows up. The
// menu runs its own loop, so the choosing runs from a timeout inside it.
struct TMenuChooser {
  std::vector<std::string> Labels;
  size_t Next = 0;
  guint Source = 0;

  explicit TMenuChooser(std::vector<std::string> labels) : Labels(std::move(labels)) {
    Source = g_timeout_add(50, &TMenuChooser::Step, this);
  }
  ~TMenuChooser() {
    if (Source) g_source_remove(Source);
  }
  bool Done() const { return Next == Labels.size(); }

  static gboolean Step(gpointer data) {
    auto* self = static_cast<TMenuChooser*>(data);
    GtkWidget* item = OpenMenuItem(self->Labels[self->Next].c_str());
    if (!item) return G_SOURCE_CONTINUE;
    GtkAllocation a;
    gtk_widget_get_allocation(item, &a);
    GtkWidget* top = gtk_widget_get_toplevel(item);
    int x = 0, y = 0, ox = 0, oy = 0;
    gtk_widget_translate_coordinates(item, top, a.width / 2, a.height / 2, &x, &y);
    gdk_window_get_origin(gtk_widget_get_window(top), &ox, &oy);
    ClickAt(ox + x, oy + y, 1);
    if (++self->Next < self->Labels.size()) return G_SOURCE_CONTINUE;
    self->Source = 0;
    return G_SOURCE_REMOVE;
  }
};

class CommandGtkTest : public testwidgets::GtkDisplayTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testkit::HavePrograms({"xdotool"}));
    GtkDisplayTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Kit = std::make_unique<uitest::TPlayerWindowKit>();
    // Away from where the program's other test windows appear.
    Kit->WriteOptions(
        "[player]\nautoplay=0\nleft=700\ntop=100\n[playlist]\nvisible=1\n[application]\nshowbanner=0\n");
  }
  void TearDown() override {
    Kit.reset();
    GtkDisplayTest::TearDown();
  }
  ui::TPlayerWindow& Open() {
    auto& w = Kit->Open();
    EXPECT_TRUE(w.NativeWindow() && w.NativeWindow()->NativeHandle());
    EXPECT_TRUE(testkit::PumpUntil([&] { return w.ListPanelVisible() && w.ListContent()->Top() == 0; }));
    return w;
  }
  // A right click on a favourite's row, through the X pointer.
  void RightClickRow(ui::TPlayerWindow& w, int row) {
    auto* box = w.Favourites();
    widgets::TPoint at = box->ClientToParent({60, row * box->RowHeight() + box->RowHeight() / 2}, &w);
    ClickAt(w.Left() + at.X, w.Top() + at.Y, 3);
  }
  std::vector<std::u16string> Saved() {
    qor::TPlayList list;
    std::vector<std::u16string> names;
    if (qor::LoadFavourites(list, Kit->Dir / "settings" / "playlist.rpf"))
      for (int i = 0; i < list.Count(); ++i) names.push_back(list.Item(i)->Name);
    return names;
  }
  std::unique_ptr<uitest::TPlayerWindowKit> Kit;
};

TEST_F(CommandGtkTest, SilInTheFavouritesMenuRemovesTheStation) {
  Kit->WriteFavourites({{u"Bir", "http://127.0.0.1:1/a", 1, u""},
                        {u"İki", "http://127.0.0.1:1/b", 2, u""},
                        {u"Üç", "http://127.0.0.1:1/c", 3, u""}});
  auto& w = Open();
  TMenuChooser chooser({"_Sil"});
  RightClickRow(w, 1);
  ASSERT_TRUE(testkit::PumpUntil([&] { return w.Favourites()->Count() == 2; }, 15000));
  EXPECT_TRUE(chooser.Done());
  EXPECT_EQ(w.Favourites()->Item(0)->Name, u"Bir");
  EXPECT_EQ(w.Favourites()->Item(1)->Name, u"Üç");
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Bir", u"Üç"}));
  // The selection stays on the row that was removed.
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
}

TEST_F(CommandGtkTest, SortingDescendingFromTheMenuKeepsTheSelectedStation) {
  // Names that every collation orders alike.
  Kit->WriteFavourites({{u"Bravo", "http://127.0.0.1:1/b", 2, u""},
                        {u"Alfa", "http://127.0.0.1:1/a", 1, u""},
                        {u"Delta", "http://127.0.0.1:1/c", 3, u""},
                        {u"Zulu", "http://127.0.0.1:1/z", 4, u""}});
  auto& w = Open();
  TMenuChooser chooser({"_Sırala", "_Azalan Sıralama"});
  // The right click selects "Alfa" and opens the menu on it.
  RightClickRow(w, 1);
  ASSERT_TRUE(testkit::PumpUntil([&] { return Saved().size() == 4 && Saved()[0] == u"Zulu"; }, 15000));
  EXPECT_TRUE(chooser.Done());
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Zulu", u"Delta", u"Bravo", u"Alfa"}));
  auto* selected = w.Favourites()->Item(w.Favourites()->ItemIndex());
  ASSERT_TRUE(selected);
  EXPECT_EQ(selected->Name, u"Alfa");
  EXPECT_EQ(w.Favourites()->ItemIndex(), 3);
}

}  // namespace
