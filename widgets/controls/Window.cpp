#include "widgets/controls/Window.h"

namespace widgets {

namespace {
HWND gActiveWindow = 0;
}

HWND ActiveWindow() { return IsWindow(gActiveWindow) ? gActiveWindow : 0; }

bool DispatchWindowMessage(TControl& self, TWindowEvents& events, TMessage& m) {
  switch (m.Msg) {
    case WM_CREATE:
      if (events.OnCreate) events.OnCreate(&self);
      return false;
    case WM_DESTROY:
      if (events.OnDestroy) events.OnDestroy(&self);
      return false;
    case WM_ACTIVATE: {
      UINT activation = LOWORD(m.WParam);
      if (activation != WA_INACTIVE) gActiveWindow = self.WindowHandle();
      if (events.OnActivate) events.OnActivate(&self, activation, static_cast<HWND>(m.LParam));
      if (activation == WA_INACTIVE && events.OnDeactivate) events.OnDeactivate(&self);
      return false;
    }
    case WM_CLOSE: {
      TCloseAction action = caFree;
      if (events.OnClose) events.OnClose(&self, action);
      if (action == caHide)
        self.SetVisible(false);
      else if (action == caFree)
        self.DestroyHandle();
      m.Result = 0;
      return true;
    }
    case WM_MOUSEACTIVATE: {
      LRESULT result = MA_ACTIVATE;
      if (events.OnMouseActivate) events.OnMouseActivate(&self, result);
      m.Result = result;
      return true;
    }
    case WM_TIMER:
      if (events.OnTimer) events.OnTimer(&self, m.WParam);
      return true;
    case WM_SHOWWINDOW:
      if (m.WParam && events.OnShow) events.OnShow(&self);
      if (!m.WParam && events.OnHide) events.OnHide(&self);
      return false;
    case WM_SIZE:
      return false;  // OnResize follows the control's own size handling
    default:
      return false;
  }
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) { SetClassNameW(u"TWinControl"); }

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_PAINT: WMPaint(m); return;
    case WM_ERASEBKGND: WMEraseBkgnd(m); return;
    case WM_NCPAINT: WMNCPaint(m); return;
    case WM_PRINT: WMPrint(m); return;
    case WM_PRINTCLIENT: WMPrintClient(m); return;
    default: TControl::WndProc(m);
  }
}

TWindow::TWindow(TComponent* AOwner) : TWinControl(AOwner) { SetClassNameW(u"TWindow"); }

TWindow::~TWindow() { DestroyHandle(); }

void TWindow::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Style = WS_OVERLAPPEDWINDOW;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.ExStyle = WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE;
  params.WndParent = 0;
}

void TWindow::CreateNativeWindow(const TCreateParams& params) {
  TWinControl::CreateNativeWindow(params);
  if (FOpacity != 255 && NativeWindow()) NativeWindow()->SetOpacity(FOpacity);
}

void TWindow::SetOpacity(std::uint8_t value) {
  FOpacity = value;
  if (NativeWindow()) NativeWindow()->SetOpacity(value);
}

void TWindow::WndProc(TMessage& m) {
  if (DispatchWindowMessage(*this, *this, m)) return;
  TWinControl::WndProc(m);
  if (m.Msg == WM_SIZE && OnResize) OnResize(this);
}

}  // namespace widgets
