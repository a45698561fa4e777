// Global key combinations on the X display, grabbed through keybinder.
// The settings keep the hotkey words of the options (low byte a virtual-key
// code, high byte the HOTKEYF_ flags); X names keys by keysym, so each word
// is translated to an accelerator such as "<Control><Alt>r" first.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace app {

// The accelerator for a hotkey word: the modifiers as "<Control>",
// "<Shift>", "<Alt>", then the X name of the key ("r", "F5", "Page_Up",
// "KP_1"). Empty when the word holds no key or a key X has no name for.
std::string HotkeyAccelerator(int hotkey);

class TGlobalKeys {
 public:
  enum class TResult { Bound, Held, NoKey };

  TGlobalKeys();
  ~TGlobalKeys();  // lets go of every grab it made
  TGlobalKeys(const TGlobalKeys&) = delete;
  TGlobalKeys& operator=(const TGlobalKeys&) = delete;

  // Whether grabs can be made at all (an X display is open).
  static bool Available();

  // Grabs the accelerator; `pressed` runs on the user-interface thread at
  // each press. Held: another client holds the combination; NoKey: the
  // keyboard has no key for it (or there is no display).
  TResult Bind(const std::string& accelerator, std::function<void()> pressed);
  void UnbindAll();
  std::size_t Count() const { return FBindings.size(); }

 private:
  struct TBinding {
    std::string Accelerator;
    std::function<void()> Pressed;
  };
  static void Dispatch(const char* keystring, void* binding);
  std::vector<std::unique_ptr<TBinding>> FBindings;
};

}  // namespace app
