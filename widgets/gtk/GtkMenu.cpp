// Menus of the toolkit shown as GtkMenus.
#include <gtk/gtk.h>

#include "core/Encoding.h"
#include "widgets/gtk/GtkBackend.h"
#include "widgets/menus/Menu.h"

namespace widgets {

namespace {

// "&Kaydet" -> "_Kaydet"; "&&" -> "&"; "_" -> "__".
std::string Mnemonic(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return out;
}

// The shortcut column shows the caption's own text after its tab ("Ctrl+Shift+Y",
// "Enter"), not GTK's rendering of a parsed accelerator, which orders the
// modifiers its own way ("Shift+Ctrl+Y"). The label takes the CSS name of
// GTK's accelerator text, so themes give it the same look.
struct TShortcutLabel {
  GtkLabel Parent;
};
struct TShortcutLabelClass {
  GtkLabelClass ParentClass;
};
G_DEFINE_TYPE(TShortcutLabel, qor_shortcut_label, GTK_TYPE_LABEL)

void qor_shortcut_label_init(TShortcutLabel*) {}
void qor_shortcut_label_class_init(TShortcutLabelClass* type) {
  gtk_widget_class_set_css_name(GTK_WIDGET_CLASS(type), "accelerator");
}

// The caption with its access key, and the shortcut text at the right edge.
GtkWidget* ItemContent(GtkWidget* item, const std::string& label, const std::string& shortcut) {
  GtkWidget* text = gtk_label_new_with_mnemonic(label.c_str());
  gtk_label_set_xalign(GTK_LABEL(text), 0);
  gtk_label_set_mnemonic_widget(GTK_LABEL(text), item);
  gtk_widget_set_hexpand(text, TRUE);
  if (shortcut.empty()) return text;
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
  gtk_box_pack_start(GTK_BOX(box), text, TRUE, TRUE, 0);
  GtkWidget* keys = GTK_WIDGET(g_object_new(qor_shortcut_label_get_type(), "label", shortcut.c_str(), nullptr));
  gtk_label_set_xalign(GTK_LABEL(keys), 1);
  gtk_box_pack_end(GTK_BOX(box), keys, FALSE, FALSE, 0);
  gtk_widget_show_all(box);
  return box;
}

void OnActivate(GtkMenuItem* item, UINT* chosen) {
  *chosen = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(item), "qor-menu-id"));
}

GtkWidget* Build(HMENU menu, UINT* chosen) {
  GtkWidget* shell = gtk_menu_new();
  for (const TMenuItem& item : MenuItems(menu)) {
    GtkWidget* widget;
    if (item.Flags & MF_SEPARATOR) {
      widget = gtk_separator_menu_item_new();
    } else {
      std::u16string text = item.Text, shortcut;
      size_t tab = text.find(u'\t');
      if (tab != std::u16string::npos) {
        shortcut = text.substr(tab + 1);
        text = text.substr(0, tab);
      }
      if (item.Flags & MF_CHECKED) {
        widget = gtk_check_menu_item_new();
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), TRUE);
      } else {
        widget = gtk_menu_item_new();
      }
      GtkWidget* content = ItemContent(widget, Mnemonic(enc::Utf16ToUtf8(text)), enc::Utf16ToUtf8(shortcut));
      gtk_widget_show(content);
      gtk_container_add(GTK_CONTAINER(widget), content);
      if (item.Flags & (MF_GRAYED | MF_DISABLED)) gtk_widget_set_sensitive(widget, FALSE);
      if (item.Flags & MF_POPUP) {
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(widget), Build(item.SubMenu, chosen));
      } else {
        g_object_set_data(G_OBJECT(widget), "qor-menu-id", GUINT_TO_POINTER(item.Id));
        g_signal_connect(widget, "activate", G_CALLBACK(OnActivate), chosen);
      }
    }
    gtk_widget_show(widget);
    gtk_menu_shell_append(GTK_MENU_SHELL(shell), widget);
  }
  return shell;
}

}  // namespace

UINT GtkTrackMenu(std::uintptr_t menu, int x, int y) {
  UINT chosen = 0;
  GtkWidget* shell = Build(menu, &chosen);
  g_object_ref_sink(shell);
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  // The item is activated just after the menu closes: quit when idle.
  g_signal_connect(shell, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                     g_idle_add(
                         [](gpointer l) -> gboolean {
                           g_main_loop_quit(static_cast<GMainLoop*>(l));
                           return G_SOURCE_REMOVE;
                         },
                         data);
                   }),
                   loop);
  GdkRectangle rect{x, y, 1, 1};
  GdkWindow* root = gdk_get_default_root_window();
  // The menu grabs the pointer of its trigger event; a menu opened from a
  // timer or a D-Bus call has none, so it gets one.
  GdkEvent* trigger = gtk_get_current_event();
  if (!trigger) {
    trigger = gdk_event_new(GDK_BUTTON_PRESS);
    trigger->button.window = GDK_WINDOW(g_object_ref(root));
    trigger->button.time = GDK_CURRENT_TIME;
    trigger->button.button = 3;
    GdkSeat* seat = gdk_display_get_default_seat(gdk_display_get_default());
    gdk_event_set_device(trigger, gdk_seat_get_pointer(seat));
  }
  gtk_menu_popup_at_rect(GTK_MENU(shell), root, &rect, GDK_GRAVITY_NORTH_WEST, GDK_GRAVITY_NORTH_WEST, trigger);
  gdk_event_free(trigger);
  if (gtk_widget_get_visible(shell)) g_main_loop_run(loop);
  gtk_widget_destroy(shell);
  g_object_unref(shell);
  g_main_loop_unref(loop);
  return chosen;
}

}  // namespace widgets
