// Internal link between window objects and the message layer.
#pragma once

#include "core/Messages.h"

namespace core {
class TMessageWindow;
namespace detail {

HWND RegisterWindow(TMessageWindow* window);
// Kills the window's timers and releases threads waiting to send to it.
void UnregisterWindow(HWND window);
TMessageWindow* LookupWindow(HWND window);
// Calls the window procedure, noting user input on the way.
LRESULT Deliver(TMessageWindow* window, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace detail
}  // namespace core
