#include "ui/window/PlayerRuns.h"

#include <glib.h>

#include "app/FormatSettings.h"
#include "app/Messages.h"
#include "app/Schedule.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/dialogs/ShutdownCountdown.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace app;

namespace {

constexpr uint32_t CommandArmedTint = 0xFFFF00FF;
constexpr int PauseBeforeEndMs = 500;
// "...: %s" with logind's reason, for the three actions that may be refused.
constexpr int IDS_POWEROFF_FAILED = 720, IDS_REBOOT_FAILED = 721, IDS_LOGOFF_FAILED = 722;

int64_t SecondOfDay(int64_t wallSeconds) {
  int64_t s = wallSeconds % SecondsPerDay;
  return s < 0 ? s + SecondsPerDay : s;
}

}  // namespace

int CommandEndAction(const std::string& word) {
  std::string lower = word;
  for (char& c : lower) c = g_ascii_tolower(c);
  if (lower == "stop") return eaStop;
  if (lower == "close") return eaClose;
  if (lower == "shutdown") return eaPowerOff;
  if (lower == "reboot") return eaReboot;
  if (lower == "logoff") return eaLogOff;
  return eaContinue;
}

TRecordingRuns::TRecordingRuns(TPlayerWindow& window, TPlayerRecording& recording)
    : FWindow(window), FRecording(recording) {
  Countdown = [this] { return ShutdownCountdown(FWindow.WindowHandle()); };
}

void TRecordingRuns::Arm() {
  FCommand = FWindow.FConfig.CommandRecording;
  const TClockReading now = FRecording.Clock.Read();
  TDateTime length = 0;
  // A length that cannot be read never starts: the run could not end.
  if (FCommand.Requested && FCommand.NameGiven && FCommand.DurationGiven && TryParseTime(FCommand.Duration, length)) {
    // One second more than asked, so that the last second is whole.
    FCommandLengthMs = DaySeconds(length) * 1000 + 1000;
    TDateTime at = 0;
    int64_t second = SecondOfDay(now.WallSeconds);
    if (FCommand.TimeGiven && TryParseTime(FCommand.Time, at)) second = DaySeconds(at) % SecondsPerDay;
    FCommandStart.Arm(second, now);
  } else if (FWindow.FConfig.Schedule && FWindow.FConfig.Schedule->ReadEnabled()) {
    FScheduleStart.Arm(DaySeconds(FWindow.FConfig.Schedule->ReadStartTime()) % SecondsPerDay, now);
  }
  UpdateTimers();
}

void TRecordingRuns::ScheduleChanged() {
  TSchedule* schedule = FWindow.FConfig.Schedule;
  if (schedule && schedule->ReadEnabled()) {
    // The schedule takes the place of a command-line run still waiting
    // to start; one that records already runs to its end.
    FCommandStart.Disarm();
    FRecordingPending = false;
    FScheduleStart.Arm(DaySeconds(schedule->ReadStartTime()) % SecondsPerDay, FRecording.Clock.Read());
  } else {
    FScheduleStart.Disarm();
  }
  UpdateTimers();
}

void TRecordingRuns::UpdateTimers() {
  const bool commandActive = FCommandStart.Armed() || FRecordingPending || FCommandEnd.Running();
  // A run that records keeps its timer, whatever happened to its start,
  // so that it always ends.
  if (FWindow.FScheduleTimer) FWindow.FScheduleTimer->SetEnabled(FScheduleStart.Armed() || FScheduleEnd.Running());
  if (FWindow.FCommandRecordingTimer) FWindow.FCommandRecordingTimer->SetEnabled(commandActive);
  FWindow.TintScheduleButton();
  if (commandActive && FWindow.FScheduleButton) FWindow.FScheduleButton->SetTint(CommandArmedTint);
}

bool TRecordingRuns::PlayFavourite(const std::u16string& name, bool mute) {
  TFavouritesBox* box = FWindow.FFavourites;
  if (name.empty() || !box || box->Count() == 0) return false;
  int index = -1;
  for (int i = 0; i < box->Count() && index < 0; ++i)
    if (box->Item(i)->Name == name) index = i;
  if (index < 0) return false;
  auto* item = box->Item(index);
  FWindow.FFavouriteIdent = item->Id;
  box->SetActiveId(item->Id);
  box->SelectAndShowPage(index);
  FWindow.FCurrentName = item->Name;
  FWindow.FCurrentUrl = enc::Utf8ToUtf16(item->Url);
  FWindow.FWasPlaying = false;
  std::shared_ptr<bool> alive = FWindow.FAlive;
  FWindow.Send(UM_STOP);
  if (!*alive) return false;
  if (mute) FWindow.Send(UM_SET_MUTE, 1);
  FWindow.Send(UM_PLAY, reinterpret_cast<core::WPARAM>(FWindow.FCurrentName.c_str()),
               reinterpret_cast<core::LPARAM>(FWindow.FCurrentUrl.c_str()));
  FWindow.RepaintLists();
  return true;
}

