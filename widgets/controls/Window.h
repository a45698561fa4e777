// TWinControl and TWindow: the ordinary (not layered) windows of the
// toolkit. A TWindow is a top-level window with a frame; its WM_PAINT
// carries a cairo_t* in wParam for whoever wants to draw into it.
//
// TWindowEvents and DispatchWindowMessage hold the top-level window
// behaviour (create, destroy, activate, close, mouse-activate, timer, show,
// resize) so that other top-level classes (the painted TWindowEx) share it.
#pragma once

#include "widgets/controls/Control.h"

namespace widgets {

constexpr UINT MA_ACTIVATE = 1, MA_ACTIVATEANDEAT = 2, MA_NOACTIVATE = 3, MA_NOACTIVATEANDEAT = 4;
constexpr WPARAM WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TActivateEvent = std::function<void(TObject* Sender, UINT Activation, HWND Other)>;
using TMouseActivateEvent = std::function<void(TObject* Sender, LRESULT& Result)>;
using TTimerEvent = std::function<void(TObject* Sender, std::uintptr_t TimerID)>;

struct TWindowEvents {
  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TCloseEvent OnClose;
  TActivateEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TMouseActivateEvent OnMouseActivate;
  TTimerEvent OnTimer;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnResize;
};

// Handles the top-level messages for `self`; true when the message is
// finished (the caller must not pass it on). WM_CLOSE: OnClose with caFree
// by default; caHide hides, caFree destroys the window handle.
bool DispatchWindowMessage(TControl& self, TWindowEvents& events, TMessage& m);

// The window most recently activated in this process (0: none).
HWND ActiveWindow();

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner = nullptr);
  void WndProc(TMessage& message) override;

 protected:
  virtual void WMPaint(TMessage& m) { DefaultHandler(m); }
  virtual void WMEraseBkgnd(TMessage& m) { DefaultHandler(m); }
  virtual void WMNCPaint(TMessage& m) { DefaultHandler(m); }
  virtual void WMPrint(TMessage& m) { DefaultHandler(m); }
  virtual void WMPrintClient(TMessage& m) { DefaultHandler(m); }
};

class TWindow : public TWinControl, public TWindowEvents {
 public:
  explicit TWindow(TComponent* AOwner = nullptr);
  ~TWindow() override;

  std::uint8_t Opacity() const { return FOpacity; }
  void SetOpacity(std::uint8_t value);
  void Close() { SendMessage(Handle(), WM_CLOSE); }

  void WndProc(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateNativeWindow(const TCreateParams& params) override;

 private:
  std::uint8_t FOpacity = 255;
};

}  // namespace widgets
