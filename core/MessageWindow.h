// A window without any on-screen presence: a handle in the registry and a
// window procedure. Headless code (the controller window, timers, test
// receivers) uses it directly; the controls of the toolkit derive from it.
//
//   class TReceiver : public widgets::TMessageWindow {
//     void WndProc(widgets::TMessage& m) override {
//       if (m.Msg == WM_USER + 1) { ...; m.Result = 1; return; }
//       TMessageWindow::WndProc(m);
//     }
//   };
//   TReceiver r;  HWND h = r.Handle();   // the handle exists from here on
//
// The handle is created on first use of Handle() and destroyed with the
// object or by DestroyHandle()/DestroyWindow(). A class that overrides
// WndProc and wants to see WM_DESTROY must call DestroyHandle() in its own
// destructor (virtual calls do not reach it from the base destructor).
#pragma once

#include "core/Component.h"
#include "core/Messages.h"

namespace core {

class TMessageWindow : public TComponent {
 public:
  explicit TMessageWindow(TComponent* AOwner = nullptr);
  ~TMessageWindow() override;

  // Creates the handle when there is none.
  HWND Handle();
  // The handle or 0, without creating one.
  HWND WindowHandle() const { return FHandle; }
  bool HandleAllocated() const { return FHandle != 0; }
  void HandleNeeded();
  void DestroyHandle();

  // Calls the window procedure directly (no registry, any handle state).
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

  virtual void WndProc(TMessage& message);
  // What the system would do with a message nobody handled. The base
  // answers 0 and turns WM_CLOSE into destroying the handle.
  virtual void DefaultHandler(TMessage& message);

  // The object behind a handle (user-interface thread), or nullptr.
  static TMessageWindow* FromHandle(HWND window);

 protected:
  // Registers a handle and sends WM_CREATE (a result of -1 undoes it).
  virtual void CreateHandle();
  // Sends WM_DESTROY and WM_NCDESTROY, then unregisters the handle, which
  // kills its timers and releases threads waiting to send to it.
  virtual void DestroyWindowHandle();

 private:
  HWND FHandle = 0;
  bool FDestroying = false;
};

}  // namespace core
