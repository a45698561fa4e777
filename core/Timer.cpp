#include "core/Timer.h"

namespace core {

namespace {
constexpr std::uintptr_t kTimerId = 1;
// Posted to the timer's own window when a setter runs on another thread.
constexpr UINT TM_REARM = WM_USER + 0x7E1;

// Interval and tolerance are set and armed as one pair: a library thread
// asking a poll for 1 ms while the user-interface thread sets a slow one
// must not leave the quick interval with the slow tolerance (ticks held
// back to the next whole second) nor the other way round. Held only
// around the two fields, never around a call out.
std::mutex& SettingLock() {
  static std::mutex lock;
  return lock;
}
}  // namespace

TWinTimer::TWinTimer(HWND window, UINT interval, std::uintptr_t id)
    : FWindow(window), FInterval(interval), FId(id) {}

TWinTimer::~TWinTimer() { SetEnabled(false); }

void TWinTimer::SetEnabled(bool value) {
  if (value && !FRunning && IsWindow(FWindow)) {
    FRunning = SetCoalescableTimer(FWindow, FId, FInterval, FTolerance) != 0;
  } else if (!value && FRunning) {
    KillTimer(FWindow, FId);
    FRunning = false;
  }
}

void TWinTimer::SetInterval(UINT value, UINT tolerance) {
  FInterval = value;
  FTolerance = tolerance;
  if (FRunning) FRunning = SetCoalescableTimer(FWindow, FId, FInterval, FTolerance) != 0;
}

class TTimer::TTimerWindow : public TMessageWindow {
 public:
  explicit TTimerWindow(TTimer* timer) : FTimer(timer) {}
  ~TTimerWindow() override { DestroyHandle(); }

  void WndProc(TMessage& message) override {
    if (message.Msg == WM_TIMER && message.WParam == kTimerId) {
      FTimer->Tick();
      return;
    }
    if (message.Msg == TM_REARM) {
      FTimer->ArmNow();
      return;
    }
    TMessageWindow::WndProc(message);
  }

 private:
  TTimer* FTimer;
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FWindow(std::make_unique<TTimerWindow>(this)) {
  FWindow->Handle();
}

TTimer::~TTimer() {
  FEnabled = false;
  if (FWindow->HandleAllocated()) KillTimer(FWindow->WindowHandle(), kTimerId);
  FWindow->DestroyHandle();
}

void TTimer::SetEnabled(bool value) {
  FEnabled = value;
  Rearm();
}

void TTimer::SetInterval(UINT value, UINT tolerance) {
  {
    std::lock_guard<std::mutex> guard(SettingLock());
    FInterval = value;
    FTolerance = tolerance;
  }
  Rearm();
}

TNotifyEvent TTimer::OnTimer() const {
  std::lock_guard<std::mutex> guard(FEventLock);
  return FOnTimer;
}

void TTimer::SetOnTimer(TNotifyEvent value) {
  {
    std::lock_guard<std::mutex> guard(FEventLock);
    FOnTimer = std::move(value);
  }
  Rearm();
}

void TTimer::Rearm() {
  if (IsUiThread())
    ArmNow();
  else
    PostMessage(FWindow->WindowHandle(), TM_REARM);
}

void TTimer::ArmNow() {
  HWND window = FWindow->WindowHandle();
  KillTimer(window, kTimerId);
  bool assigned;
  {
    std::lock_guard<std::mutex> guard(FEventLock);
    assigned = static_cast<bool>(FOnTimer);
  }
  UINT interval, tolerance;
  {
    std::lock_guard<std::mutex> guard(SettingLock());
    interval = FInterval;
    tolerance = FTolerance;
  }
  FArmed = interval != 0 && FEnabled && assigned && SetCoalescableTimer(window, kTimerId, interval, tolerance) != 0;
}

void TTimer::Tick() {
  TNotifyEvent handler = OnTimer();
  if (!handler) return;
  try {
    handler(this);
  } catch (...) {
    // A failing poll must not stop the polling, nor go unnoticed.
    ReportStrayException();
  }
}

}  // namespace core
