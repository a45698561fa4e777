#include "widgets/paint/WindowEx.h"

#include <gtk/gtk.h>

namespace widgets {

namespace {

void OnNativeRealized(GtkWidget*, gpointer self) {
  auto* window = static_cast<TWindowEx*>(self);
  window->RepaintAll();
  window->InvalidateTree();
}

gboolean OnNativeState(GtkWidget*, GdkEventWindowState* e, gpointer self) {
  if (e->changed_mask & GDK_WINDOW_STATE_ICONIFIED)
    static_cast<TWindowEx*>(self)->NativeIconified((e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
  return FALSE;
}

// What GDK knows of the window now (a window never mapped is not iconified).
bool NativeIconic(TNativeWindow* native) {
  auto* widget = native ? static_cast<GtkWidget*>(native->NativeHandle()) : nullptr;
  GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
  return window && (gdk_window_get_state(window) & GDK_WINDOW_STATE_ICONIFIED);
}

}  // namespace

TWindowEx::TWindowEx(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TWindowEx");
  SetWidth(320);
  SetHeight(240);
  SetCached(false);
}

TWindowEx::~TWindowEx() { DestroyHandle(); }

void TWindowEx::CreateParams(TCreateParams& params) {
  TControlEx::CreateParams(params);
  params.Style = WS_POPUP | WS_CLIPSIBLINGS;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.ExStyle = WS_EX_LAYERED;
  if (!FTaskBar) params.ExStyle |= WS_EX_TOOLWINDOW;
  if (FAlwaysTop) params.ExStyle |= WS_EX_TOPMOST;
  if (FTransparent) params.ExStyle |= WS_EX_TRANSPARENT;
  params.WndParent = 0;
}

void TWindowEx::AdjustNativeParams(TNativeParams& params) {
  // An ordinary top-level window without a frame: the window manager still
  // moves, stacks and focuses it, which a popup would not allow.
  params.Kind = TNativeKind::Normal;
  params.Decorated = false;
  params.Rgba = true;
}

void TWindowEx::CreateNativeWindow(const TCreateParams& params) {
  TControlEx::CreateNativeWindow(params);
  // A new native window has no picture yet.
  DamageWhole();
  FPresentedOpacity = -1;
  // The first picture goes out while the window is being shown, before the
  // X window exists, so the outline cut from it without a compositor would
  // be lost; presenting again once the window is realized restores it.
  FIconic = false;
  if (auto* widget = NativeWindow() ? static_cast<GtkWidget*>(NativeWindow()->NativeHandle()) : nullptr) {
    FRealizeHandler = g_signal_connect_after(widget, "realize", G_CALLBACK(OnNativeRealized), this);
    FStateHandler = g_signal_connect(widget, "window-state-event", G_CALLBACK(OnNativeState), this);
  }
}

void TWindowEx::DestroyWindowHandle() {
  if (FRealizeHandler && NativeWindow()) {
    if (auto* widget = static_cast<GtkWidget*>(NativeWindow()->NativeHandle())) {
      g_signal_handler_disconnect(widget, FRealizeHandler);
      g_signal_handler_disconnect(widget, FStateHandler);
    }
  }
  FRealizeHandler = FStateHandler = 0;
  TControlEx::DestroyWindowHandle();
}

void TWindowEx::SetAlwaysTop(bool value) {
  if (value == FAlwaysTop) return;
  FAlwaysTop = value;
  if (!HandleAllocated()) return;
  SetExStyle(value ? (ExStyle() | WS_EX_TOPMOST) : (ExStyle() & ~WS_EX_TOPMOST));
  if (NativeWindow()) NativeWindow()->Activate();
  InvalidateTree();
}

void TWindowEx::SetTransparent(bool value) {
  FTransparent = value;
  SetExStyle(value ? (ExStyle() | WS_EX_TRANSPARENT) : (ExStyle() & ~WS_EX_TRANSPARENT));
}

bool TWindowEx::ShowTaskBar() const {
  return HandleAllocated() && Visible() && !(ExStyle() & WS_EX_TOOLWINDOW);
}

void TWindowEx::SetShowTaskBar(bool value) {
  FTaskBar = value;
  if (!HandleAllocated()) return;
  const bool wasVisible = Visible();
  if (wasVisible) SetVisible(false);
  SetExStyle(value ? (ExStyle() & ~WS_EX_TOOLWINDOW) : (ExStyle() | WS_EX_TOOLWINDOW));
  if (wasVisible) SetVisible(true);
}

void TWindowEx::Close() {
  if (HandleAllocated()) SendMessage(WindowHandle(), WM_CLOSE);
}

void TWindowEx::NativeIconified(bool iconic) {
  if (iconic == FIconic) return;
  FIconic = iconic;
  IconicChanged();
  if (!iconic) InvalidateTree();
}

void TWindowEx::WndProc(TMessage& m) {
  // Being shown, the window paints before it counts as visible (its
  // first picture goes out with it); a window shown again may have been
  // hidden while iconified.
  struct TShowing {
    bool& Flag;
    bool Before;
    ~TShowing() { Flag = Before; }
  } showing{FShowing, FShowing};
  if (m.Msg == WM_SHOWWINDOW && m.WParam) {
    FShowing = true;
    FIconic = NativeIconic(NativeWindow());
  }
  if (DispatchWindowMessage(*this, *this, m)) return;
  TControlEx::WndProc(m);
  // The canvas already has the new size when OnResize runs.
  if (m.Msg == WM_SIZE && OnResize) OnResize(this);
  // A window being shown needs its first picture.
  if (m.Msg == WM_SHOWWINDOW && m.WParam) InvalidateTree();
}

void TWindowEx::InvalidateTree() {
  if (!Painting()) Paint();
}

void TWindowEx::Paint() {
  if (!Painting() && !HoldsPaints()) CheckFrame(this);
  TControlEx::Paint();
}

void TWindowEx::Present() {
  TNativeWindow* native = NativeWindow();
  if (!native) return;
  const TBitmapEx& picture = Canvas().Bitmap();
  TDamageEx& damage = PendingDamage();
  // The opacity applies to every pixel.
  if (Opacity() != FPresentedOpacity) damage.Add({0, 0, picture.Width(), picture.Height()});
  if (damage.Empty()) return;
  damage.RectsInto(FPresenting);
  damage.Clear();
  FPresentedOpacity = Opacity();
  picture.Flush();
  native->PresentRects(picture.Bits(), picture.Width(), picture.Height(), picture.Stride(), Opacity(), FPresenting);
}

}  // namespace widgets
