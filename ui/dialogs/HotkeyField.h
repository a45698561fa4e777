// The key-capture field of the hotkey settings: pressing a combination sets
// it, Backspace clears it. The value is a hotkey word (low byte the
// virtual-key code, high byte the HOTKEYF_ flags of app/Options.h).
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace ui {

// "Ctrl+Alt+R": the modifiers in the menu order, then the key's name;
// empty for 0.
std::u16string HotkeyText(int hotkey);
// The name of a virtual key as menus show it ("R", "F5", "Page Up").
std::u16string VirtualKeyName(unsigned vk);

// The hotkey word a key press stands for: 0 for Backspace alone (the
// field clears), -1 for keys the field leaves to the dialog (Tab, Enter
// and Escape alone, lone modifiers, keys without a virtual-key code).
int HotkeyFromKey(unsigned keyval, GdkModifierType state);

GtkWidget* NewHotkeyField(int id);
void SetHotkey(GtkWidget* field, int hotkey);
int GetHotkey(GtkWidget* field);

}  // namespace ui
