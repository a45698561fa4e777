// The window functions that other code calls by handle.
#include <algorithm>
#include <vector>

#include "widgets/controls/Control.h"
#include "widgets/controls/Window.h"

namespace widgets {

namespace {
std::vector<TControl*>& TopLevels() {
  static std::vector<TControl*> list;
  return list;
}
}  // namespace

namespace detail {
void NoteTopLevel(TControl* control, bool present) {
  auto& list = TopLevels();
  list.erase(std::remove(list.begin(), list.end(), control), list.end());
  if (present) list.push_back(control);
}
}  // namespace detail

void EnumWindows(const std::function<bool(HWND)>& each) {
  // A copy: the callback may create or destroy windows.
  std::vector<HWND> handles;
  for (TControl* c : TopLevels())
    if (c->HandleAllocated()) handles.push_back(c->WindowHandle());
  for (HWND h : handles)
    if (IsWindow(h) && !each(h)) return;
}

bool GetWindowRect(HWND window, TRect& rect) {
  TControl* c = TControl::FromHandle(window);
  if (!c) return false;
  TPoint origin = c->ClientToScreen({0, 0});
  rect = {origin.X, origin.Y, origin.X + c->Width(), origin.Y + c->Height()};
  return true;
}

bool IsWindowVisible(HWND window) {
  for (TControl* c = TControl::FromHandle(window); c; c = c->Parent())
    if (!c->Visible()) return false;
  return TControl::FromHandle(window) != nullptr;
}

bool SetForegroundWindow(HWND window) {
  TControl* c = TControl::FromHandle(window);
  if (!c) return false;
  TControl* top = c->TopLevel();
  if (!top->NativeWindow()) return false;
  top->NativeWindow()->Activate();
  return true;
}

HWND GetForegroundWindow() { return ActiveWindow(); }

bool ShowWindow(HWND window, int command) {
  TControl* c = TControl::FromHandle(window);
  if (!c) return false;
  bool was = c->Visible();
  switch (command) {
    case SW_HIDE:
      c->SetVisible(false);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      if (c->NativeWindow()) c->NativeWindow()->Minimize();
      break;
    default:
      c->SetVisible(true);
      break;
  }
  return was;
}

void MessageBeep() { Backend().Beep(); }

}  // namespace widgets
