// Dialog 101 "Kış Uykusu için uyarı": how to wake the window from
// hibernation. However it closes, `hiberalert` becomes 0 when "Bu iletiyi
// bir daha gösterme" is ticked and 1 otherwise.
#pragma once

#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"

namespace app {
class TOptions;
}

namespace ui {

class THibernationNotice : public TModalDialog {
 public:
  THibernationNotice(app::TOptions& options, core::HWND parent);
  // The notice on screen, to be brought to the front, or nullptr.
  static GtkWidget* OpenNotice();

 protected:
  int Finish(int response) override;

 private:
  app::TOptions& FOptions;
};

// Shows the notice and waits until it closes; an open one is only brought
// to the front.
void ShowHibernationNotice(app::TOptions& options, core::HWND parent);

}  // namespace ui
