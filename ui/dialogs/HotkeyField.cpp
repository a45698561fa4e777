#include "ui/dialogs/HotkeyField.h"

#include <gdk/gdkkeysyms.h>

#include <cstdio>

#include "app/Options.h"
#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"
#include "widgets/Input.h"
#include "widgets/gtk/GtkBackend.h"

namespace ui {

using namespace core;
using namespace widgets;

std::u16string VirtualKeyName(unsigned vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::u16string(1, static_cast<char16_t>(vk));
  char text[16];
  if (vk >= VK_F1 && vk < VK_F1 + 24) {
    std::snprintf(text, sizeof text, "F%u", vk - VK_F1 + 1);
    return U16(text);
  }
  if (vk >= 0x60 && vk <= 0x69) {
    std::snprintf(text, sizeof text, "Num %u", vk - 0x60);
    return U16(text);
  }
  switch (vk) {
    case VK_BACK: return u"Backspace";
    case VK_TAB: return u"Tab";
    case VK_RETURN: return u"Enter";
    case VK_PAUSE: return u"Pause";
    case VK_ESCAPE: return u"Esc";
    case VK_SPACE: return u"Space";
    case VK_PRIOR: return u"Page Up";
    case VK_NEXT: return u"Page Down";
    case VK_END: return u"End";
    case VK_HOME: return u"Home";
    case VK_LEFT: return u"Left";
    case VK_UP: return u"Up";
    case VK_RIGHT: return u"Right";
    case VK_DOWN: return u"Down";
    case VK_INSERT: return u"Insert";
    case VK_DELETE: return u"Delete";
    case 0x6A: return u"Num *";
    case 0x6B: return u"Num +";
    case 0x6D: return u"Num -";
    case 0x6E: return u"Num Del";
    case 0x6F: return u"Num /";
    case 0xBA: return u";";
    case 0xBB: return u"=";
    case 0xBC: return u",";
    case 0xBD: return u"-";
    case 0xBE: return u".";
    case 0xBF: return u"/";
    default: break;
  }
  std::snprintf(text, sizeof text, "0x%02X", vk);
  return U16(text);
}

std::u16string HotkeyText(int hotkey) {
  if ((hotkey & 0xFF) == 0) return {};
  return app::HotkeyModifierText(hotkey) + VirtualKeyName(hotkey & 0xFF);
}

int HotkeyFromKey(unsigned keyval, GdkModifierType state) {
  int flags = 0;
  if (state & GDK_CONTROL_MASK) flags |= app::HOTKEYF_CONTROL;
  if (state & GDK_SHIFT_MASK) flags |= app::HOTKEYF_SHIFT;
  if (state & GDK_MOD1_MASK) flags |= app::HOTKEYF_ALT;
  unsigned vk = widgets::KeyvalToVirtualKey(keyval);
  if (vk == 0 || vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || vk == VK_CAPITAL) return -1;
  if (flags == 0 || flags == app::HOTKEYF_SHIFT) {
    if (vk == VK_BACK && flags == 0) return 0;
    // Focus moves and the dialog's own keys stay with the dialog.
    if (vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE) return -1;
  }
  return static_cast<int>(vk) | (flags << 8);
}

namespace {

gboolean KeyPressed(GtkWidget* field, GdkEventKey* event, gpointer) {
  // Shift+1 must name the key "1", not "!": the key's unshifted value.
  guint keyval = event->keyval;
  GdkKeymap* keymap = gdk_keymap_get_for_display(gtk_widget_get_display(field));
  guint plain = 0;
  if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode, static_cast<GdkModifierType>(0),
                                          event->group, &plain, nullptr, nullptr, nullptr) &&
      widgets::KeyvalToVirtualKey(plain) != 0)
    keyval = plain;
  int hotkey = HotkeyFromKey(keyval, static_cast<GdkModifierType>(event->state));
  if (hotkey < 0) {
    unsigned vk = widgets::KeyvalToVirtualKey(keyval);
    // A lone modifier is swallowed (the combination is still being typed).
    return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU;
  }
  SetHotkey(field, hotkey);
  return TRUE;
}

}  // namespace

GtkWidget* NewHotkeyField(int id) {
  GtkWidget* field = gtk_entry_new();
  SetId(field, id);
  gtk_editable_set_editable(GTK_EDITABLE(field), FALSE);
  gtk_entry_set_placeholder_text(GTK_ENTRY(field), "Yok");
  gtk_entry_set_width_chars(GTK_ENTRY(field), 18);
  gtk_widget_set_tooltip_text(field, "Bir tuş bileşimine basın; silmek için Geri tuşu.");
  g_signal_connect(field, "key-press-event", G_CALLBACK(KeyPressed), nullptr);
  return field;
}

void SetHotkey(GtkWidget* field, int hotkey) {
  if ((hotkey & 0xFF) == 0) hotkey = 0;
  g_object_set_data(G_OBJECT(field), "qor-hotkey", GINT_TO_POINTER(hotkey));
  gtk_entry_set_text(GTK_ENTRY(field), U8(HotkeyText(hotkey)).c_str());
}

int GetHotkey(GtkWidget* field) { return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(field), "qor-hotkey")); }

}  // namespace ui
