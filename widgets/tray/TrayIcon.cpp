#include "widgets/tray/TrayIcon.h"

namespace widgets {

namespace {
// Cuts to `limit` UTF-16 units without leaving half a surrogate pair.
std::u16string Cut(const std::u16string& text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t n = limit;
  if (n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  return text.substr(0, n);
}
}  // namespace

TTrayIcon::TTrayIcon(TComponent* AOwner) : TWindow(AOwner) {
  SetClassNameW(u"TTrayIcon");
  FData.uFlags = NIF_MESSAGE | NIF_ICON;
  FData.uCallbackMessage = WM_TRAYNOTIFY;
  FData.uTimeout = 3000;
}

TTrayIcon::~TTrayIcon() { DestroyHandle(); }

void TTrayIcon::CreateParams(TCreateParams& params) {
  TWindow::CreateParams(params);
  params.Style = WS_POPUP;
  params.ExStyle = WS_EX_TOOLWINDOW;
}

void TTrayIcon::Modify() {
  if (FVisibleTray) Shell_NotifyIcon(NIM_MODIFY, FData);
}

void TTrayIcon::SetVisibleTray(bool value) {
  if (value == FVisibleTray) return;
  HandleNeeded();
  FVisibleTray = value;
  Shell_NotifyIcon(value ? NIM_ADD : NIM_DELETE, FData);
}

void TTrayIcon::SetIcon(HICON value) {
  if (FData.hIcon && FData.hIcon != value) DestroyIcon(FData.hIcon);
  FData.hIcon = value;
  Modify();
}

void TTrayIcon::SetHintText(const std::u16string& value) {
  if (value == FHintText) return;
  FHintText = value;
  FData.szTip = Cut(value, 127);
  if (value.empty())
    FData.uFlags &= ~NIF_TIP;
  else
    FData.uFlags |= NIF_TIP;
  Modify();
}

void TTrayIcon::SetBalloonHint(const std::u16string& value) {
  if (value == FBalloonHint) return;
  FBalloonHint = value;
  FData.szInfo = Cut(value, 255);
  Modify();
}

void TTrayIcon::SetBalloonTitle(const std::u16string& value) {
  if (value == FBalloonTitle) return;
  FBalloonTitle = value;
  FData.szInfoTitle = Cut(value, 63);
  Modify();
}

void TTrayIcon::ShowBalloon() {
  FData.uFlags |= NIF_INFO;
  FData.dwInfoFlags = FBalloonFlags;
  Modify();
}

void TTrayIcon::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CREATE:
      FData.hWnd = WindowHandle();
      FData.uID = static_cast<UINT>(WindowHandle());
      Modify();
      break;
    case WM_DESTROY:
      if (FVisibleTray) Shell_NotifyIcon(NIM_DELETE, FData);
      if (FData.hIcon) DestroyIcon(FData.hIcon);
      FData.hIcon = 0;
      break;
    case WM_TRAYNOTIFY:
      TrayCallback(m.LParam);
      return;
    case WM_QUERYENDSESSION:
      m.Result = 1;
      return;
    case WM_ENDSESSION:
      if (m.WParam) Shell_NotifyIcon(NIM_DELETE, FData);
      return;
    default:
      break;
  }
  TWindow::WndProc(m);
}

void TTrayIcon::TrayCallback(LPARAM event) {
  UINT shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) shift |= MK_CONTROL;
  TPoint p = GetCursorPos();
  switch (static_cast<UINT>(event)) {
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, shift, p.X, p.Y);
      break;
    case WM_LBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, shift | MK_LBUTTON, p.X, p.Y);
      FTrayClickPending = true;
      break;
    case WM_LBUTTONUP:
      if (FTrayClickPending && OnClick) {
        OnClick(this, shift | MK_LBUTTON, p.X, p.Y);
        FTrayClickPending = false;
      }
      if (OnMouseUp) OnMouseUp(this, shift | MK_LBUTTON, p.X, p.Y);
      break;
    case WM_RBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, shift | MK_RBUTTON, p.X, p.Y);
      break;
    case WM_RBUTTONUP:
      if (OnMouseUp) OnMouseUp(this, shift | MK_RBUTTON, p.X, p.Y);
      break;
    case WM_MBUTTONDOWN:
      if (OnMouseDown) OnMouseDown(this, shift | MK_MBUTTON, p.X, p.Y);
      break;
    case WM_MBUTTONUP:
      if (OnMouseUp) OnMouseUp(this, shift | MK_MBUTTON, p.X, p.Y);
      break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      if (OnDblClick) OnDblClick(this);
      break;
    case NIN_BALLOONSHOW:
    case NIN_BALLOONHIDE:
    case NIN_BALLOONTIMEOUT:
    case NIN_BALLOONUSERCLICK:
      FData.uFlags &= ~NIF_INFO;
      if (OnBalloonAction) OnBalloonAction(this, static_cast<UINT>(event));
      break;
    default:
      break;
  }
}

}  // namespace widgets
