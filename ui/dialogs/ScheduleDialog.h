// Dialog 104 "Zamanlanmış Kayıt": the one daily recording of the schedule
// store. OK writes the keys in a fixed order (enable, radioname, action,
// starttime, mute, duration) and calls back so that the player window
// re-tints its schedule button and re-arms its timers; Cancel writes
// nothing.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/FormatSettings.h"
#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"

namespace app {
class TSchedule;
}

namespace ui {

// A time of day shown and typed as "HH:mm:ss" (a spin button).
GtkWidget* NewTimeField(int id);
void SetTimeField(GtkWidget* field, app::TDateTime value);
app::TDateTime GetTimeField(GtkWidget* field);

// The list entry that a stored station name selects: the first name that
// starts with it, ignoring case (Turkish folding); 0 when it is empty or
// none does; -1 for an empty list.
int ScheduleStationIndex(const std::vector<std::u16string>& names, const std::u16string& stored);

class TScheduleDialog : public TModalDialog {
 public:
  // favourites: the names of the favourites in list order.
  TScheduleDialog(core::HWND parent, app::TSchedule& schedule, const std::vector<std::u16string>& favourites,
                  std::function<void()> onChanged);

 protected:
  int Finish(int response) override;
  void Closed() override;

 private:
  app::TSchedule& FSchedule;
  std::function<void()> FOnChanged;
  bool FChanged = false;
};

// IDOK or IDCANCEL; 0 when the dialog was open already and was only
// brought to the front.
int ShowScheduleDialog(core::HWND parent, app::TSchedule& schedule, const std::vector<std::u16string>& favourites,
                       std::function<void()> onChanged);

}  // namespace ui
