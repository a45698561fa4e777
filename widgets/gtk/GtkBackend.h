// The GTK backend: top-level toolkit windows become GtkWindows (X11 GDK
// backend, also under XWayland), GTK events become toolkit input.
#pragma once

#include <cstdint>
#include <vector>

namespace widgets {

// Initialises GTK on the X11 backend and installs it as the toolkit's
// backend; the calling thread becomes the user-interface thread. Returns
// false (and leaves the offscreen backend in place) when no display can be
// opened.
bool UseGtkBackend(int* argc = nullptr, char*** argv = nullptr);

// Shows a toolkit menu (widgets/menus/Menu.h) as a GtkMenu and waits for it
// to close; the chosen id or 0.
unsigned GtkTrackMenu(std::uintptr_t menu, int x, int y);

// Translates a GDK key value to a virtual-key code (0 when it has none).
unsigned KeyvalToVirtualKey(unsigned keyval);
// The GDK key values that stand for a virtual-key code (empty: none known).
std::vector<unsigned> VirtualKeyToKeyvals(unsigned vk);

}  // namespace widgets
