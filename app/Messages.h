// The controller's window-message protocol: the numbers, and the limits of
// the texts that travel with them. The player window (or any other client,
// such as the headless tool) sends requests to the controller's handle and
// receives player events from it.
//
// Texts cross as pointers to zero-terminated buffers inside the process.
// A wide buffer handed to the controller for a copy must hold
// ProtocolTextLimit + 1 UTF-16 units; byte buffers are bounded by the size
// the caller passes with them. A null buffer is never written.
#pragma once

#include <string>

#include "app/Controller.h"
#include "core/Messages.h"

namespace app {

using core::UINT;

// Longest wide text copied into a caller's buffer (without its zero).
inline constexpr int ProtocolTextLimit = 260;
// Longest station name or address taken from a request.
inline constexpr int StationTextLimit = 2055;

// Requests handled by the controller.
inline constexpr UINT UM_VERSION_DONE = 37782;
inline constexpr UINT UM_WIDGET_DONE = 37783;
inline constexpr UINT UM_BANNER_DONE = 37785;
inline constexpr UINT UM_SITECOUNT_DONE = 37786;
inline constexpr UINT UM_PLAY = 37984;
inline constexpr UINT UM_STOP = 37985;
inline constexpr UINT UM_GET_SPECTRUM = 37986;
inline constexpr UINT UM_SET_VOLUME = 37987;
inline constexpr UINT UM_GET_VOLUME = 37988;
inline constexpr UINT UM_SET_EQUALIZER = 37989;
inline constexpr UINT UM_GET_EQ_BAND = 37991;
inline constexpr UINT UM_SET_EQ_BAND = 37992;
inline constexpr UINT UM_GET_PLAY_STATE = 37993;
inline constexpr UINT UM_GET_RESULT = 37994;
inline constexpr UINT UM_GET_CHANNEL = 37995;
inline constexpr UINT UM_GET_META = 37996;
inline constexpr UINT UM_GET_TYPE = 37998;
inline constexpr UINT UM_GET_SAMPLE_RATE = 37999;
inline constexpr UINT UM_GET_STRING = 38000;
inline constexpr UINT UM_SET_TRAY_HINT = 38002;
inline constexpr UINT UM_REGISTER_CLIENT = 38003;
inline constexpr UINT UM_PLAYER_EVENT = 38004;
inline constexpr UINT UM_PLAYER_META = 38005;
inline constexpr UINT UM_GET_BUFFER_PERCENT = 38006;
inline constexpr UINT UM_GET_TAGS = 38007;
inline constexpr UINT UM_GET_ERROR_TEXT = 38008;
inline constexpr UINT UM_QUERY_MENU = 38010;
inline constexpr UINT UM_OPEN_OPTIONS = 38011;
inline constexpr UINT UM_TRAY_CLICK = 38011;  // the player window's meaning of the same number
inline constexpr UINT UM_SET_MESSENGER = 38012;
inline constexpr UINT UM_SET_PROXY = 38013;
inline constexpr UINT UM_GET_STEREO = 38014;
inline constexpr UINT UM_SHOW_OPTIONS = 38016;
inline constexpr UINT UM_BEEP = 38017;
inline constexpr UINT UM_GET_MUTE = 38018;
inline constexpr UINT UM_SET_MUTE = 38019;
inline constexpr UINT UM_GET_RECORDER_STATE = 38020;
inline constexpr UINT UM_START_RECORDING = 38021;
inline constexpr UINT UM_STOP_RECORDING = 38022;
inline constexpr UINT UM_PAUSE_RECORDING = 38023;
inline constexpr UINT UM_GET_RECORDED_SIZE = 38024;
inline constexpr UINT UM_CANCEL_RECORDING = 38025;
inline constexpr UINT UM_GET_RECORDING_FILE = 38028;
inline constexpr UINT UM_SET_CAPTION = 38030;
inline constexpr UINT UM_GET_BITRATE = 38031;
inline constexpr UINT UM_GET_CODEC = 38032;
inline constexpr UINT UM_GET_BUFFER = 38035;
inline constexpr UINT UM_SET_BUFFER = 38036;
inline constexpr UINT UM_GET_TIMEOUT = 38037;
inline constexpr UINT UM_SET_TIMEOUT = 38038;
inline constexpr UINT UM_GET_ATTEMPTS = 38040;
inline constexpr UINT UM_SET_ATTEMPTS = 38041;

// Recording failures; these two go beyond the original protocol, so that
// a recording that cannot write never fails silently. The controller
// sends UM_RECORDING_FAILED to the client once a recording has stopped
// because it could not write (disk full, folder gone, encoder ended):
// W is the cause (an errno value, or -1 when the encoder ended while the
// stream played), L is 0; what was written stays on disk and the recorder
// is idle again. The window shows the reason, which UM_GET_RECORDING_ERROR
// copies into the wide buffer L (at most 260 characters; result: its
// length; empty while the last recording had no failure). The reason of a
// refused UM_START_RECORDING (a file name the system refused) reads the
// same way.
inline constexpr UINT UM_RECORDING_FAILED = 38070;
inline constexpr UINT UM_GET_RECORDING_ERROR = 38071;
// Files and web addresses given to the program to open (its command line,
// the desktop's "open with"): W is a drop handle (DragQueryFiles) with
// them in order; the player window finishes it. Unlike a drop, what is
// opened also plays.
inline constexpr UINT UM_OPEN_TARGETS = 38072;

// Notices of the update check to the player window.
inline constexpr UINT UM_DATABASE_UPDATE = 38058;
inline constexpr UINT UM_BANNER_READY = 38061;
inline constexpr UINT UM_LISTENERS = 38062;
// Asks the player window for the administrator's station-list download.
inline constexpr UINT UM_DOWNLOAD_STATION_LIST = 38063;

// The options sheet closed: wParam 3 after OK, 5 after Cancel.
inline constexpr UINT UM_OPTIONS_CLOSED = 38026;

// wParam of UM_PLAYER_EVENT besides the player states 0..5.
inline constexpr core::WPARAM PE_MUTE = 6;
inline constexpr core::WPARAM PE_ERROR = 0xFFFF;

// Commands of WM_COMMAND.
inline constexpr core::WPARAM CM_CLOSE_CONTROLLER = 40001;
// The player window's record command and its mute toggle, which the tray
// menu offers besides the window menu's commands.
inline constexpr core::WPARAM CM_RECORD = 40007;
inline constexpr core::WPARAM CM_TOGGLE_MUTE = 9015;

// Timer ids of the controller window and their periods.
inline constexpr std::uintptr_t StartupTimerId = 1001;
inline constexpr std::uintptr_t WidgetTimerId = 1004;
inline constexpr std::uintptr_t SiteCountTimerId = 1009;
// Watches an encoding recording for an encoder that ended on its own.
inline constexpr std::uintptr_t RecorderCheckTimerId = 1012;
inline constexpr UINT RecorderCheckTimerMs = 1000;
inline constexpr UINT StartupTimerMs = 50;
inline constexpr UINT WidgetTimerMs = 300000;
inline constexpr UINT SiteCountTimerMs = 15000;

// Message-box answers of the new-version question.
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDCANCEL = 2;

// String ids the controller hands out.
inline constexpr int IDS_NEW_VERSION = 200;
inline constexpr int IDS_CONNECT_FAILED = 400;

}  // namespace app
