// The life of the player window: the start-up sequence, the periodic
// ticks, volume, keys and wheel, options changed, and closing in its fixed
// order with the options and the favourites saved.
#include <glib.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>

#include "app/Messages.h"
#include "audio/Audio.h"
#include "app/Globals.h"
#include "app/Options.h"
#include "app/Schedule.h"
#include "browser/Pages.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/listbox/ListBoxInput.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerTexts.h"
#include "ui/window/PlayerSession.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/DropFiles.h"
#include "widgets/controls/Screen.h"
#include "widgets/menus/Menu.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

constexpr DWORD IdleBeforeTrimMs = 10000;

}  // namespace

bool TPlayerWindow::FadeTo(int target) {
  // Steps of 4 every 2 ms, each shown at once.
  int opacity = Opacity();
  while (!FClosed && (target > opacity ? opacity < 252 : opacity > 4)) {
    opacity += target > opacity ? 4 : -4;
    SetOpacity(static_cast<std::uint8_t>(std::clamp(opacity, 0, 255)));
    if (!Pump(2)) return false;
  }
  SetOpacity(static_cast<std::uint8_t>(target > 128 ? 255 : 0));
  InvalidateTree();
  return true;
}

void TPlayerWindow::StartupSequence() {
  FStartupTimer->SetEnabled(false);
  // 1. Dropped files, and a place inside the work area.
  DragAcceptFiles(WindowHandle(), true);
  TPoint at = PlaceInWorkArea({Left(), Top()}, Width(), Height(), TScreen().WorkArea());
  SetBounds(at.X, at.Y, Width(), Height());
  // 2. - 3.
  if (FConfig.VolumeGiven) {
    char* end = nullptr;
    std::string text = enc::Utf16ToUtf8(FConfig.VolumeValue);
    long value = std::strtol(text.c_str(), &end, 10);
    SetVolume(end != text.c_str() ? static_cast<int>(value) : FVolume);
  } else {
    SetVolume(FVolume);
  }
  if (FConfig.MuteGiven || FMute) Send(UM_SET_MUTE, 1);
  // 4.
  if (!FAutoHide) {
    SetVisible(true);
    if (!FadeTo(255)) return;
  }
  // 5.
  if (FPlaylistVisible) {
    if (!SlideListPanel(true)) return;
    if (FOptions.ReadBool(obShowBanner) && !OpenBannerBand()) return;
  }
  // 6.
  FTickTimer->SetEnabled(true);
  // 7. With a play request from the command line, as with autoplay, the
  // last chosen favourite plays; not when the command line opened something,
  // which the favourite would replace (or, already playing, stop).
  if ((FAutoPlay || FConfig.PlayOnStart) && !FConfig.OpensTargets) StopPlayback();
  // 8. Asleep from the start, if so wished, without the notice.
  if (FHibernate != Hibernating()) ToggleHibernate(false);
  // 9. A first run writes its settings at once.
  if (FConfig.FirstRun) {
    SaveOptions();
    SaveFavourites();
    ShowBrowserPage(browser::UM_BROWSER_HOME);
  }
  // 10.
  FRecording->Runs().Arm();
}

namespace {
constexpr UINT ParkedTickMs = 0xFFFFFFFFu;
}  // namespace

