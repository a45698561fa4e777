// The toolkit's input vocabulary: the key-state bits of mouse messages,
// hit-test codes, virtual-key and app-command codes (the Windows numbers,
// so that window code reads the same), and the time of the last input.
// The message core below knows only messages; what a key or a button is
// belongs to the toolkit that turns native events into them.
#pragma once

#include "core/Messages.h"

namespace widgets {

using core::DWORD;
using core::LPARAM;
using core::LRESULT;
using core::WPARAM;

// Key state bits in wParam of mouse messages.
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;

// Hit-test codes (WM_NCHITTEST, WM_SETCURSOR, WM_NCLBUTTONDOWN).
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;

// WM_GETDLGCODE: the control takes every key, Tab and Esc included.
constexpr LRESULT DLGC_WANTALLKEYS = 4;

// Virtual-key codes the toolkit produces ('0'..'9' and 'A'..'Z' are their
// ASCII codes).
constexpr unsigned VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_MBUTTON = 0x04;
constexpr unsigned VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D;
constexpr unsigned VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12;
constexpr unsigned VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B;
constexpr unsigned VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22;
constexpr unsigned VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25, VK_UP = 0x26;
constexpr unsigned VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E;
constexpr unsigned VK_F1 = 0x70;  // VK_F1 + n - 1 is Fn, up to F24
constexpr unsigned VK_VOLUME_MUTE = 0xAD, VK_VOLUME_DOWN = 0xAE, VK_VOLUME_UP = 0xAF;
constexpr unsigned VK_MEDIA_NEXT_TRACK = 0xB0, VK_MEDIA_PREV_TRACK = 0xB1;
constexpr unsigned VK_MEDIA_STOP = 0xB2, VK_MEDIA_PLAY_PAUSE = 0xB3;

// WM_APPCOMMAND commands (GET_APPCOMMAND_LPARAM).
constexpr unsigned APPCOMMAND_VOLUME_MUTE = 8, APPCOMMAND_VOLUME_DOWN = 9, APPCOMMAND_VOLUME_UP = 10;
constexpr unsigned APPCOMMAND_MEDIA_NEXTTRACK = 11, APPCOMMAND_MEDIA_PREVIOUSTRACK = 12;
constexpr unsigned APPCOMMAND_MEDIA_STOP = 13, APPCOMMAND_MEDIA_PLAY_PAUSE = 14;

constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM w) { return static_cast<std::int16_t>(core::HIWORD(w)); }
constexpr unsigned GET_KEYSTATE_WPARAM(WPARAM w) { return core::LOWORD(w); }
constexpr unsigned GET_APPCOMMAND_LPARAM(LPARAM l) { return core::HIWORD(static_cast<std::uintptr_t>(l)) & 0x0FFF; }

// The tick count (core::GetTickCount) of the last keyboard
// (WM_KEYFIRST..WM_KEYLAST) or mouse (WM_MOUSEFIRST..WM_MOUSELAST) message
// that any control of the toolkit received; 0 before the first.
DWORD GetLastInputTime();

}  // namespace widgets
