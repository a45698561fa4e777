// The dispatch table of TControl and its message handlers, and the default
// window procedure that stands in for the system's.
#include <cstring>

#include "widgets/controls/Control.h"
#include "widgets/controls/Icon.h"
#include "widgets/controls/InputRouter.h"

namespace widgets {

void TControl::WndProc(TMessage& m) {
  if ((m.Msg >= WM_KEYFIRST && m.Msg <= WM_KEYLAST) || (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MOUSELAST))
    NoteUserInput();
  switch (m.Msg) {
    case WM_MOVE: WMMove(m); break;
    case WM_SIZE: WMSize(m); break;
    case WM_SETFOCUS: WMSetFocus(m); break;
    case WM_KILLFOCUS: WMKillFocus(m); break;
    case WM_SETTEXT: WMSetText(m); break;
    case WM_GETTEXT: WMGetText(m); break;
    case WM_GETTEXTLENGTH: WMGetTextLength(m); break;
    case WM_SHOWWINDOW: WMShowWindow(m); break;
    case WM_CANCELMODE: WMCancelMode(m); break;
    case WM_SETCURSOR:
      if (WMSetCursor(m)) return;
      break;
    case WM_DRAWITEM: WMDrawItem(m); return;
    case WM_MEASUREITEM: WMMeasureItem(m); return;
    case WM_WINDOWPOSCHANGING: WMWindowPosChanging(m); break;
    case WM_WINDOWPOSCHANGED: WMWindowPosChanged(m); break;
    case WM_NOTIFY: WMNotify(m); return;
    case WM_CONTEXTMENU: WMContextMenu(m); break;
    case WM_NCHITTEST: WMNCHitTest(m); break;
    case WM_GETDLGCODE: WMGetDlgCode(m); return;
    case WM_KEYDOWN: WMKeyDown(m); break;
    case WM_KEYUP: WMKeyUp(m); break;
    case WM_CHAR:
      if (WMChar(m)) return;
      break;
    case WM_COMMAND: WMCommand(m); return;
    case WM_SYSTIMER: WMSysTimer(m); break;
    case WM_MOUSEMOVE: WMMouseMove(m); break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: WMButtonDown(m); break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: WMButtonUp(m); break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: WMButtonDblClk(m); break;
    case WM_MOUSEWHEEL: WMMouseWheel(m); break;
    case WM_SIZING: WMSizing(m); break;
    case WM_MOVING: WMMoving(m); break;
    case WM_MOUSEHOVER: WMMouseHover(m); break;
    case WM_MOUSELEAVE: WMMouseLeave(m); break;
    case CM_MOUSEENTER: MouseEnter(m); return;
    case CM_FONTCHANGED: FontChanged(); return;
    case CM_TEXTCHANGED: TextChanged(); return;
    case CN_DRAWITEM: CNDrawItem(m); return;
    case CN_MEASUREITEM: CNMeasureItem(m); return;
    case CN_HSCROLL: CNHScroll(m); return;
    case CN_VSCROLL: CNVScroll(m); return;
    default:
      if (m.Msg >= WM_CTLCOLORMSGBOX && m.Msg <= WM_CTLCOLORSTATIC) {
        WMCtlColor(m);
        return;
      }
      break;
  }
  DefaultHandler(m);
}

// What DefWindowProc does for the messages the toolkit relies on.
void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_SETCURSOR:
      // The parent may claim the cursor first; otherwise the class cursor.
      if (FParent && SendMessage(FParent->WindowHandle(), WM_SETCURSOR, m.WParam, m.LParam)) {
        m.Result = 1;
        return;
      }
      if (LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT) widgets::SetCursor(0);
      m.Result = 0;
      return;
    case WM_MOUSEWHEEL:
      if (FParent) {
        m.Result = SendMessage(FParent->WindowHandle(), m.Msg, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_NCHITTEST:
      m.Result = HTCLIENT;
      return;
    case WM_RBUTTONUP: {
      // The system asks for a context menu when the right button is released.
      TPoint p = ClientToScreen({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      Perform(WM_CONTEXTMENU, WindowHandle(), MAKELPARAM(p.X, p.Y));
      m.Result = 0;
      return;
    }
    case WM_KEYDOWN: {
      // Media and volume keys become application commands, as the system
      // turns them into WM_APPCOMMAND for the window with the keyboard.
      unsigned command = 0;
      switch (m.WParam) {
        case VK_VOLUME_MUTE: command = APPCOMMAND_VOLUME_MUTE; break;
        case VK_VOLUME_DOWN: command = APPCOMMAND_VOLUME_DOWN; break;
        case VK_VOLUME_UP: command = APPCOMMAND_VOLUME_UP; break;
        case VK_MEDIA_NEXT_TRACK: command = APPCOMMAND_MEDIA_NEXTTRACK; break;
        case VK_MEDIA_PREV_TRACK: command = APPCOMMAND_MEDIA_PREVIOUSTRACK; break;
        case VK_MEDIA_STOP: command = APPCOMMAND_MEDIA_STOP; break;
        case VK_MEDIA_PLAY_PAUSE: command = APPCOMMAND_MEDIA_PLAY_PAUSE; break;
        default: break;
      }
      if (command) Perform(WM_APPCOMMAND, WindowHandle(), MAKELPARAM(0, static_cast<int>(command)));
      m.Result = 0;
      return;
    }
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top-level window, whichever control has the keys.
      if (m.WParam == VK_F1 + 3) {
        if (TControl* top = TopLevel()) PostMessage(top->WindowHandle(), WM_CLOSE);
        m.Result = 0;
        return;
      }
      break;
    case WM_APPCOMMAND:
    case WM_CONTEXTMENU:
      if (FParent) {
        m.Result = SendMessage(FParent->WindowHandle(), m.Msg, m.WParam, m.LParam);
        return;
      }
      break;
    case WM_NCLBUTTONDOWN:
      if (m.WParam == static_cast<WPARAM>(HTCAPTION)) {
        if (TInputRouter* router = TInputRouter::Of(this)) router->BeginMove();
      }
      m.Result = 0;
      return;
    case WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == SC_MOVE) {
        if (TInputRouter* router = TInputRouter::Of(this)) router->BeginMove();
      }
      m.Result = 0;
      return;
    case WM_CLOSE:
      DestroyHandle();
      m.Result = 0;
      return;
    case WM_MOUSEACTIVATE:
      m.Result = 1;  // MA_ACTIVATE
      return;
    case WM_SETICON: {
      // The icons stay the caller's; the window only shows them.
      size_t slot = m.WParam == ICON_BIG ? 1 : 0;
      m.Result = static_cast<LRESULT>(FIcons[slot]);
      FIcons[slot] = static_cast<std::uintptr_t>(m.LParam);
      if (FNative) {
        TIconImage image = IconImage(FIcons[1] ? FIcons[1] : FIcons[0]);
        FNative->SetIcon(image.Width, image.Height, image.Argb);
      }
      return;
    }
    case WM_GETICON:
      m.Result = static_cast<LRESULT>(m.WParam == ICON_BIG ? FIcons[1] : (FIcons[0] ? FIcons[0] : FIcons[1]));
      return;
    // The window text is the caption buffer, which WM_SETTEXT keeps.
    case WM_SETTEXT:
      m.Result = 1;
      return;
    case WM_GETTEXT:
      WMGetText(m);
      return;
    case WM_GETTEXTLENGTH:
      m.Result = static_cast<LRESULT>(FCaption.size());
      return;
    case WM_SIZING:
    case WM_MOVING:
      m.Result = 1;
      return;
    default:
      break;
  }
  m.Result = 0;
}

void TControl::WMMove(TMessage& m) {
  FLeft = GET_X_LPARAM(m.LParam);
  FTop = GET_Y_LPARAM(m.LParam);
  if (OnMove) OnMove(this, FLeft, FTop);
}

void TControl::WMSize(TMessage& m) {
  FClientWidth = GET_X_LPARAM(m.LParam);
  FClientHeight = GET_Y_LPARAM(m.LParam);
  if (OnSize) OnSize(this, static_cast<UINT>(m.WParam), FClientWidth, FClientHeight);
}

void TControl::WMSetFocus(TMessage&) {
  if (OnSetFocus) OnSetFocus(this);
}

void TControl::WMKillFocus(TMessage&) {
  if (OnKillFocus) OnKillFocus(this);
}

void TControl::WMSetText(TMessage& m) {
  const auto* text = reinterpret_cast<const char16_t*>(m.LParam);
  FCaption = text ? std::u16string(text) : std::u16string();
  if (FNative) FNative->SetCaption(FCaption);
  m.Result = 1;
}

void TControl::WMGetText(TMessage& m) {
  auto* buffer = reinterpret_cast<char16_t*>(m.LParam);
  size_t capacity = m.WParam;
  if (!buffer || capacity == 0) {
    m.Result = 0;
    return;
  }
  size_t n = std::min(FCaption.size(), capacity - 1);
  std::memcpy(buffer, FCaption.data(), n * sizeof(char16_t));
  buffer[n] = 0;
  m.Result = static_cast<LRESULT>(n);
}

void TControl::WMGetTextLength(TMessage& m) { m.Result = static_cast<LRESULT>(FCaption.size()); }

void TControl::WMShowWindow(TMessage& m) { FVisible = m.WParam != 0; }

void TControl::WMCancelMode(TMessage&) {}

bool TControl::WMSetCursor(TMessage& m) {
  if (LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT && FCursor >= 0) {
    widgets::SetCursor(FCursor);
    m.Result = 1;
    return true;
  }
  return false;
}

void TControl::WMDrawItem(TMessage& m) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
  if (item) {
    if (TControl* target = FromHandle(item->hwndItem)) target->Perform(CN_DRAWITEM, m.WParam, m.LParam);
  }
  m.Result = 1;
}

void TControl::WMMeasureItem(TMessage& m) {
  const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam);
  if (item) {
    for (TControl* child : FControls) {
      if (child->HandleAllocated() && child->FCtrlID == item->CtlID) {
        child->Perform(CN_MEASUREITEM, m.WParam, m.LParam);
        break;
      }
    }
  }
  m.Result = 1;
}