void TPlayerWindow::Tick() {
  FTickTimer->SetEnabled(false);
  if (OnScreen()) {
    if (FVisualization->Visible()) {
      // The controller fills the block only while a stream plays; only
      // the bins the bars read are cleared, computed and handed over.
      const std::size_t first = TVisualization::FirstBin, bins = FVisualization->BinsShown();
      std::fill(FSpectrum.begin() + static_cast<std::ptrdiff_t>(first),
                FSpectrum.begin() + static_cast<std::ptrdiff_t>(bins), 0.0f);
      const audio::DWORD request =
          audio::DATA_FFT256 | audio::DataFftBins(static_cast<audio::DWORD>(first), static_cast<audio::DWORD>(bins - first));
      Send(UM_GET_SPECTRUM, request, reinterpret_cast<LPARAM>(FSpectrum.data()));
      FVisualization->SetSpectrum(FSpectrum.data(), bins);
    }
    if (FThrobber->Visible()) FThrobber->Advance();
    FMarquee->Tick();
    if (FBanner->Visible()) FBanner->Tick();
    HibernateTick();
    FRecording->AnimationTick();
    // The volume thumb repaints by itself while it is dragged.
    if (!FThumbDragging) InvalidateTree();
  }
  // Hidden or iconified, nothing is drawn and nothing is there to look at:
  // the tick stays armed but waits as long as a timer can, and showing the
  // window brings the frame rate back at once (RunFrames), so that a
  // window left in the tray does not wake the program for its tick.
  if (OnScreen()) FTickTimer->SetInterval(TickIntervalMs);
  else FTickTimer->SetInterval(ParkedTickMs);
  FTickTimer->SetEnabled(true);
}

void TPlayerWindow::VolumeSlider(bool open) {
  (open ? FVolumeShowTimer : FVolumeHideTimer)->SetEnabled(false);
  if (open == FVolumeControl->Expanded()) return;
  // The open bar covers the whole info area. A faded marquee left on top
  // of it reads as text smeared over the track, so the info area steps
  // aside (and lets the pointer through to the bar) until the bar closes.
  FInfoArea->SetEnabled(!open);
  FInfoArea->SetVisible(!open);
  if (open) {
    FVolumeControl->Expand();
    HideVolumeLabel();
  } else {
    FVolumeControl->Collapse();
  }
  InvalidateTree();
}

void TPlayerWindow::TrimMemory() {
  if (GetTickCount() - GetLastInputTime() <= IdleBeforeTrimMs) return;
  malloc_trim(0);
  ProcessMessages();
}

void TPlayerWindow::SetVolume(int value) {
  FVolume = std::clamp(value, 0, 100);
  Send(UM_SET_VOLUME, static_cast<WPARAM>(FVolume));
  if (FVolumeThumb) FVolumeThumb->SetLeft(FVolume + 25);
  if (FVolumeControl) FVolumeControl->SetVolume(FVolume);
}

void TPlayerWindow::VolumeStepBy(int direction) {
  SetVolume(ui::VolumeStep(FVolume, direction));
  ShowVolumeLabel();
}

void TPlayerWindow::ShowVolumeLabel() {
  // The open slider shows the value itself.
  if (FVolumeControl->Expanded()) return;
  FVolumeLabel->SetCaption(VolumeText(FVolume));
  FVolumeLabel->SetVisible(true);
  FMarquee->SetVisible(false);
  FVolumeLabelTimer->SetEnabled(false);
  FVolumeLabelTimer->SetEnabled(true);
  InvalidateTree();
}

void TPlayerWindow::HideVolumeLabel() {
  FVolumeLabelTimer->SetEnabled(false);
  FVolumeLabel->SetVisible(false);
  FMarquee->SetVisible(true);
  InvalidateTree();
}

void TPlayerWindow::Wheel(int delta) {
  if (delta == 0) return;
  if (ListPanelVisible()) {
    TPoint cursor = GetCursorPos();
    TRect panel;
    GetWindowRect(FListPanel->WindowHandle(), panel);
    if (panel.Contains(cursor.X, cursor.Y)) {
      ScrollListBoxByWheel(*ShownList(), delta);
      RepaintLists();
      return;
    }
  }
  VolumeStepBy(delta > 0 ? 1 : -1);
}

