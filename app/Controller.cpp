#include "app/Controller.h"

namespace app {

TControllerStandIn::TControllerStandIn() { SetName(ControllerName); }

TControllerStandIn::~TControllerStandIn() { DestroyHandle(); }

void TControllerStandIn::WndProc(core::TMessage& message) {
  switch (message.Msg) {
    case UM_ACTIVATE:
      // The player window, when there is one, is brought forward here.
      ++FActivations;
      message.Result = 0;
      return;
    case core::WM_DESTROY:
      core::PostQuitMessage(0);
      break;
    default:
      break;
  }
  TControllerWindow::WndProc(message);
}

}  // namespace app