void TRecordingRuns::ScheduleTick() {
  TSchedule* schedule = FWindow.FConfig.Schedule;
  if (!schedule) return;
  const TClockReading now = FRecording.Clock.Read();
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (FScheduleStart.Check(now)) {
    FSchedulePending = true;
    if (!PlayFavourite(schedule->ReadRadioName(), schedule->ReadMute())) FSchedulePending = false;
    if (!*alive) return;
  }
  if (FScheduleEnd.Check(now)) {
    FRecording.StopKeep();
    if (!*alive) return;
    EndAction(schedule->ReadAction());
    if (!*alive) return;
  }
  UpdateTimers();
}

void TRecordingRuns::CommandTick() {
  const TClockReading now = FRecording.Clock.Read();
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (FCommandStart.Check(now)) {
    // Used once, whether or not the station is there.
    FCommandStart.Disarm();
    FRecordingPending = true;
    if (!PlayFavourite(FCommand.Name, FCommand.Mute)) FRecordingPending = false;
    if (!*alive) return;
  }
  if (FCommandEnd.Check(now)) {
    FRecording.StopKeep();
    if (!*alive) return;
    EndAction(CommandEndAction(FCommand.Action));
    if (!*alive) return;
  }
  UpdateTimers();
}

void TRecordingRuns::ShowWindow() {
  if (FWindow.Hibernating()) FWindow.ToggleHibernate(false);
  if (!FWindow.Visible()) FWindow.SetVisible(true);
  FWindow.SetOpacity(255);
  FWindow.InvalidateTree();
}

void TRecordingRuns::PlayerPlaying() {
  TSchedule* schedule = FWindow.FConfig.Schedule;
  const TClockReading now = FRecording.Clock.Read();
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (FSchedulePending && schedule && schedule->ReadEnabled()) {
    FSchedulePending = false;
    FScheduleEnd.Start(DaySeconds(schedule->ReadDuration()) * 1000, now);
    UpdateTimers();
    ShowWindow();
    FRecording.Start();
    if (!*alive) return;
  }
  if (FRecordingPending) {
    FRecordingPending = false;
    FCommandEnd.Start(FCommandLengthMs, now);
    UpdateTimers();
    ShowWindow();
    FRecording.Start();
    if (!*alive) return;
  }
  UpdateTimers();
}

void TRecordingRuns::PlayerError() {
  FSchedulePending = false;
  FRecordingPending = false;
  UpdateTimers();
}

bool TRecordingRuns::Wait(int ms) {
  for (int waited = 0; waited < ms; waited += 50)
    if (!FWindow.Pump(50)) return false;
  return true;
}

void TRecordingRuns::EndAction(int action) {
  if (action <= eaContinue || action > eaLogOff) return;
  std::shared_ptr<bool> alive = FWindow.FAlive;
  FWindow.FWasPlaying = false;
  FWindow.Send(UM_STOP);
  if (!*alive || action == eaStop) return;
  if (!Wait(PauseBeforeEndMs)) return;
  if (action == eaClose) {
    core::PostMessage(FWindow.WindowHandle(), core::WM_CLOSE);
    return;
  }
  const int answer = Countdown ? Countdown() : 2;
  if (!*alive || answer != 1) return;
  platform::TPowerAction kind = action == eaPowerOff ? platform::TPowerAction::PowerOff
                                : action == eaReboot ? platform::TPowerAction::Reboot
                                                     : platform::TPowerAction::LogOff;
  ++FPowerRequests;
  platform::TPowerResult result = PowerAction ? PowerAction(kind) : platform::TPowerResult{};
  if (!*alive || result.Done) return;
  // The recording is closed and kept already; the user only learns why
  // the computer stays on.
  int id = action == eaPowerOff ? IDS_POWEROFF_FAILED : action == eaReboot ? IDS_REBOOT_FAILED : IDS_LOGOFF_FAILED;
  std::u16string text = res::LoadStr(id);
  auto at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, enc::Utf8ToUtf16(result.Error));
  FWindow.SetMarquee(text, true);
}

}  // namespace ui
