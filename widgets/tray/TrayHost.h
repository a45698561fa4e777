// The notification area as the tray icon sees it: one record per icon,
// added, modified and deleted, with the shell calling back by posting the
// record's callback message (wParam = uID, lParam = the mouse or balloon
// event) to the record's window.
//
// Hosts: StatusNotifierItem over D-Bus when a watcher is on the session bus,
// else a GtkStatusIcon; with neither (or without a display) the null host,
// which refuses everything so the icon is silently absent.
#pragma once

#include <memory>
#include <string>

#include "widgets/controls/Icon.h"
#include "widgets/Core.h"

namespace widgets {

constexpr UINT NIF_MESSAGE = 0x01, NIF_ICON = 0x02, NIF_TIP = 0x04, NIF_INFO = 0x10;
constexpr DWORD NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
constexpr UINT NIN_BALLOONSHOW = 0x402, NIN_BALLOONHIDE = 0x403, NIN_BALLOONTIMEOUT = 0x404,
               NIN_BALLOONUSERCLICK = 0x405;
constexpr DWORD NIIF_NONE = 0, NIIF_INFO = 1, NIIF_WARNING = 2, NIIF_ERROR = 3;

struct TNotifyIconData {
  HWND hWnd = 0;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = 0;
  std::u16string szTip;        // at most 127 characters
  std::u16string szInfo;       // at most 255
  UINT uTimeout = 0;
  std::u16string szInfoTitle;  // at most 63
  DWORD dwInfoFlags = 0;
};

class TTrayHost {
 public:
  virtual ~TTrayHost() = default;
  virtual bool Add(const TNotifyIconData& data) = 0;
  virtual bool Modify(const TNotifyIconData& data) = 0;
  virtual bool Delete(const TNotifyIconData& data) = 0;
  virtual const char* Kind() const = 0;
};

// The host in use, chosen on first use from what the session offers.
TTrayHost& TrayHost();
void SetTrayHost(std::unique_ptr<TTrayHost> host);
bool Shell_NotifyIcon(DWORD message, const TNotifyIconData& data);

// The hosts (made by TrayHost(); public for tests and diagnostics).
// nullptr when no StatusNotifierWatcher owns its name on the session bus.
std::unique_ptr<TTrayHost> CreateStatusNotifierHost();
// nullptr without GTK.
std::unique_ptr<TTrayHost> CreateStatusIconHost();
std::unique_ptr<TTrayHost> CreateNullTrayHost();

// Whether a session bus can be reached without starting one.
bool SessionBusAvailable();

// Shows a balloon as a desktop notification (org.freedesktop.Notifications);
// false when no notification service answers.
bool ShowNotification(const std::u16string& title, const std::u16string& text, UINT timeoutMs, DWORD infoFlags);

// The balloon that NIF_INFO with a text asks for: shown as a notification,
// then the owner is told NIN_BALLOONSHOW, or NIN_BALLOONHIDE when it could
// not be shown. Nothing without NIF_INFO or without a text.
void ShowBalloon(const TNotifyIconData& data);

}  // namespace widgets
