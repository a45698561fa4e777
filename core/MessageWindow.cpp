#include "core/MessageWindow.h"

#include "core/Registry.h"

namespace core {

TMessageWindow::TMessageWindow(TComponent* AOwner) : TComponent(AOwner) {}

TMessageWindow::~TMessageWindow() { DestroyHandle(); }

HWND TMessageWindow::Handle() {
  HandleNeeded();
  return FHandle;
}

void TMessageWindow::HandleNeeded() {
  if (!FHandle) CreateHandle();
}

void TMessageWindow::DestroyHandle() {
  if (FHandle && !FDestroying) DestroyWindowHandle();
}

LRESULT TMessageWindow::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  return detail::Deliver(this, msg, wParam, lParam);
}

void TMessageWindow::WndProc(TMessage& message) { DefaultHandler(message); }

void TMessageWindow::DefaultHandler(TMessage& message) {
  message.Result = 0;
  if (message.Msg == WM_CLOSE) DestroyHandle();
}

TMessageWindow* TMessageWindow::FromHandle(HWND window) { return detail::LookupWindow(window); }

void TMessageWindow::CreateHandle() {
  FHandle = detail::RegisterWindow(this);
  if (Perform(WM_CREATE) == -1) {
    HWND h = FHandle;
    FHandle = 0;
    detail::UnregisterWindow(h);
  }
}

void TMessageWindow::DestroyWindowHandle() {
  FDestroying = true;
  HWND h = FHandle;
  try {
    Perform(WM_DESTROY);
    Perform(WM_NCDESTROY);
  } catch (...) {
    FHandle = 0;
    FDestroying = false;
    detail::UnregisterWindow(h);
    throw;
  }
  FHandle = 0;
  FDestroying = false;
  detail::UnregisterWindow(h);
}

}  // namespace core
