// The player window's own dialogs: the scheduled recording, and what the
// window does after it.
#include "app/Schedule.h"
#include "ui/dialogs/ScheduleDialog.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

namespace {
constexpr uint32_t ScheduleOnTint = 0xFF00F000;
}

void TPlayerWindow::TintScheduleButton() {
  if (FScheduleButton) FScheduleButton->SetTint(FConfig.Schedule && FConfig.Schedule->ReadEnabled() ? ScheduleOnTint : 0);
}

void TPlayerWindow::OpenScheduleDialog() {
  if (!FConfig.Schedule || FClosed) return;
  std::vector<std::u16string> names;
  if (FFavourites)
    for (int i = 0; i < FFavourites->Count(); ++i) names.push_back(FFavourites->Items().Item(i)->Name);
  std::shared_ptr<bool> alive = FAlive;
  ShowScheduleDialog(WindowHandle(), *FConfig.Schedule, names, [this, alive] {
    if (*alive) ScheduleChanged();
  });
}

// A schedule switched on replaces a recording still waiting from the
// command line; either way the daily timer starts over.
void TPlayerWindow::ScheduleChanged() {
  TintScheduleButton();
  if (FRecording) FRecording->Runs().ScheduleChanged();
}

}  // namespace ui
