#include "ui/window/PlayerWindow.h"
#include "ui/window/DesktopBox.h"

#include <gtk/gtk.h>

#include "support/Encoding.h"

#include "app/Application.h"
#include "app/DatabaseUpdate.h"
#include "app/Globals.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "app/ParameterList.h"
#include "app/SlowTicks.h"
#include "resources/strings/StringTable.h"
#include "ui/window/PlayerBrowser.h"
#include "ui/window/PlayerBus.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerSession.h"
#include "widgets/controls/ToolTip.h"
#include "widgets/menus/Menu.h"
#include "widgets/paint/BitmapEx.h"

namespace ui {

using namespace widgets;
using namespace app;

TPlayerWindow::TPlayerWindow(TPlayerWindowConfig config) : FConfig(std::move(config)), FOptions(*FConfig.Options) {
  SetClassNameW(u"TPlayerWindow");
  SetCaption(res::LoadStr(res::IDS_APP_TITLE));
  SetWidth(PlayerWidth);
  SetHeight(PlayerInitialHeight);
  ShowInfoBox = [](const std::u16string&, const std::u16string&) {};
  FBrowser = std::make_unique<TPlayerBrowser>(*this);
  InstallCommandHooks();
}

TPlayerWindow::~TPlayerWindow() {
  *FAlive = false;
  FSession.reset();
  FBrowser.reset();
  FBus.reset();
  DestroyHandle();
  if (FLargeIcon) DestroyIcon(FLargeIcon);
  if (FPlayerMenu) DestroyMenu(FPlayerMenu);
}

void TPlayerWindow::CreateHandle() {
  TWindowEx::CreateHandle();
  // 1. The program icon for the window.
  int iconId = FOptions.ReadInt(oiIcon) == 102 ? 102 : 101;
  if (auto icon = TBitmapEx::FromIcon(iconId, 32)) {
    TIconImage image;
    std::vector<std::uint32_t> argb(static_cast<size_t>(icon->Width()) * icon->Height());
    for (int y = 0; y < icon->Height(); ++y)
      for (int x = 0; x < icon->Width(); ++x) {
        // Icons take straight alpha.
        std::uint32_t p = icon->Pixel(x, y), a = p >> 24;
        auto channel = [&](int shift) { return a ? ((((p >> shift) & 0xFF) * 255 / a) & 0xFF) << shift : 0u; };
        argb[static_cast<size_t>(y) * icon->Width() + x] = (a << 24) | channel(16) | channel(8) | channel(0);
      }
    FLargeIcon = CreateIconFromArgb(icon->Width(), icon->Height(), argb);
    SendMessage(WindowHandle(), WM_SETICON, ICON_BIG, static_cast<LPARAM>(FLargeIcon));
    SendMessage(WindowHandle(), WM_SETICON, ICON_SMALL, static_cast<LPARAM>(FLargeIcon));
  }
  // 3. The shared hint window belongs to this window.
  if (!TToolTip::Instance()) new TToolTip(this);
  if (TToolTip::Instance()) TToolTip::Instance()->SetEnableTip(true);
  // 2. The window menu.
  BuildMenu();
  // 4. - 6.
  ReadOptions();
  Send(UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(WindowHandle()));
  BuildControls();
  FRecording = std::make_unique<TPlayerRecording>(*this);
  LoadLists();
  SetMarquee(FCurrentName, true);
  if (!FConfig.StartNotice.empty()) ShowNotice(FConfig.StartNotice, FConfig.NoticeMs);
  // 8.
  CreateTimers();
  if (FConfig.WatchSession) FSession = std::make_unique<TPlayerSession>(*this);
  // 7. The global hotkeys (their menu texts were written with the menu).
  if (FConfig.DesktopBus) FBus = std::make_unique<TPlayerBus>(*this);
}

void TPlayerWindow::CreateTimers() {
  HWND self = WindowHandle();
  FStartupTimer = std::make_unique<core::TWinTimer>(self, 50, tmStartup);
  FTrimTimer = std::make_unique<core::TWinTimer>(self, SlowTickGridMs, tmTrim);
  FTickTimer = std::make_unique<core::TWinTimer>(self, TickIntervalMs, tmTick);
  FVolumeLabelTimer = std::make_unique<core::TWinTimer>(self, 750, tmVolumeLabel);
  FRecordingTimer = std::make_unique<core::TWinTimer>(self, 1000, tmRecording);
  FVolumeShowTimer = std::make_unique<core::TWinTimer>(self, static_cast<UINT>(std::max(1, FShowTime)), tmVolumeShow);
  FVolumeHideTimer = std::make_unique<core::TWinTimer>(self, static_cast<UINT>(std::max(1, FHideTime)), tmVolumeHide);
  FCommandRecordingTimer = std::make_unique<core::TWinTimer>(self, 1000, tmCommandRecording);
  FScheduleTimer = std::make_unique<core::TWinTimer>(self, 1000, tmSchedule);
  // The idle trim looks in when the controller's listener tick wakes the
  // program anyway (once it has been idle for 10 s, TrimMemory).
  FTrimTimer->SetInterval(SlowTickGridMs, SlowTickGridMs);
  FStartupTimer->SetEnabled(true);
  FTrimTimer->SetEnabled(true);
}

bool TPlayerWindow::TimerRunning(std::uintptr_t id) const {
  for (auto* timer : {&FStartupTimer, &FTrimTimer, &FTickTimer, &FVolumeLabelTimer, &FRecordingTimer,
                      &FVolumeShowTimer, &FVolumeHideTimer, &FCommandRecordingTimer, &FScheduleTimer})
    if (*timer && (*timer)->Id() == id) return (*timer)->Enabled();
  return false;
}

void TPlayerWindow::WndProc(TMessage& m) {
  const TBusFollows follows(FBus.get());
  if (!FClosed && BehaviourMessage(m)) return;
  switch (m.Msg) {
    case UM_PLAYER_EVENT:
      if (!FClosed) PlayerEvent(m.WParam, m.LParam);
      m.Result = 0;
      return;
    case UM_PLAYER_META:
      if (!FClosed) PlayerMeta();
      m.Result = 0;
      return;
    case UM_ACTIVATE:
      if (!FClosed) {
        SetVisible(true);
        SetForegroundWindow(WindowHandle());
      }
      m.Result = 0;
      return;
    case UM_QUERY_MENU:
      m.Result = m.WParam == 1 && !FClosed ? static_cast<LRESULT>(PlayerMenu()) : 0;
      return;
    case WM_COMMAND:
      if (!FClosed && Command(m.WParam)) {
        m.Result = 0;
        return;
      }
      break;
    case UM_TRAY_CLICK:
      if (m.WParam == 1 && !FClosed) ToggleVisible();
      m.Result = 0;
      return;
    case UM_MEDIA_COMMAND:
      if (FClosed) return;
      if (m.WParam == 0 && !IsPlaying()) StopPlayback();
      else if (m.WParam == 1 && IsPlaying()) StopPlayback();
      else if (m.WParam == 2) PlayNext();
      else if (m.WParam == 3) PlayPrevious();
      m.Result = 0;
      return;
    case UM_OPTIONS_CLOSED:
      if (m.WParam == 3 && !FClosed) OptionsChanged();
      m.Result = 0;
      return;
    case UM_BANNER_READY:
      if (!FClosed && FOptions.ReadBool(obShowBanner) && ListPanelVisible()) ShowBannerBand();
      m.Result = 0;
      return;
    case UM_LISTENERS:
      if (!FClosed) Listeners(m.WParam, m.LParam);
      m.Result = 0;
      return;
    case UM_RECORDING_FAILED:
      if (!FClosed) FRecording->Failed(m.WParam);
      m.Result = 0;
      return;
    case UM_DATABASE_UPDATE:
    case UM_DOWNLOAD_STATION_LIST:
    case UM_DATABASE_DOWNLOADED:
    case UM_STATION_LIST_DOWNLOADED:
      if (!FClosed) DatabaseMessage(m.Msg);
      m.Result = 0;
      return;
    case WM_TIMER:
      if (!FClosed) {
        switch (m.WParam) {
          case tmStartup: StartupSequence(); break;
          case tmTrim: TrimMemory(); break;
          case tmTick: Tick(); break;
          case tmVolumeLabel: HideVolumeLabel(); break;
          case tmVolumeShow: VolumeSlider(true); break;
          case tmVolumeHide: VolumeSlider(false); break;
          case tmRecording: FRecording->ClockTick(); break;
          case tmCommandRecording:
          case tmSchedule: FRecording->RunTimer(m.WParam); break;
          default: break;
        }
      }
      m.Result = 0;
      return;
    case WM_CLOSE:
      CloseWindow();
      m.Result = 0;
      return;
    case WM_QUERYENDSESSION:
      m.Result = 1;
      return;
    case WM_ENDSESSION:
      if (m.WParam) EndSession();
      m.Result = 0;
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      auto key = static_cast<std::uint16_t>(m.WParam);
      TShiftState shift = KeyDataToShiftState(m.LParam);
      if (!FClosed && HandleWindowKey(key, shift)) {
        m.Result = 0;
        return;
      }
      break;
    }
    case WM_DROPFILES:
      if (!FClosed) DroppedFiles(static_cast<std::uintptr_t>(m.WParam));
      m.Result = 0;
      return;
    case UM_OPEN_TARGETS:
      if (!FClosed) OpenedTargets(static_cast<std::uintptr_t>(m.WParam));
      m.Result = 0;
      return;
    case WM_MOUSEWHEEL:
      // Every control passes the wheel up to here.
      if (!FClosed) Wheel(static_cast<std::int16_t>(m.WParam >> 16));
      m.Result = 0;
      return;
    default:
      break;
  }
  TWindowEx::WndProc(m);
}

