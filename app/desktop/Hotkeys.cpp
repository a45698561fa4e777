#include "app/desktop/Hotkeys.h"

#include <gdk/gdk.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <keybinder.h>

#include "app/Options.h"
#include "widgets/gtk/GtkBackend.h"

namespace app {

std::string HotkeyAccelerator(int hotkey) {
  unsigned vk = static_cast<unsigned>(hotkey) & 0xFF;
  if (vk == 0) return {};
  std::vector<unsigned> keyvals = widgets::VirtualKeyToKeyvals(vk);
  if (keyvals.empty()) return {};
  const char* name = gdk_keyval_name(keyvals.front());
  if (!name) return {};
  int flags = (hotkey >> 8) & 0xFF;
  std::string text;
  if (flags & HOTKEYF_CONTROL) text += "<Control>";
  if (flags & HOTKEYF_SHIFT) text += "<Shift>";
  if (flags & HOTKEYF_ALT) text += "<Alt>";
  // HOTKEYF_EXT only told the Windows key-name lookup which of two keys
  // with one scan code was meant; the keysym already says it.
  return text + name;
}

namespace {

// The display the key grabber watches. It hooks into the display that is
// the default when it starts, so a new default display (one closed and
// another opened in the same process) needs it started again; the weak
// pointer empties when the display it watched is closed.
GdkDisplay* gWatchedDisplay = nullptr;

void WatchDefaultDisplay() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == gWatchedDisplay) return;
  if (gWatchedDisplay) g_object_remove_weak_pointer(G_OBJECT(gWatchedDisplay), reinterpret_cast<gpointer*>(&gWatchedDisplay));
  keybinder_init();
  // A hotkey is a key and the modifiers held with it, as the capture
  // field stores it. The grabber's default reads the pressed key through
  // the keyboard map first, which turns Shift+Y into a capital Y without
  // Shift: no combination with Shift ever matched its own grab.
  keybinder_set_use_cooked_accelerators(FALSE);
  gWatchedDisplay = display;
  g_object_add_weak_pointer(G_OBJECT(gWatchedDisplay), reinterpret_cast<gpointer*>(&gWatchedDisplay));
}

bool HasKey(const std::string& accelerator) {
  guint keyval = 0;
  GdkModifierType mods{};
  gtk_accelerator_parse(accelerator.c_str(), &keyval, &mods);
  if (keyval == 0) return false;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  bool found = gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval,
                                                 &keys, &count) &&
               count > 0;
  g_free(keys);
  return found;
}

}  // namespace

TGlobalKeys::TGlobalKeys() = default;

TGlobalKeys::~TGlobalKeys() { UnbindAll(); }

bool TGlobalKeys::Available() {
  GdkDisplay* display = gdk_display_get_default();
  return display && GDK_IS_X11_DISPLAY(display);
}

void TGlobalKeys::Dispatch(const char*, void* binding) {
  // A copy: the handler may rebind, which frees the binding.
  std::function<void()> pressed = static_cast<TBinding*>(binding)->Pressed;
  if (pressed) pressed();
}

TGlobalKeys::TResult TGlobalKeys::Bind(const std::string& accelerator, std::function<void()> pressed) {
  if (accelerator.empty() || !Available() || !HasKey(accelerator)) return TResult::NoKey;
  WatchDefaultDisplay();
  auto binding = std::make_unique<TBinding>(TBinding{accelerator, std::move(pressed)});
  // False means the server refused the grab: another client holds it.
  if (!keybinder_bind(accelerator.c_str(), Dispatch, binding.get())) return TResult::Held;
  FBindings.push_back(std::move(binding));
  return TResult::Bound;
}

void TGlobalKeys::UnbindAll() {
  for (auto& binding : FBindings) keybinder_unbind(binding->Accelerator.c_str(), Dispatch);
  FBindings.clear();
}

}  // namespace app
