// The two timers of the toolkit.
//
// TWinTimer is a thin switch over one timer id of an existing window: its
// WM_TIMER messages (wParam = id) arrive at that window's procedure.
//
// TTimer is a self-contained component timer with its own hidden window:
//
//   auto* poll = new widgets::TTimer(owner);   // Enabled, Interval 1000
//   poll->SetInterval(100);
//   poll->SetOnTimer([this](widgets::TObject*) { Poll(); });
//
// It is re-armed on every change of Enabled, Interval or OnTimer and never
// runs without an interval and a handler. Ticks run on the user-interface
// thread; an exception thrown by the handler is reported as the message
// loop reports one (ReportStrayException) and later ticks still come. The setters may be called from any thread (a library callback
// enabling a one-shot timer): off the user-interface thread the re-arming is
// handed to the user-interface thread by a posted message.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "core/MessageWindow.h"

namespace core {

// The tolerance of every timer that needs no better than a second (slow
// polls, a hidden window's tick): one tolerance for all of them puts their
// ticks on one grid, whole seconds of the monotonic clock, and the program
// wakes once for all that are due.
inline constexpr UINT SlowTimerToleranceMs = 1000;

class TWinTimer {
 public:
  TWinTimer(HWND window, UINT interval, std::uintptr_t id);
  ~TWinTimer();

  // Starts when not running and the window exists; stops when running.
  void SetEnabled(bool value);
  bool Enabled() const { return FRunning; }
  UINT Interval() const { return FInterval; }
  // Takes effect at the next start (and at once while running). With a
  // tolerance the ticks keep SetCoalescableTimer's grid; each call sets both.
  void SetInterval(UINT value, UINT tolerance = 0);
  UINT Tolerance() const { return FTolerance; }
  std::uintptr_t Id() const { return FId; }
  HWND Window() const { return FWindow; }

 private:
  HWND FWindow;
  UINT FInterval;
  UINT FTolerance = 0;
  std::uintptr_t FId;
  bool FRunning = false;
};

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* AOwner = nullptr);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  UINT Interval() const { return FInterval; }
  // With a tolerance the ticks may come up to that many milliseconds late,
  // on the grid SetCoalescableTimer keeps, so that polls of one tolerance
  // wake the program together. Each call sets both.
  void SetInterval(UINT value, UINT tolerance = 0);
  UINT Tolerance() const { return FTolerance; }
  TNotifyEvent OnTimer() const;
  void SetOnTimer(TNotifyEvent value);

  // Whether a tick is currently scheduled (for tests and diagnostics).
  bool Armed() const { return FArmed; }

 private:
  class TTimerWindow;
  void Rearm();
  void ArmNow();
  void Tick();

  std::unique_ptr<TTimerWindow> FWindow;
  std::atomic<bool> FEnabled{true};
  std::atomic<UINT> FInterval{1000};
  std::atomic<UINT> FTolerance{0};
  mutable std::mutex FEventLock;
  TNotifyEvent FOnTimer;
  std::atomic<bool> FArmed{false};
};

}  // namespace core
