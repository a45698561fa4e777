#include "DialogTestKit.h"

#include <cstdlib>

#include "MainLoop.h"
#include "support/Encoding.h"
#include "ui/dialogs/DialogKit.h"

namespace testdialogs {

void DialogTest::SetUp() {
  GtkDisplayTest::SetUp();
  if (IsSkipped()) return;
  options_ = std::make_unique<app::TOptions>(enc::Utf8ToUtf16(OptionsPath()), enc::Utf8ToUtf16((dir_ / "Masaüstü").string()));
  schedule_ = std::make_unique<app::TSchedule>(enc::Utf8ToUtf16(SchedulePath()));
}

void DialogTest::TearDown() {
  while (gtk_events_pending()) gtk_main_iteration();
  GtkDisplayTest::TearDown();
}

std::string DialogTest::OptionsText() const {
  std::error_code error;
  if (!std::filesystem::exists(dir_ / "options.ini", error)) return {};
  return testkit::TempDir::ReadFile(dir_ / "options.ini");
}

void DialogTest::WriteOptionsText(const std::string& text) { testkit::TempDir::WriteFile(dir_ / "options.ini", text); }

GtkWidget* Control(GtkWidget* root, int id) {
  GtkWidget* widget = ui::FindById(root, id);
  EXPECT_NE(widget, nullptr) << "no control " << id;
  return widget;
}

void SetTicked(GtkWidget* root, int id, bool ticked) {
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(Control(root, id)), ticked);
}

bool Ticked(GtkWidget* root, int id) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(Control(root, id))); }

void SetText(GtkWidget* root, int id, const std::string& text) {
  gtk_entry_set_text(GTK_ENTRY(Control(root, id)), text.c_str());
}

std::string Text(GtkWidget* root, int id) {
  GtkWidget* widget = Control(root, id);
  if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
  return gtk_entry_get_text(GTK_ENTRY(widget));
}

void Choose(GtkWidget* root, int id, int index) { gtk_combo_box_set_active(GTK_COMBO_BOX(Control(root, id)), index); }
int Chosen(GtkWidget* root, int id) { return gtk_combo_box_get_active(GTK_COMBO_BOX(Control(root, id))); }

int Rows(GtkWidget* root, int id) {
  return gtk_tree_model_iter_n_children(gtk_combo_box_get_model(GTK_COMBO_BOX(Control(root, id))), nullptr);
}

std::string Caption(GtkWidget* root, int id) {
  const char* label = gtk_button_get_label(GTK_BUTTON(Control(root, id)));
  return label ? label : "";
}

void Click(GtkWidget* root, int id) { gtk_button_clicked(GTK_BUTTON(Control(root, id))); }

GtkWidget* OpenToplevel(int id) {
  std::string name = std::to_string(id);
  GList* tops = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* t = tops; t; t = t->next)
    if (name == gtk_widget_get_name(GTK_WIDGET(t->data)) && gtk_widget_get_visible(GTK_WIDGET(t->data)))
      found = GTK_WIDGET(t->data);
  g_list_free(tops);
  return found;
}

namespace {

struct TWaiter {
  std::function<GtkWidget*()> Find;
  std::function<void(GtkWidget*)> Act;
  int Polls = 0;
};

gboolean Poll(gpointer data) {
  auto* waiter = static_cast<TWaiter*>(data);
  GtkWidget* window = waiter->Find();
  if (window && gtk_widget_get_mapped(window)) {
    waiter->Act(window);
    delete waiter;
    return G_SOURCE_REMOVE;
  }
  if (++waiter->Polls > 500) {
    ADD_FAILURE() << "the dialog never appeared";
    delete waiter;
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

void WhenShown(std::function<GtkWidget*()> find, std::function<void(GtkWidget*)> act) {
  g_timeout_add(20, Poll, new TWaiter{std::move(find), std::move(act)});
}

void Shot(GtkWidget* window, const std::string& name) {
  const char* folder = std::getenv("QOR_DIALOG_SHOTS");
  if (!folder || !*folder) return;
  gtk_widget_show_all(window);
  testkit::PumpUntil([&] { return gtk_widget_get_mapped(window); });
  testwidgets::Settle();
  GdkWindow* gdk = gtk_widget_get_window(window);
  GdkPixbuf* picture =
      gdk_pixbuf_get_from_window(gdk, 0, 0, gdk_window_get_width(gdk), gdk_window_get_height(gdk));
  ASSERT_NE(picture, nullptr);
  std::string path = std::string(folder) + "/" + name + ".png";
  EXPECT_TRUE(gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr));
  g_object_unref(picture);
}

}  // namespace testdialogs
