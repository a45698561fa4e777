// The browser of the real program under a compositing manager and no
// window manager: the page window must end up above the skinned frame, or
// the user sees only the frame's "Açılıyor..." with the page faintly
// through it. The program gets an X server of its own, with xcompmgr.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "ChildProcess.h"
#include "DesktopKit.h"
#include "TempDir.h"
#include "browser/BrowserEx.h"
#include "Tools.h"

// Last: Xlib's macros (Bool, None, Status) would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using uitest::WaitFor;

struct TStacking {
  int Frame = -1, Page = -1;  // places among the root's children, bottom first
  bool PageOpaque = false;
};

// The starting program makes and destroys windows between the listing
// and the questions about them: a window already gone is no failure.
int IgnoreGoneWindows(Display*, XErrorEvent*) { return 0; }

// Finds the frame and the page window by their sizes; the page is the
// frame less its border.
TStacking ReadStacking(Display* display) {
  TStacking found;
  Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, root, &root, &parent, &children, &count)) return found;
  XSync(display, False);
  auto previous = XSetErrorHandler(IgnoreGoneWindows);
  Atom opacity = XInternAtom(display, "_NET_WM_WINDOW_OPACITY", False);
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
    if (a.width == browser::FrameWidth && a.height == browser::FrameHeight) found.Frame = static_cast<int>(i);
    if (a.width == browser::FrameWidth - 40 && a.height == browser::FrameHeight - 70) {
      found.Page = static_cast<int>(i);
      Atom type = 0;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      // No property, or the full value, is an opaque window.
      found.PageOpaque = true;
      if (XGetWindowProperty(display, children[i], opacity, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                             &data) == Success &&
          data && items == 1)
        found.PageOpaque = *reinterpret_cast<unsigned long*>(data) == 0xFFFFFFFFul;
      if (data) XFree(data);
    }
  }
  if (children) XFree(children);
  XSync(display, False);
  XSetErrorHandler(previous);
  return found;
}

TEST(BrowserStacking, WithACompositorAndNoWindowManagerTheStartPageComesAboveItsFrame) {
  ASSERT_TRUE(testkit::HavePrograms({"Xvfb", "xcompmgr"}));
  testkit::TempDir dir;
  auto server = uitest::StartDisplay(dir.Path());
  ASSERT_TRUE(server->Ok()) << "the X server did not start";
  std::filesystem::create_directories(dir / "compositor");
  testkit::ChildProcess compositor(uitest::ProgramPath("xcompmgr"), {}, {}, dir / "compositor");
  Display* display = XOpenDisplay(server->Address().c_str());
  ASSERT_NE(display, nullptr);
  std::unique_ptr<Display, int (*)(Display*)> closer(display, XCloseDisplay);
  Atom manager = XInternAtom(display, "_NET_WM_CM_S0", False);
  ASSERT_TRUE(WaitFor([&] { return XGetSelectionOwner(display, manager) != 0; })) << "xcompmgr did not start";

  apptest::TQorEnv env;
  env.ConfigHome = dir / "config";
  env.RuntimeDir = dir / "run";
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::create_directories(env.SettingsFolder());
  // A first start opens the browser's start page by itself (the built-in
  // one: no vendor host is configured).
  testkit::TempDir::WriteFile(env.SettingsFolder() / "options.ini",
                              "[player]\nautoplay=0\n[application]\nshowbanner=0\nfirstrun=1\n");
  apptest::TQorProcess qor(env, {});
  TStacking last;
  bool above = WaitFor(
      [&] {
        last = ReadStacking(display);
        return last.Frame >= 0 && last.Page > last.Frame && last.PageOpaque;
      },
      std::chrono::seconds(60));
  EXPECT_TRUE(above) << "frame " << last.Frame << ", page " << last.Page << (last.PageOpaque ? " opaque" : "")
                     << "\n" << qor.Stderr();
  qor.Signal(SIGTERM);
  qor.Wait();
}

}  // namespace
