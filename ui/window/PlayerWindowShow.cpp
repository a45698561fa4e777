// How the player window stands among the others: always on top, shown or
// hidden, with or without a taskbar button; the messages of the window's
// behaviours (snapping, the taskbar button, the volume and mute keys).
#include "app/Messages.h"
#include "app/Options.h"
#include "ui/window/PlayerSnap.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/InputRouter.h"

namespace ui {

using namespace widgets;
using namespace app;

bool TPlayerWindow::BehaviourMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_ENTERSIZEMOVE:
      BuildSnapList();
      return false;
    case WM_WINDOWPOSCHANGING: {
      // Only the user's drag snaps: the window placing itself keeps the
      // place it asked for.
      TInputRouter* router = TInputRouter::Of(this);
      if (router && router->Moving() && m.LParam) Snap(*reinterpret_cast<tagWINDOWPOS*>(m.LParam));
      return false;
    }
    case WM_SHOWWINDOW:
      if (m.WParam) {
        RunFrames();
        ApplyTaskbarStyle();
        if (!Backend().IsOffscreen() && NativeWindow()) MarkPlayerWindow(NativeWindow()->NativeHandle());
      }
      return false;
    case WM_APPCOMMAND: {
      unsigned command = GET_APPCOMMAND_LPARAM(m.LParam);
      if (command == APPCOMMAND_VOLUME_MUTE) ToggleMute();
      else if (command == APPCOMMAND_VOLUME_DOWN || command == APPCOMMAND_VOLUME_UP)
        VolumeStepBy(command == APPCOMMAND_VOLUME_UP ? 1 : -1);
      else return false;
      m.Result = 1;
      return true;
    }
    case UM_ACTIVATE:
      if (Hibernating()) ToggleHibernate();
      return false;
    case UM_OPTIONS_CLOSED:
      // The taskbar button follows the option at once.
      if (m.WParam == 3) ApplyTaskbarStyle();
      return false;
    default:
      return false;
  }
}

void TPlayerWindow::RunFrames() {
  if (FHintStale) RebuildHint();
  if (FTickTimer && (FTickTimer->Interval() != TickIntervalMs || FTickTimer->Tolerance()))
    FTickTimer->SetInterval(TickIntervalMs);
}

// Iconified, the window is as unseen as hidden: the tick slows down by
// itself (Tick); restored, the frames run at once.
void TPlayerWindow::IconicChanged() {
  if (!Iconic()) RunFrames();
}

void TPlayerWindow::ApplyTaskbarStyle() {
  const bool wanted = FOptions.ReadBool(obShowTaskbar);
  if (wanted == !(ExStyle() & WS_EX_TOOLWINDOW)) return;
  // A visible window is hidden and shown again around the change, which
  // is what makes the desktop's task list take the button up or drop it.
  SetShowTaskBar(wanted);
}

void TPlayerWindow::ToggleAlwaysOnTop() {
  FAlwaysTop = !AlwaysTop();
  SetAlwaysTop(FAlwaysTop);
  FOptions.WriteBool(obAlwaysTop, FAlwaysTop);
}

std::uint8_t TPlayerWindow::ToggleMute() {
  Send(UM_SET_MUTE, Send(UM_GET_MUTE) ? 0 : 1);
  auto state = static_cast<std::uint8_t>(Send(UM_GET_MUTE) ? 1 : 0);
  FVolumeControl->SetMuted(state);
  InvalidateTree();
  return state;
}

}  // namespace ui
