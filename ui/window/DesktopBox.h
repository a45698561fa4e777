// The message boxes the player window shows on a desktop: modal and above
// every window, since the skinned window may itself be always on top.
#pragma once

#include <gtk/gtk.h>

#include <string>

namespace ui {

void DesktopMessageBox(GtkMessageType type, const std::u16string& text, const std::u16string& caption);

}  // namespace ui
