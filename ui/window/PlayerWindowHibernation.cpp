// Hibernation ("Kış Uykusu"): the window fades to a faint shadow of
// itself and lets every click through to what lies below, so it can stay
// on screen without being in the way. Since the pointer cannot reach it
// then, it wakes when CTRL is pressed while the pointer is over it; the
// key is polled on the animation tick, whichever window has the keyboard.
#include "app/Options.h"
#include "ui/dialogs/HibernationNotice.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;

namespace {

constexpr int FadeOutStep = 2, FadeInStep = 32;
constexpr int HibernateOpacity = 21;

}  // namespace

void TPlayerWindow::ToggleHibernate(bool notice) {
  if (FClosed) return;
  const bool on = !Transparent();
  SetTransparent(on);
  FHibernateFade = on ? -1 : 1;
  // A CTRL still held from the hotkey that switched it on is no wake-up;
  // only a new press is.
  FCtrlDown = GetAsyncKeyState(VK_CONTROL) < 0;
  SetForegroundWindow(WindowHandle());
  InvalidateTree();
  if (on && notice && FOptions.ReadBool(app::obHiberAlert)) ShowHibernationNotice(FOptions, WindowHandle());
}

void TPlayerWindow::HibernateTick() {
  // One fade step per repaint.
  if (FHibernateFade < 0) {
    int opacity = Opacity() - FadeOutStep;
    if (opacity < 24) {
      opacity = HibernateOpacity;
      FHibernateFade = 0;
    }
    SetOpacity(static_cast<std::uint8_t>(opacity));
  } else if (FHibernateFade > 0) {
    int opacity = Opacity() + FadeInStep;
    if (opacity > 222) {
      opacity = 255;
      FHibernateFade = 0;
    }
    SetOpacity(static_cast<std::uint8_t>(opacity));
  }
  if (!Transparent()) return;
  // A tap that went down and up between two ticks counts as well: the
  // notice asks for a short press.
  const short state = GetAsyncKeyState(VK_CONTROL);
  const bool down = state < 0;
  const bool pressed = (down && !FCtrlDown) || (state & 1);
  FCtrlDown = down;
  if (!pressed) return;
  TRect bounds;
  TPoint cursor = GetCursorPos();
  if (GetWindowRect(WindowHandle(), bounds) && bounds.Contains(cursor.X, cursor.Y)) ToggleHibernate();
}

}  // namespace ui
