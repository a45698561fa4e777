// The desktop part of the controller, added by the qor program only: the
// tray icon with its clicks and menu, the window icon, the new-version
// question as a GTK dialog and the toolkit's beep.
#pragma once

#include <memory>
#include <string>

#include "app/ControllerDesktop.h"
#include "app/MainWindow.h"
#include "widgets/controls/Icon.h"

namespace widgets {
class TTrayIcon;
}

namespace app {

class TDesktopPart : public TControllerDesktop {
 public:
  explicit TDesktopPart(TMainWindow& controller);
  ~TDesktopPart() override;

  void Open(bool trayIcon) override;
  void SetIconId(int id) override;
  core::LRESULT WindowIcon() const override { return static_cast<core::LRESULT>(FIcon); }
  void SetTrayHint(const std::u16string& text) override;
  void Close() override;

  widgets::TTrayIcon* TrayIcon() const { return FTrayIcon; }

 private:
  widgets::HICON LoadIcon(int size) const;
  void TrayMouseUp(core::UINT keys);
  void TrayDblClick();

  TMainWindow& FController;
  widgets::HICON FIcon = 0;
  widgets::TTrayIcon* FTrayIcon = nullptr;
};

// Gives the controller its desktop part and the desktop's defaults of the
// menu and beep hooks; with `display`, the GTK question box too. Returns
// the part (owned by the controller).
TDesktopPart* AddDesktop(TMainWindow& controller, bool display);

// The new-version question as a GTK message dialog (needs a display).
int GtkQuestion(core::HWND owner, const std::u16string& text, const std::u16string& caption);
// Answers an open question with "No" (the program is closing).
void CloseGtkQuestion();

}  // namespace app
