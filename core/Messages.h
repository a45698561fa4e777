// The toolkit's message layer: window handles, message numbers and the
// calls that move messages between windows and threads.
//
// A window handle (HWND) is a number in a process-wide registry; 0 is "no
// window" and numbers are never reused, so a stale handle simply stops
// being a window. Every window procedure, timer tick and posted message runs
// on the user-interface thread, which is the thread that runs the GLib main
// loop on the default main context (the first thread that creates a window
// handle, or the one that calls InitMessages).
//
// Message numbers and the meaning of wParam/lParam are the Windows ones, so
// code written against them reads the same: texts travel as pointers to
// zero-terminated buffers inside the process.
#pragma once

#include <functional>
#include <string>

#include <cstdint>

namespace core {

using HWND = std::uintptr_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD = std::uint32_t;

// One message as a window procedure sees it; the handler leaves its answer
// in Result (0 when it does not set one).
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

struct TPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  bool operator==(const TRect&) const = default;
};

// --- Message numbers ------------------------------------------------------

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_ACTIVATEAPP = 0x001C;
constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_SETCURSOR = 0x0020;
constexpr UINT WM_MOUSEACTIVATE = 0x0021;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_KEYFIRST = 0x0100;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_SYSTIMER = 0x0118;
constexpr UINT WM_CTLCOLORMSGBOX = 0x0132;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
constexpr UINT WM_CTLCOLORBTN = 0x0135;
constexpr UINT WM_CTLCOLORDLG = 0x0136;
constexpr UINT WM_CTLCOLORSCROLLBAR = 0x0137;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
constexpr UINT WM_MOUSEFIRST = 0x0200;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_MOUSELAST = 0x020A;
constexpr UINT WM_SIZING = 0x0214;
constexpr UINT WM_CAPTURECHANGED = 0x0215;
constexpr UINT WM_MOVING = 0x0216;
constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;
constexpr UINT WM_DROPFILES = 0x0233;
constexpr UINT WM_MOUSEHOVER = 0x02A1;
constexpr UINT WM_MOUSELEAVE = 0x02A3;
constexpr UINT WM_HOTKEY = 0x0312;
constexpr UINT WM_PRINT = 0x0317;
constexpr UINT WM_PRINTCLIENT = 0x0318;
constexpr UINT WM_APPCOMMAND = 0x0319;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// The toolkit's private messages (same numbers as the original toolkit).
constexpr UINT CM_MOUSEENTER = 0x8146;
constexpr UINT CM_FONTCHANGED = 0x933F;
constexpr UINT CM_TEXTCHANGED = 0x9343;
constexpr UINT CN_DRAWITEM = 0xBC2B;
constexpr UINT CN_MEASUREITEM = 0xBC2C;
constexpr UINT CN_HSCROLL = 0xBD14;
constexpr UINT CN_VSCROLL = 0xBD15;

constexpr WPARAM SC_MOVE = 0xF010;  // 0xF012 is SC_MOVE from the caption
constexpr WPARAM ICON_SMALL = 0, ICON_BIG = 1;
constexpr WPARAM SIZE_RESTORED = 0;

// --- Packing helpers ------------------------------------------------------

constexpr std::uint16_t LOWORD(std::uintptr_t v) { return static_cast<std::uint16_t>(v & 0xFFFF); }
constexpr std::uint16_t HIWORD(std::uintptr_t v) { return static_cast<std::uint16_t>((v >> 16) & 0xFFFF); }
// Signed coordinates packed into lParam (GET_X_LPARAM / GET_Y_LPARAM).
constexpr int GET_X_LPARAM(LPARAM v) { return static_cast<std::int16_t>(LOWORD(static_cast<std::uintptr_t>(v))); }
constexpr int GET_Y_LPARAM(LPARAM v) { return static_cast<std::int16_t>(HIWORD(static_cast<std::uintptr_t>(v))); }
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi & 0xFFFF) << 16) |
                                                       static_cast<std::uint32_t>(lo & 0xFFFF)));
}
constexpr WPARAM MAKEWPARAM(unsigned lo, unsigned hi) {
  return static_cast<WPARAM>(((hi & 0xFFFFu) << 16) | (lo & 0xFFFFu));
}

// --- The message layer ----------------------------------------------------

// Makes the calling thread the user-interface thread. Optional: creating the
// first window handle does it too. Calling it from a second thread while
// windows exist is a programming error and is ignored.
void InitMessages();
bool IsUiThread();

bool IsWindow(HWND window);

// Runs the window procedure of `window` and returns its result; 0 when
// `window` is not a window. On the user-interface thread the call is direct
// (and re-entrant). From any other thread the call is handed to the
// user-interface thread and this thread waits for the result; the wait is
// released with result 0 when the window is destroyed before the call runs
// or when the message loop ends (so a worker never hangs at shutdown).
LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Queues the message for the window; callable from any thread. Messages
// from one thread arrive in the order they were posted. Returns false when
// `window` is not a window; a message whose window is destroyed before
// delivery is dropped.
bool PostMessage(HWND window, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

// Ends RunMessageLoop (all nested levels) with `exitCode`. Any thread.
void PostQuitMessage(int exitCode = 0);

// Reports the exception being handled (call it inside a catch block) as
// the message loop reports one that escapes a window procedure or a timer
// tick: to the reporter, by default a GLib warning with its text.
void ReportStrayException();
using TExceptionReporter = std::function<void(const std::string& what)>;
// Replaces the reporter (an empty one restores the warning); returns the
// previous one.
TExceptionReporter SetExceptionReporter(TExceptionReporter reporter);

// Runs the user-interface loop until PostQuitMessage; returns its code.
// When the outermost loop ends, threads still waiting in SendMessage are
// released with 0, and later cross-thread sends return 0 at once until the
// user-interface thread pumps again (RunMessageLoop, ProcessMessages or
// ProcessSentMessages).
int RunMessageLoop();

// Pumps what is pending now (posted and sent messages, due timers, GTK
// events) without waiting. User-interface thread only; elsewhere it does
// nothing.
void ProcessMessages();

// Runs only the calls that other threads are waiting for in SendMessage.
// A user-interface thread that has to block on a worker (joining it) calls
// this in its wait so that a worker inside SendMessage can finish.
void ProcessSentMessages();

// Window timers: WM_TIMER with wParam = id arrives at the window every
// `elapseMs` milliseconds (at least 1) until KillTimer or the window's
// destruction. Setting an existing id again restarts it with the new
// interval. Callable from any thread; ticks run on the user-interface
// thread. SetTimer returns 0 when `window` is not a window, else non-zero.
std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT elapseMs);
// As SetTimer, but each tick may come up to `toleranceMs` late: the ticks
// fall on whole multiples of the tolerance on the monotonic clock, so that
// timers of one tolerance wake the thread once between them instead of
// once each. A tolerance of 0 is SetTimer.
std::uintptr_t SetCoalescableTimer(HWND window, std::uintptr_t id, UINT elapseMs, UINT toleranceMs);
bool KillTimer(HWND window, std::uintptr_t id);

// Destroys the window handle (WM_DESTROY, WM_NCDESTROY); its object stays.
bool DestroyWindow(HWND window);

// Milliseconds since an arbitrary start (monotonic), wrapping like the
// Windows tick count.
DWORD GetTickCount();

}  // namespace core
