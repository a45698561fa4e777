// Presses of the modifier keys anywhere on the display, whichever window
// has the keyboard. Polling the key map only sees a key that is down at
// the moment of the poll, so a quick tap between two polls would be lost;
// the keyboard extension tells every client that asks when the modifier
// state changes, and each new CTRL or SHIFT is noted as a press.
#include <gtk/gtk.h>
// X11 after GTK.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include "widgets/backend/Backend.h"
#include "widgets/gtk/GtkInternal.h"

namespace widgets {

namespace {

int gXkbEventBase = -1;
unsigned gLastMods = 0;

GdkFilterReturn ModifierFilter(GdkXEvent* native, GdkEvent*, gpointer) {
  auto* event = static_cast<XEvent*>(native);
  if (gXkbEventBase < 0 || event->type != gXkbEventBase) return GDK_FILTER_CONTINUE;
  auto* xkb = reinterpret_cast<XkbEvent*>(event);
  if (xkb->any.xkb_type != XkbStateNotify) return GDK_FILTER_CONTINUE;
  unsigned mods = xkb->state.mods;
  unsigned pressed = mods & ~gLastMods;
  gLastMods = mods;
  if (pressed & ControlMask) NoteKeyPressed(VK_CONTROL);
  if (pressed & ShiftMask) NoteKeyPressed(VK_SHIFT);
  // GDK reads the same event for its own key map.
  return GDK_FILTER_CONTINUE;
}

}  // namespace

void WatchModifierPresses() {
  if (gXkbEventBase >= 0) return;
  GdkDisplay* display = gdk_display_get_default();
  if (!display || !GDK_IS_X11_DISPLAY(display)) return;
  Display* x = GDK_DISPLAY_XDISPLAY(display);
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(x, &opcode, &eventBase, &errorBase, &major, &minor)) return;
  // Only the modifier parts are added; what GDK selected stays selected.
  constexpr unsigned long parts = XkbModifierStateMask | XkbModifierBaseMask;
  if (!XkbSelectEventDetails(x, XkbUseCoreKbd, XkbStateNotify, parts, parts)) return;
  XkbStateRec state{};
  if (XkbGetState(x, XkbUseCoreKbd, &state) == Success) gLastMods = state.mods;
  gXkbEventBase = eventBase;
  gdk_window_add_filter(nullptr, ModifierFilter, nullptr);
}

}  // namespace widgets
