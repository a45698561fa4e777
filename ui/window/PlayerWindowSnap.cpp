// Snapping while the player window is dragged by its background. The
// list of windows to snap to is made when the drag begins: the player
// windows of this process from the toolkit's window list, and those of
// other running copies from a property every player window carries on the
// X display.
#include <gtk/gtk.h>
#include <unistd.h>
// X11 after GTK; its macros are not used past this point.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>

#include "app/Options.h"
#include "ui/window/PlayerSnap.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/Screen.h"

namespace ui {

using namespace widgets;

namespace {

constexpr int PaintedTop = 44;
constexpr int PaintedHeight = 104;
constexpr const char* PlayerAtomName = "_QOR_PLAYER_WINDOW";

bool Near(int difference) { return difference >= -SnapDistance && difference <= SnapDistance; }

// The process that shows the X window as a player window, or 0.
long PlayerProcess(Display* display, ::Window window, Atom atom) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data) {
    if (type == XA_CARDINAL && format == 32 && count == 1) pid = *reinterpret_cast<long*>(data);
    XFree(data);
  }
  return pid;
}

// Window managers put each window into a frame or two of their own, so
// the marked windows are looked for a few levels below the root.
void Collect(Display* display, ::Window parent, Atom atom, long self, int depth, std::vector<TRect>& found) {
  ::Window root = 0, up = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return;
  for (unsigned i = 0; i < count; ++i) {
    ::Window child = children[i];
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, child, &attributes) || attributes.map_state != IsViewable) continue;
    long pid = PlayerProcess(display, child, atom);
    if (pid == 0) {
      if (depth < 3) Collect(display, child, atom, self, depth + 1, found);
      continue;
    }
    if (pid == self) continue;
    int x = 0, y = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display, child, root, 0, 0, &x, &y, &ignored);
    found.push_back({x, y, x + attributes.width, y + attributes.height});
  }
  if (children) XFree(children);
}

}  // namespace

TPoint SnapPosition(TPoint at, int width, int height, const std::vector<TRect>& others, const TRect& work) {
  int x = at.X, y = at.Y;
  // Later rules win over earlier ones.
  for (const TRect& r : others) {
    if (Near(r.Top - (y + PaintedTop))) y = r.Top - PaintedTop;
    if (Near(r.Bottom - height - y)) y = r.Bottom - height;
    if (Near(y - (r.Top + PaintedTop))) y = r.Top + PaintedTop;
    if (Near(y - r.Top)) y = r.Top;
    if (Near(r.Left - width - x)) x = r.Left - width;
    if (Near(r.Right - width - x)) x = r.Right - width;
    if (Near(x - r.Right)) x = r.Right;
    if (Near(x - r.Left)) x = r.Left;
  }
  if (Near(work.Bottom - y - PaintedHeight)) y = work.Bottom - PaintedHeight;
  if (Near(y - work.Top)) y = work.Top;
  if (Near(work.Right - width - x)) x = work.Right - width;
  if (Near(x - work.Left)) x = work.Left;
  return {x, y};
}

void MarkPlayerWindow(void* widget) {
  if (!widget) return;
  GtkWidget* window = static_cast<GtkWidget*>(widget);
  gtk_widget_realize(window);
  GdkWindow* gdkWindow = gtk_widget_get_window(window);
  if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return;
  Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
  long pid = static_cast<long>(getpid());
  XChangeProperty(display, GDK_WINDOW_XID(gdkWindow), XInternAtom(display, PlayerAtomName, False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
}

std::vector<TRect> OtherPlayerWindows() {
  std::vector<TRect> found;
  GdkDisplay* gdkDisplay = gdk_display_get_default();
  if (!gdkDisplay || !GDK_IS_X11_DISPLAY(gdkDisplay)) return found;
  Display* display = GDK_DISPLAY_XDISPLAY(gdkDisplay);
  Atom atom = XInternAtom(display, PlayerAtomName, True);
  if (atom == None) return found;  // no player window was ever marked
  // A window that goes away while it is looked at must not end the program.
  gdk_x11_display_error_trap_push(gdkDisplay);
  Collect(display, DefaultRootWindow(display), atom, static_cast<long>(getpid()), 0, found);
  gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
  return found;
}

void TPlayerWindow::BuildSnapList() {
  FSnapList.clear();
  EnumWindows([this](HWND handle) {
    TControl* control = TControl::FromHandle(handle);
    if (handle != WindowHandle() && control && control->ClassNameW() == u"TPlayerWindow" && IsWindowVisible(handle)) {
      TRect r;
      if (GetWindowRect(handle, r)) FSnapList.push_back(r);
    }
    return true;
  });
  if (!Backend().IsOffscreen())
    for (const TRect& r : OtherPlayerWindows()) FSnapList.push_back(r);
}

void TPlayerWindow::Snap(tagWINDOWPOS& pos) {
  if (!FSnapToGrid || (pos.flags & SWP_NOMOVE)) return;
  TPoint at = SnapPosition({pos.x, pos.y}, pos.cx, pos.cy, FSnapList, TScreen().WorkArea());
  pos.x = at.X;
  pos.y = at.Y;
}

}  // namespace ui
