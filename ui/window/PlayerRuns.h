// Recordings that run by themselves: the daily one of schedule.ini (timer
// 1013) and the one asked for on the command line (timer 1012, used once).
// At the start time the named favourite plays; the recording starts when
// the stream reaches the playing state and stops when its length is over
// on the boot clock (RunTiming.h); then the end action is carried out:
// keep playing, stop, close the program, or, after the countdown, switch
// the computer off, restart it or end the session through logind.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/PowerActions.h"
#include "ui/window/RunTiming.h"

namespace ui {

class TPlayerWindow;
class TPlayerRecording;

// "-record -name -duration [-time] [-action] [-mute]" as the window gets it.
struct TCommandRecording {
  bool Requested = false;  // "-record"
  bool NameGiven = false;
  std::u16string Name;
  bool DurationGiven = false;
  std::u16string Duration;
  bool TimeGiven = false;
  std::u16string Time;
  std::string Action;
  bool Mute = false;
};

// End actions, numbered as schedule.ini stores them.
enum TEndAction : int { eaContinue, eaStop, eaClose, eaPowerOff, eaReboot, eaLogOff };

// The command line's words: "stop", "close", "logoff", "shutdown",
// "reboot" (any letter case); anything else keeps the program as it is.
int CommandEndAction(const std::string& word);

class TRecordingRuns {
 public:
  TRecordingRuns(TPlayerWindow& window, TPlayerRecording& recording);

  // The end of the start-up sequence: a complete command-line request is
  // armed; otherwise an enabled schedule.
  void Arm();
  // Dialog 104 was confirmed.
  void ScheduleChanged();
  void ScheduleTick();
  void CommandTick();
  void PlayerPlaying();
  void PlayerError();

  bool SchedulePending() const { return FSchedulePending; }
  bool RecordingPending() const { return FRecordingPending; }
  bool CommandArmed() const { return FCommandStart.Armed(); }
  bool ScheduleArmed() const { return FScheduleStart.Armed(); }
  bool ScheduleRecording() const { return FScheduleEnd.Running(); }
  bool CommandRecording() const { return FCommandEnd.Running(); }
  // How many times logind was asked, and the last answer.
  int PowerRequests() const { return FPowerRequests; }

  // --- replaceable by tests ---
  // Dialog 105: 1 goes ahead, 2 cancelled.
  std::function<int()> Countdown;
  std::function<platform::TPowerResult(platform::TPowerAction)> PowerAction = &platform::RequestPowerAction;

 private:
  // Makes the favourite of that exact name the chosen one and plays it;
  // false (nothing done) when there is none.
  bool PlayFavourite(const std::u16string& name, bool mute);
  void ShowWindow();
  void EndAction(int action);
  bool Wait(int ms);
  void UpdateTimers();

  TPlayerWindow& FWindow;
  TPlayerRecording& FRecording;
  TCommandRecording FCommand;
  int64_t FCommandLengthMs = 0;
  TStartWatch FScheduleStart, FCommandStart;
  TEndWatch FScheduleEnd, FCommandEnd;
  bool FSchedulePending = false;
  bool FRecordingPending = false;
  int FPowerRequests = 0;
};

}  // namespace ui
