// TMainWindow: the engine's controller, a hidden window of class "QORClass".
// It owns the two players, the recorder, the tray icon, three timers and
// the background exchanges of the update check, creates the player window
// on its first tick and from then on serves it through the message
// protocol of app/Messages.h: requests arrive with SendMessage, player
// events go back to the registered client window as UM_PLAYER_EVENT and
// UM_PLAYER_META.
//
// Everything the controller cannot do without a desktop (the player window,
// the tray icon and menu, the window icon, the options dialog, the
// new-version question, the beep) is a hook or the desktop part that the
// program fills in, so the same controller runs headless in the
// command-line tool and in tests and links no GTK, cairo or X11.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Controller.h"
#include "app/ControllerDesktop.h"
#include "app/Messages.h"
#include "app/UpdateCheck.h"
#include "core/Timer.h"

class TBaseRadioPlayer;
class TBassRadioPlayer;
class TAVConvRadioPlayer;
class TRecorder;

namespace app {

class TOptions;

struct TMainWindowConfig {
  std::u16string SettingsFolder;  // with a trailing "/"
  std::u16string ProgramFolder;   // with a trailing "/"
  bool TrayIcon = true;
  // The update check, visitor count and widget hits (off for the headless
  // tool, which has nobody to show their results to).
  bool BackgroundRequests = true;
  // Destroying the window ends the message loop (off for tests that run
  // several controllers in one loop).
  bool QuitOnDestroy = true;
};

class TMainWindow : public TControllerWindow {
 public:
  using TPlayerWindowFactory = std::function<std::unique_ptr<core::TMessageWindow>(TMainWindow& owner)>;
  using TQuestion = std::function<int(core::HWND owner, const std::u16string& text, const std::u16string& caption)>;

  TMainWindow(TOptions& options, TMainWindowConfig config);
  ~TMainWindow() override;

  // Hooks, set before the handle is created.
  // Makes the player window on the first tick; without one the controller
  // runs alone and drops what it would tell the player window.
  TPlayerWindowFactory CreatePlayerWindow;
  TQuestion Ask;
  // Takes an open question away when the controller closes (its answer
  // then counts as "No").
  std::function<void()> CloseQuestion;
  std::function<void(const std::string& address)> OpenAddress;
  std::function<void()> Beep;
  // The options dialog (parent, start page); its result is the answer.
  std::function<core::LRESULT(core::HWND parent, int page)> ShowOptions;
  // Shows the menu that the player window handed out for the tray icon.
  std::function<void(core::LRESULT menu, core::HWND owner)> PopupMenu;
  // Gives files and web addresses to open to the player window
  // (UM_OPEN_TARGETS, app/desktop makes the drop handle); without it web
  // addresses play at once and files are left unopened.
  std::function<void(core::HWND playerWindow, const std::vector<std::u16string>& files)> OpenFiles;
  // The tray icon and window icon (app/desktop); none when headless.
  std::unique_ptr<TControllerDesktop> Desktop;

  // What the tests and the tool observe (never needed to drive it).
  TBaseRadioPlayer* CurrentPlayer() const { return FCurrentPlayer; }
  TBassRadioPlayer* BassPlayer() const { return FBassPlayer; }
  TAVConvRadioPlayer* AVConvPlayer() const { return FAVConvPlayer; }
  TRecorder* Recorder() const { return FRecorder.get(); }
  TUpdateCheck* UpdateCheck() const { return FUpdateCheck.get(); }
  core::TMessageWindow* PlayerWindow() const { return FPlayerWindow.get(); }
  core::HWND PlayerWindowHandle() const;
  core::HWND ClientWindow() const { return FClientWindow; }
  const std::u16string& StationName() const { return FStationName; }
  const std::u16string& StationAddress() const { return FStationAddress; }
  int IconId() const { return FIconId; }
  bool TimerEnabled(std::uintptr_t id) const;
  // The ffmpeg executable: beside the program when there, else on PATH.
  std::string FfmpegPath() const;

  void SetIconId(int value) override;
  // An http(s) address plays at once, as a station of that name; a file
  // goes to the player window as a drop, once the player window is there.
  void OpenTarget(const std::u16string& target) override;
  void WndProc(core::TMessage& message) override;

  // The closing sequence (WM_CLOSE, command 40001): timers, player window,
  // recorder, player, the desktop's icons, background exchanges, then the
  // window itself.
  void Close();

 private:
  void Build();
  void AttachEvents(TBaseRadioPlayer* player);
  void Notify(core::WPARAM code, core::LPARAM value);
  core::LRESULT RelayMeta(core::WPARAM w, core::LPARAM l);
  void Play(const char16_t* name, const char16_t* address);
  void StartPlayer();
  void Stop();
  void SetVolume(int value);
  void SetMute(std::uint8_t value);
  core::LRESULT StartRecording();
  void StopRecording();
  void RecordingFailed();
  void SetPlayerCaption(const std::u16string& caption);
  void StartupTick();
  void WidgetTick();
  void SiteCountTick();
  void DoBeep();
  void DeliverFiles();
  bool HandleRequest(core::TMessage& m);
  bool HandlePlayerRequest(core::TMessage& m);
  bool HandleRecorderRequest(core::TMessage& m);

  TOptions& FOptions;
  TMainWindowConfig FConfig;

  int FIconId = 101;
  std::unique_ptr<core::TWinTimer> FStartupTimer;
  std::unique_ptr<core::TWinTimer> FWidgetTimer;
  std::unique_ptr<core::TWinTimer> FSiteCountTimer;
  std::unique_ptr<core::TWinTimer> FRecorderCheckTimer;
  core::HWND FClientWindow = 0;
  std::uint8_t FMute = 0;
  int FVolumeBeforeMute = 50;
  int FVolume = 50;
  std::u16string FStationName;
  std::u16string FStationAddress;
  std::unique_ptr<TUpdateCheck> FUpdateCheck;
  TBaseRadioPlayer* FCurrentPlayer = nullptr;
  TBassRadioPlayer* FBassPlayer = nullptr;
  TAVConvRadioPlayer* FAVConvPlayer = nullptr;
  std::unique_ptr<TRecorder> FRecorder;
  std::unique_ptr<core::TMessageWindow> FPlayerWindow;
  std::string FTags;  // what UM_GET_TAGS points to, until the next request
  std::string FProxy;
  std::vector<std::u16string> FFilesToOpen;  // until a player window registers
  bool FClosing = false;
};

// The player chosen for an address, and the address it is given.
enum class TPlayerKind { Bass, AVConv };
struct TPlayerChoice {
  TPlayerKind Kind = TPlayerKind::AVConv;
  std::string Address;
};
// `videoHost` is the video site's main host (with its "www" label).
TPlayerChoice ChoosePlayer(const std::string& address, const std::string& videoHost);

}  // namespace app
