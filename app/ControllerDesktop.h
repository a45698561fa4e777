// What the controller asks of the desktop it runs on, when it has one: the
// window icon and the tray icon. Only the desktop program adds it
// (app/desktop); the headless tool and the session tests run without, so
// the controller itself needs no GTK, cairo or X11.
#pragma once

#include <string>

#include "core/Messages.h"

namespace app {

class TControllerDesktop {
 public:
  virtual ~TControllerDesktop() = default;
  // The controller's handle exists: the window icon is made and, when
  // `trayIcon`, the tray icon shown.
  virtual void Open(bool trayIcon) = 0;
  // The program icon id (101 or 102) changed: both icons follow.
  virtual void SetIconId(int id) = 0;
  // What WM_GETICON answers (0 when there is none).
  virtual core::LRESULT WindowIcon() const = 0;
  virtual void SetTrayHint(const std::u16string& text) = 0;
  // The closing sequence: the tray icon leaves the notification area and
  // the window icon is freed.
  virtual void Close() = 0;
};

}  // namespace app