namespace {

// The recording warning as the desktop shows it: a modal information box
// above every window.
void GtkInfoBox(const std::u16string& text, const std::u16string& caption) {
  DesktopMessageBox(GTK_MESSAGE_INFO, text, caption);
}

}  // namespace

std::unique_ptr<TPlayerWindow> MakePlayerWindow(HWND controller) {
  TGlobals& globals = Globals();
  TPlayerWindowConfig config;
  config.Controller = controller;
  config.Options = globals.Options;
  config.Schedule = globals.Schedule;
  if (globals.Application) {
    config.SettingsFolder = globals.Application->SettingsFolder();
    config.FirstRun = globals.Application->FirstRun();
    config.StartNotice = RescueNotice(globals.Application->SeededLists().Rescued);
  }
  if (globals.Parameters) {
    TSwitch volume = globals.Parameters->Find(u"-volume");
    config.VolumeGiven = volume.Present;
    config.VolumeValue = volume.Value;
    config.MuteGiven = globals.Parameters->Find(u"-mute").Present;
  }
  config.PlayOnStart = globals.PlayOnStart.Requested;
  if (globals.Parameters && globals.RecordOnStart.Requested) {
    TCommandRecording& run = config.CommandRecording;
    run.Requested = true;
    TSwitch name = globals.Parameters->Find(u"-name"), duration = globals.Parameters->Find(u"-duration"),
            time = globals.Parameters->Find(u"-time");
    run.NameGiven = name.Present;
    run.Name = name.Value;
    run.DurationGiven = duration.Present;
    run.Duration = duration.Value;
    run.TimeGiven = time.Present;
    run.Time = time.Value;
    run.Action = globals.RecordOnStart.Action;
    run.Mute = config.MuteGiven;
  }
  config.OpensTargets = globals.OpensTargets;
  config.DesktopBus = true;
  config.Administrator = globals.AdministratorMode;
  if (!config.Options) return nullptr;
  auto window = std::make_unique<TPlayerWindow>(std::move(config));
  if (!Backend().IsOffscreen()) window->ShowInfoBox = GtkInfoBox;
  return window;
}

}  // namespace ui
