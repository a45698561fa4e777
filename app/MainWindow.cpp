#include "app/MainWindow.h"

#include <gio/gio.h>

#include "app/Globals.h"
#include "app/Options.h"
#include "app/SlowTicks.h"
#include "audio/Audio.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "engine/Recorder.h"
#include "platform/Folders.h"
#include "platform/OpenTarget.h"
#include "resources/strings/StringTable.h"
#include "support/ChildProcess.h"
#include "support/Deploy.h"
#include "support/Encoding.h"

namespace app {

using namespace core;

TMainWindow::TMainWindow(TOptions& options, TMainWindowConfig config)
    : FOptions(options), FConfig(std::move(config)) {
  SetName(ControllerName);
  OpenAddress = [](const std::string& address) {
    g_app_info_launch_default_for_uri(address.c_str(), nullptr, nullptr);
  };
}

TMainWindow::~TMainWindow() {
  if (HandleAllocated() && !FClosing) Close();
  DestroyHandle();
  // The players go before the rest of the window, so that none of their
  // last events reaches a half-destroyed controller.
  delete FAVConvPlayer;
  FAVConvPlayer = nullptr;
  delete FBassPlayer;
  FBassPlayer = nullptr;
  FCurrentPlayer = nullptr;
  FRecorder.reset();
  Desktop.reset();
}

HWND TMainWindow::PlayerWindowHandle() const {
  HWND handle = FPlayerWindow ? FPlayerWindow->WindowHandle() : 0;
  return IsWindow(handle) ? handle : 0;
}

bool TMainWindow::TimerEnabled(std::uintptr_t id) const {
  for (const auto* timer : {&FStartupTimer, &FWidgetTimer, &FSiteCountTimer, &FRecorderCheckTimer})
    if (*timer && (*timer)->Id() == id) return (*timer)->Enabled();
  return false;
}

std::string TMainWindow::FfmpegPath() const {
  // Without a program folder (tests) only the search path counts.
  if (FConfig.ProgramFolder.empty()) return "ffmpeg";
  return child::BesideOrOnPath("ffmpeg", enc::WideToFileName(FConfig.ProgramFolder));
}

void TMainWindow::SetIconId(int value) {
  FIconId = value;
  if (!HandleAllocated() || FClosing) return;
  if (!Desktop) return;
  Desktop->SetIconId(value);
  // The player window made its icon when it opened; a later choice reaches
  // it as the controller's new icon (the controller keeps owning it).
  LRESULT icon = Desktop->WindowIcon();
  if (icon && IsWindow(FClientWindow)) {
    SendMessage(FClientWindow, WM_SETICON, ICON_BIG, icon);
    SendMessage(FClientWindow, WM_SETICON, ICON_SMALL, icon);
  }
}

void TMainWindow::DoBeep() {
  if (Beep) Beep();
}

void TMainWindow::Build() {
  if (Desktop) Desktop->Open(FConfig.TrayIcon);

  FBassPlayer = new TBassRadioPlayer(this);
  FBassPlayer->SetPrebufferPercent(50);
  FBassPlayer->Attempts = FOptions.ReadInt(oiAttempt);
  FBassPlayer->SetNetBuffer(FOptions.ReadInt(oiBuffer));
  FBassPlayer->SetNetTimeout(FOptions.ReadInt(oiTimeout));
  AttachEvents(FBassPlayer);
  FBassPlayer->SetVolume(FVolume);

  FAVConvPlayer = new TAVConvRadioPlayer(this);
  FAVConvPlayer->SetPrebufferPercent(50);
  FAVConvPlayer->PrebufferBytes = 0x40000;
  FAVConvPlayer->Attempts = FOptions.ReadInt(oiAttempt);
  AttachEvents(FAVConvPlayer);
  FAVConvPlayer->SetVolume(FVolume);
  FCurrentPlayer = FBassPlayer;

  FRecorder = std::make_unique<TRecorder>();
  // A failure may be met on the download thread; it is handled here.
  FRecorder->OnFailure = [self = WindowHandle()] { PostMessage(self, UM_RECORDING_FAILED); };
  FRecorderCheckTimer = std::make_unique<TWinTimer>(WindowHandle(), RecorderCheckTimerMs, RecorderCheckTimerId);

  if (FConfig.BackgroundRequests)
    FUpdateCheck = std::make_unique<TUpdateCheck>(TUpdateHost{
        WindowHandle(), &FOptions, FConfig.SettingsFolder, [this] { return PlayerWindowHandle(); },
        [this] { return FStationName; },
        [this](HWND owner, const std::u16string& text, const std::u16string& caption) {
          return Ask ? Ask(owner, text, caption) : IDNO;
        },
        [this](const std::string& address) {
          if (OpenAddress) OpenAddress(address);
        }});

  FStartupTimer = std::make_unique<TWinTimer>(WindowHandle(), StartupTimerMs, StartupTimerId);
  FWidgetTimer = std::make_unique<TWinTimer>(WindowHandle(), WidgetTimerMs, WidgetTimerId);
  FSiteCountTimer = std::make_unique<TWinTimer>(WindowHandle(), SiteCountTimerMs, SiteCountTimerId);
  // The slow ones share their wake-ups with each other and the window's idle trim.
  FWidgetTimer->SetInterval(WidgetTimerMs, SlowTickGridMs);
  FSiteCountTimer->SetInterval(SiteCountTimerMs, SlowTickGridMs);
  FStartupTimer->SetEnabled(true);
}

void TMainWindow::AttachEvents(TBaseRadioPlayer* player) {
  player->OnStop = [this](TObject*) { Notify(psStopped, 0); };
  player->OnPlay = [this, player](TObject*) { Notify(psPlaying, static_cast<LPARAM>(player->Channel)); };
  player->OnStall = [this, player](TObject*) { Notify(psStalled, static_cast<LPARAM>(player->Channel)); };
  player->OnPause = [this, player](TObject*) { Notify(psPaused, static_cast<LPARAM>(player->Channel)); };
  player->OnConnecting = [this](TObject*) { Notify(psConnecting, 0); };
  player->OnBuffering = [this](TObject*, int32_t percent) { Notify(psBuffering, percent); };
  player->OnError = [this, player](TObject*) { Notify(PE_ERROR, player->LastError); };
  // Both players raise the same event for a new title; it reaches the
  // client once, straight from here. A player that is not the current one
  // has been stopped and has nothing to tell.
  player->OnMetadata = [this, player](TObject*, const std::string& text) {
    if (player == FCurrentPlayer) RelayMeta(0, reinterpret_cast<LPARAM>(text.c_str()));
  };
  // The decoder's lines arrive on its reading thread; nothing to do here.
  player->OnOutputLine = [](TObject*, const std::string&) {};
}

void TMainWindow::Notify(WPARAM code, LPARAM value) {
  if (IsWindow(FClientWindow)) SendMessage(FClientWindow, UM_PLAYER_EVENT, code, value);
}

LRESULT TMainWindow::RelayMeta(WPARAM w, LPARAM l) {
  return IsWindow(FClientWindow) ? SendMessage(FClientWindow, UM_PLAYER_META, w, l) : 0;
}

void TMainWindow::SetPlayerCaption(const std::u16string& caption) {
  if (HWND player = PlayerWindowHandle()) SendMessage(player, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
}

void TMainWindow::Play(const char16_t* name, const char16_t* address) {
  auto bounded = [](const char16_t* text) {
    std::u16string out;
    for (int i = 0; i < StationTextLimit && text[i]; ++i) out += text[i];
    return out;
  };
  if (name) FStationName = bounded(name);
  if (address) FStationAddress = bounded(address);
  StartPlayer();
  if (FUpdateCheck) FUpdateCheck->StartWidgetHit();
  if (FWidgetTimer) {
    FWidgetTimer->SetEnabled(false);
    FWidgetTimer->SetEnabled(true);
  }
}

void TMainWindow::OpenTarget(const std::u16string& target) {
  if (FClosing || target.empty()) return;
  // A player window plays an address as one of its stations, under the
  // address's name; without one there is nothing to name it.
  if (!OpenFiles && platform::IsWebAddress(enc::Utf16ToUtf8(target))) {
    Stop();
    Play(target.c_str(), target.c_str());
    return;
  }
  FFilesToOpen.push_back(target);
  DeliverFiles();
}

void TMainWindow::DeliverFiles() {
  if (FFilesToOpen.empty() || !IsWindow(FClientWindow) || !OpenFiles) return;
  auto files = std::move(FFilesToOpen);
  FFilesToOpen.clear();
  OpenFiles(FClientWindow, files);
}

void TMainWindow::StartPlayer() {
  TPlayerChoice choice = ChoosePlayer(enc::Utf16ToUtf8(FStationAddress), deploy::Value(deploy::VideoSiteHost));
  FStationAddress = enc::Utf8ToUtf16(choice.Address);
  TBaseRadioPlayer* player = choice.Kind == TPlayerKind::Bass ? static_cast<TBaseRadioPlayer*>(FBassPlayer)
                                                              : static_cast<TBaseRadioPlayer*>(FAVConvPlayer);
  if (!player) return;
  // Two stations never play at once: the player not chosen is stopped
  // before the other starts, so that UM_STOP always reaches what plays.
  TBaseRadioPlayer* other = player == FBassPlayer ? static_cast<TBaseRadioPlayer*>(FAVConvPlayer)
                                                  : static_cast<TBaseRadioPlayer*>(FBassPlayer);
  if (other && other->State != psStopped) other->Stop();
  FCurrentPlayer = player;
  player->StationName = enc::Utf16ToUtf8(FStationName);
  std::string address = choice.Address;
  if (address.find("applehttp://") != std::string::npos) {
    for (size_t at = address.find("applehttp"); at != std::string::npos; at = address.find("applehttp", at + 4))
      address.replace(at, 9, "http");
  }
  player->Address = address;
  player->SetVolume(FVolume);
  if (player == FAVConvPlayer) FAVConvPlayer->FfmpegPath = FfmpegPath();
  // The library starts after the players are made: its network settings
  // are passed on again now that it runs.
  if (player == FBassPlayer) {
    FBassPlayer->SetNetBuffer(FBassPlayer->NetBuffer);
    FBassPlayer->SetNetTimeout(FBassPlayer->NetTimeout);
  }
  player->Play();
  if (PlayerWindowHandle()) SetPlayerCaption(u"QOR - " + FStationName);
}

void TMainWindow::Stop() {
  FStationName.clear();
  FStationAddress.clear();
  if (FCurrentPlayer) FCurrentPlayer->Stop();
  SetPlayerCaption(res::LoadStr(res::IDS_APP_TITLE));
}

void TMainWindow::SetVolume(int value) {
  if (value == FVolume) return;
  FVolume = std::clamp(value, 0, 100);
  if (FCurrentPlayer) FCurrentPlayer->SetVolume(FVolume);
}

void TMainWindow::SetMute(std::uint8_t value) {
  bool wasMuted = FMute == 1;
  FMute = value;
  if (FMute == 1) {
    if (!wasMuted) FVolumeBeforeMute = FVolume;
    SetVolume(0);
  } else if (wasMuted) {
    SetVolume(FVolumeBeforeMute);
  }
  Notify(PE_MUTE, FMute);
}

void TMainWindow::StartupTick() {
  FStartupTimer->SetEnabled(false);
  if (FUpdateCheck) {
    FUpdateCheck->StartVersionCheck();
    FUpdateCheck->StartWidgetHit();
    FUpdateCheck->StartSiteCount();
  }
  FWidgetTimer->SetEnabled(true);
  FSiteCountTimer->SetEnabled(true);
  if (CreatePlayerWindow && !FPlayerWindow) {
    FPlayerWindow = CreatePlayerWindow(*this);
    if (FPlayerWindow) FPlayerWindow->HandleNeeded();
  }
}

void TMainWindow::WidgetTick() {
  FWidgetTimer->SetEnabled(false);
  if (FUpdateCheck) FUpdateCheck->StartWidgetHit();
  FWidgetTimer->SetEnabled(true);
}

void TMainWindow::SiteCountTick() {
  FSiteCountTimer->SetEnabled(false);
  if (FOptions.ReadBool(obShowBanner)) {
    if (FUpdateCheck) FUpdateCheck->StartSiteCount();
  } else if (HWND player = PlayerWindowHandle()) {
    SendMessage(player, UM_LISTENERS, 0, 0);
  }
  FSiteCountTimer->SetEnabled(true);
}

void TMainWindow::Close() {
  if (FClosing) return;
  FClosing = true;
  if (CloseQuestion) CloseQuestion();
  FStartupTimer.reset();
  FWidgetTimer.reset();
  FSiteCountTimer.reset();
  FRecorderCheckTimer.reset();
  if (HWND player = PlayerWindowHandle()) SendMessage(player, WM_CLOSE);
  FPlayerWindow.reset();
  // The recording is ended before the recorder goes, so that its file is
  // complete when the program has gone.
  if (FRecorder) {
    if (FRecorder->State == rsRecording) FRecorder->Stop();
    FRecorder.reset();
  }
  if (FCurrentPlayer) FCurrentPlayer->Stop();
  // A stream still being opened would otherwise hold the closing program
  // until a silent server's time-out: the players wait for their workers.
  audio::CancelPendingOpens();
  if (Desktop) Desktop->Close();
  if (FUpdateCheck) FUpdateCheck->WaitAll();
  DestroyHandle();
}

void TMainWindow::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CREATE:
      TControllerWindow::WndProc(m);
      Build();
      return;
    case WM_DESTROY:
      if (FConfig.QuitOnDestroy) PostQuitMessage(0);
      break;
    case WM_CLOSE:
      Close();
      m.Result = 0;
      return;
    case WM_TIMER:
      if (!FClosing) {
        if (m.WParam == StartupTimerId) StartupTick();
        else if (m.WParam == WidgetTimerId) WidgetTick();
        else if (m.WParam == SiteCountTimerId) SiteCountTick();
        else if (m.WParam == RecorderCheckTimerId && FRecorder) FRecorder->CheckEncoder();
      }
      m.Result = 0;
      return;
    default:
      if (HandleRequest(m)) return;
      break;
  }
  TControllerWindow::WndProc(m);
}

}  // namespace app
