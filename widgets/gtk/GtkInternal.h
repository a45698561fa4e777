// Pieces of the GTK backend shared between its source files.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "widgets/backend/NativeEdit.h"

namespace widgets {

// Keeps the shared key and button state in line with an event's state.
void NoteGdkState(guint state);
// Notes presses of CTRL and SHIFT made anywhere on the display
// (GetAsyncKeyState's bit 0), also those no window of ours saw.
void WatchModifierPresses();

// A GtkEntry over the top-level `window`, inside a GtkFixed that becomes
// the window's child on first use; nullptr when the window already holds
// another child (a web view).
std::unique_ptr<TNativeEdit> CreateGtkEdit(GtkWidget* window, TNativeEditEvents* events);

}  // namespace widgets
