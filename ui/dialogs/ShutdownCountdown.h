// Dialog 105 "QOR Uyarı": the last minute before the computer is switched
// off, restarted or the session ends after a scheduled recording. It
// counts down from 60 once a second, stays on top, and ends with 1
// (proceed) at zero or on Enter, with 2 when cancelled.
#pragma once

#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"

namespace ui {

inline constexpr int CountdownSeconds = 60;

class TShutdownCountdown : public TModalDialog {
 public:
  // tickMs: the length of one counted second (tests shorten it; 0 starts
  // no timer, so that a test drives Tick itself).
  explicit TShutdownCountdown(core::HWND parent, unsigned tickMs = 1000);
  ~TShutdownCountdown() override;

  int Remaining() const { return FRemaining; }
  // One second has passed.
  void Tick();

 protected:
  int Finish(int response) override;

 private:
  void ShowRemaining();
  void StopTimer();
  static gboolean TimerFired(gpointer self);
  static gboolean KeyPressed(GtkWidget*, GdkEventKey* event, gpointer self);

  GtkWidget* FText = nullptr;
  int FRemaining = CountdownSeconds;
  guint FTimer = 0;
};

// 1 to go ahead, 2 when cancelled; 2 as well when a countdown is already
// open (it is brought to the front and decides).
int ShutdownCountdown(core::HWND parent, unsigned tickMs = 1000);

}  // namespace ui
