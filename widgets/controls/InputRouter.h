// Routes the input of one top-level window to the controls inside it: hit
// tests the control tree, honours the mouse capture, synthesises
// double-clicks, hover and leave, and sends keys to the focused control.
#pragma once

#include <functional>
#include <memory>

#include "widgets/backend/Backend.h"
#include "widgets/Core.h"

namespace widgets {

class TControl;

// Stamps the time of input for GetLastInputTime (widgets/Input.h): every
// native key, button, wheel or pointer event, and every key or mouse
// message a control receives.
void NoteUserInput();

// Told about every pointer event of every window (the shared tooltip
// listens): the control under the pointer (nullptr: none) and the message.
using TPointerObserver = std::function<void(TControl* under, TPoint screen, UINT msg)>;
void SetPointerObserver(TPointerObserver observer);

class TInputRouter : public TNativeEvents {
 public:
  explicit TInputRouter(TControl* top);
  ~TInputRouter() override;

  void NativeMouseMove(int x, int y, UINT keys, DWORD time) override;
  void NativeButton(int button, bool down, int x, int y, UINT keys, DWORD time) override;
  void NativeWheel(int delta, int x, int y, UINT keys) override;
  void NativeLeave() override;
  void NativeKey(bool down, unsigned vk, char16_t ch, bool alt) override;
  void NativeFocus(bool focused) override;
  void NativeConfigure(int x, int y, int width, int height) override;
  void NativeCloseRequest() override;
  void NativePaint(void* cairo) override;
  void NativeDropFiles(const std::vector<std::string>& paths, int x, int y) override;

  // The window is gone: ignore whatever the native window still reports.
  void Detach();

  // Moves the window with the pointer until the left button is released
  // (the caption drag): WM_ENTERSIZEMOVE, then WM_MOVING and the position
  // messages for each step, whose handlers may adjust the place (snapping),
  // and WM_EXITSIZEMOVE. Esc puts the window back. Input to the controls
  // pauses meanwhile.
  void BeginMove();
  bool Moving() const { return FMoving; }

  HWND Focus() const { return FFocus; }
  void SetFocusTarget(HWND window) { FFocus = window; }
  void Track(DWORD flags, HWND window, UINT hoverTime);
  HWND UnderPointer() const { return FUnderPointer; }
  TControl* Top() const { return FTop; }

  // The router of the top-level window that holds `control`.
  static TInputRouter* Of(TControl* control);

 private:
  class THoverTimer;
  TControl* CaptureHere() const;
  TPoint ToLocal(TControl* target, int x, int y) const;
  void UpdateUnderPointer(TControl* hit);
  void HoverElapsed();
  void MoveStep();
  void EndMove();

  TControl* FTop;
  HWND FFocus = 0;
  HWND FUnderPointer = 0;
  HWND FLeaveTracked = 0;
  HWND FHoverTracked = 0;
  TPoint FPointer;
  UINT FKeys = 0;
  int FLastButton = 0;
  DWORD FLastDownTime = 0;
  TPoint FLastDownPos;
  HWND FLastDownTarget = 0;
  bool FLastWasDouble = false;
  std::unique_ptr<THoverTimer> FHover;
  bool FMoving = false;
  TPoint FMoveStart;
  TPoint FMoveOrigin;
};

}  // namespace widgets