void TControl::WMWindowPosChanging(TMessage& m) {
  if (OnWindowPosChanging) OnWindowPosChanging(this, *reinterpret_cast<tagWINDOWPOS*>(m.LParam));
}

void TControl::WMWindowPosChanged(TMessage& m) {
  if (OnWindowPosChanged) OnWindowPosChanged(this, *reinterpret_cast<tagWINDOWPOS*>(m.LParam));
}

void TControl::WMNotify(TMessage& m) {
  m.Result = FParent ? SendMessage(FParent->WindowHandle(), m.Msg, m.WParam, m.LParam) : 0;
}

void TControl::WMContextMenu(TMessage& m) {
  if (OnContextMenu) OnContextMenu(this, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::WMNCHitTest(TMessage&) {}

void TControl::WMGetDlgCode(TMessage& m) { m.Result = DLGC_WANTALLKEYS; }

void TControl::WMKeyDown(TMessage& m) {
  if (!OnKeyDown) return;
  auto key = static_cast<std::uint16_t>(m.WParam);
  OnKeyDown(this, key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
}

void TControl::WMKeyUp(TMessage& m) {
  if (!OnKeyUp) return;
  auto key = static_cast<std::uint16_t>(m.WParam);
  OnKeyUp(this, key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
}

bool TControl::WMChar(TMessage& m) {
  if (!OnChar) return false;
  auto ch = static_cast<char16_t>(m.WParam);
  OnChar(this, ch);
  m.WParam = ch;
  return ch == 0;
}

void TControl::WMCommand(TMessage& m) {
  HWND from = static_cast<HWND>(m.LParam);
  if (from && from != WindowHandle()) {
    if (TControl* target = FromHandle(from)) target->Perform(m.Msg, m.WParam, m.LParam);
  }
}

void TControl::WMSysTimer(TMessage&) {
  if (OnSysTimer) OnSysTimer(this);
}

void TControl::WMCtlColor(TMessage& m) {
  HWND from = static_cast<HWND>(m.LParam);
  if (from && from != WindowHandle()) {
    if (TControl* target = FromHandle(from)) m.Result = target->Perform(m.Msg, m.WParam, m.LParam);
  }
}

void TControl::WMMouseMove(TMessage& m) {
  UINT keys = GET_KEYSTATE_WPARAM(m.WParam);
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  if (keys != MK_LBUTTON) {
    if (OnMouseMove) OnMouseMove(this, keys, x, y);
    FMouseInside = true;
    TrackMouseEvent(TME_HOVER | TME_LEAVE, WindowHandle());
    PostMessage(WindowHandle(), CM_MOUSEENTER);
  } else if (OnDrag) {
    OnDrag(this, keys, x, y);
  }
}

void TControl::WMButtonDown(TMessage& m) {
  UINT keys = GET_KEYSTATE_WPARAM(m.WParam);
  if (OnMouseDown) OnMouseDown(this, keys, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
  FClickPending = keys == MK_LBUTTON;
}

void TControl::WMButtonUp(TMessage& m) {
  UINT keys = GET_KEYSTATE_WPARAM(m.WParam);
  bool leftStillDown = keys & MK_LBUTTON;
  if (m.Msg == WM_LBUTTONUP) keys |= MK_LBUTTON;
  if (m.Msg == WM_RBUTTONUP) keys |= MK_RBUTTON;
  if (m.Msg == WM_MBUTTONUP) keys |= MK_MBUTTON;
  int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  if (OnMouseUp) OnMouseUp(this, keys, x, y);
  if (FClickPending && OnClick && !leftStillDown && HandleAllocated()) {
    TPoint origin = ClientToScreen({0, 0});
    TRect client{origin.X, origin.Y, origin.X + FClientWidth, origin.Y + FClientHeight};
    TPoint cursor = GetMessagePos();
    if (client.Contains(cursor.X, cursor.Y)) {
      FClickPending = false;
      OnClick(this, keys, x, y);
    }
  }
}

void TControl::WMButtonDblClk(TMessage&) {
  if (OnDblClick) OnDblClick(this);
}

void TControl::WMMouseWheel(TMessage& m) {
  if (OnMouseWheel)
    OnMouseWheel(this, GET_KEYSTATE_WPARAM(m.WParam), GET_WHEEL_DELTA_WPARAM(m.WParam), GET_X_LPARAM(m.LParam),
                 GET_Y_LPARAM(m.LParam));
}

void TControl::WMSizing(TMessage& m) {
  if (OnSizing && m.LParam) OnSizing(this, static_cast<UINT>(m.WParam), *reinterpret_cast<TRect*>(m.LParam));
  m.Result = 1;
}

void TControl::WMMoving(TMessage& m) {
  if (OnMoving && m.LParam) OnMoving(this, static_cast<UINT>(m.WParam), *reinterpret_cast<TRect*>(m.LParam));
  m.Result = 1;
}

void TControl::WMMouseHover(TMessage&) {
  FMouseInside = true;
  if (OnMouseHover) OnMouseHover(this);
}

void TControl::WMMouseLeave(TMessage&) {
  FMouseInside = false;
  if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::MouseEnter(TMessage&) {
  FMouseInside = true;
  if (OnMouseEnter) OnMouseEnter(this);
}

}  // namespace widgets
