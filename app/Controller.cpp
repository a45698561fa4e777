#include "app/Controller.h"

namespace app {

TControllerStandIn::TControllerStandIn() { SetName(ControllerName); }

TControllerStandIn::~TControllerStandIn() { DestroyHandle(); }

void TControllerStandIn::WndProc(widgets::TMessage& message) {
  switch (message.Msg) {
    case UM_ACTIVATE:
      // The player window, when there is one, is brought forward here.
      ++FActivations;
      message.Result = 0;
      return;
    case widgets::WM_DESTROY:
      widgets::PostQuitMessage(0);
      break;
    default:
      break;
  }
  TControllerWindow::WndProc(message);
}

}  // namespace app