bool TPlayerWindow::HandleWindowKey(std::uint16_t key, TShiftState shift) {
  if ((shift & ssCtrl) && key == 'P') {
    if (!IsPlaying()) StopPlayback();
    return true;
  }
  if ((shift & ssCtrl) && key == 'S') {
    if (IsPlaying()) StopPlayback();
    return true;
  }
  if (key == VK_LEFT || key == VK_RIGHT) {
    VolumeStepBy(key == VK_RIGHT ? 1 : -1);
    return true;
  }
  if (key == VK_TAB) {
    if (!ListPanelVisible()) return false;
    FocusSearch();
    return true;
  }
  if (HandleCommandKey(key, shift)) return true;
  return HandleListKey(key, shift);
}

void TPlayerWindow::ToggleVisible() {
  bool show = !Visible();
  SetVisible(show);
  if (show) {
    SetOpacity(255);
    SetForegroundWindow(WindowHandle());
    InvalidateTree();
  }
}

void TPlayerWindow::OptionsChanged() {
  ReadOptionCopies();
  Send(UM_SET_BUFFER, 0, FBuffer);
  Send(UM_SET_TIMEOUT, 0, FTimeout);
  Send(UM_SET_ATTEMPTS, 0, FAttempt);
}

void TPlayerWindow::SaveOptions() {
  try {
    FOptions.WriteBool(obFirstRun, false);
    FOptions.WriteInt(oiVolume, FVolume);
    FOptions.WriteInt(oiPlayIdent, FFavouriteIdent);
    FOptions.WriteInt(oiDataIdent, FDatabaseIdent);
    FOptions.WriteInt(oiLeft, Left());
    FOptions.WriteInt(oiTop, Top());
    if (!PortableBuild) FOptions.WriteBool(obStartup, FStartup);
    FOptions.WriteBool(obAutoPlay, FAutoPlay);
    FOptions.WriteBool(obAutoHide, FAutoHide);
    FOptions.WriteBool(obAlwaysTop, FAlwaysTop);
    FOptions.WriteBool(obHibernate, FHibernate);
    FOptions.WriteBool(obMediaKeys, FMediaKeys);
    FOptions.WriteBool(obSnapToGrid, FSnapToGrid);
    FOptions.WriteBool(obMessenger, FMessenger);
    FOptions.WriteBool(obPlaylistVisible, FPlaylistVisible);
    FOptions.WriteInt(oiShowTime, FShowTime);
    FOptions.WriteInt(oiHideTime, FHideTime);
    FOptions.WriteBool(obMute, FMute);
    FOptions.WriteInt(oiHowMany, FRowCount);
    FOptions.WriteBool(obPlayNext, FPlayNext);
    FOptions.WriteInt(oiBuffer, FBuffer);
    FOptions.WriteInt(oiTimeout, FTimeout);
    FOptions.WriteInt(oiAttempt, FAttempt);
  } catch (const std::exception&) {
    // A settings folder that cannot be written loses this run's changes
    // only; the program still closes.
  }
  std::error_code ignored;
  std::filesystem::create_directories(enc::WideToFileName(FConfig.SettingsFolder), ignored);
  try {
    FOptions.UpdateFile();
    if (FConfig.Schedule) FConfig.Schedule->UpdateFile();
  } catch (const std::exception&) {
  }
}

void TPlayerWindow::EndSession() {
  SaveOptions();
  SaveFavourites();
}

void TPlayerWindow::CloseWindow() {
  if (FClosing) return;
  FClosing = true;
  CloseBrowser();
  if (!FadeTo(0)) return;
  FClosed = true;
  SetVisible(false);
  FSession.reset();
  for (auto* timer : {&FStartupTimer, &FTrimTimer, &FTickTimer, &FVolumeLabelTimer, &FRecordingTimer,
                      &FVolumeShowTimer, &FVolumeHideTimer, &FCommandRecordingTimer, &FScheduleTimer})
    timer->reset();
  Send(UM_REGISTER_CLIENT, 0, 0);
  SaveOptions();
  SaveFavourites();
  DragAcceptFiles(WindowHandle(), false);
  // The controller ends the program.
  PostMessage(FConfig.Controller, WM_CLOSE);
}

}  // namespace ui
