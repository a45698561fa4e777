// The unattended runs of the player window on the test's clocks: the daily
// schedule and the command-line run start the named favourite at their
// time, record from the moment it plays for their length, and end with
// their action; unknown names never record; the countdown decides the
// actions that reach the system, and a refusal only shows in the marquee.
#include "RecordingKit.h"
#include "app/FormatSettings.h"
#include "app/Schedule.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"

namespace {

using namespace core;
using namespace app;
using uitest::RecordingTest;

class RecordingRunsTest : public RecordingTest {
 protected:
  void SetUp() override {
    Kit.WriteFavourites({{u"Power FM", "http://127.0.0.1:1/power", 1}, {u"Test Radyo", "http://127.0.0.1:1/test", 2}});
    Schedule = std::make_unique<TSchedule>(Kit.SettingsFolder + u"schedule.ini");
    Kit.Config.Schedule = Schedule.get();
  }
  void Plan(const std::u16string& name, int64_t startsIn, const char16_t* duration, int action, bool mute = false) {
    Schedule->WriteEnabled(true);
    Schedule->WriteRadioName(name);
    Schedule->WriteStartTime(static_cast<TDateTime>(Clock.SecondOfDay(startsIn)) / ui::SecondsPerDay);
    TDateTime length = 0;
    ASSERT_TRUE(TryParseTime(duration, length));
    Schedule->WriteDuration(length);
    Schedule->WriteAction(action);
    Schedule->WriteMute(mute);
  }
  void CommandLine(const std::u16string& name, const std::u16string& duration, const std::string& action,
                   const std::u16string& time = u"") {
    auto& run = Kit.Config.CommandRecording;
    run.Requested = run.NameGiven = run.DurationGiven = true;
    run.Name = name;
    run.Duration = duration;
    run.Action = action;
    run.TimeGiven = !time.empty();
    run.Time = time;
  }
  // The station reaches the playing state.
  void Plays() {
    Kit.Controller.PlayState = 1;
    Kit.Event(1, 1);
  }
  ui::TRecordingRuns& Runs() { return Recording().Runs(); }
  // Counts the power requests and answers them.
  void AnswerPower(int countdown, bool done, const std::string& error = "") {
    Runs().Countdown = [this, countdown] {
      ++Countdowns;
      return countdown;
    };
    Runs().PowerAction = [this, done, error](platform::TPowerAction action) {
      Power.push_back(action);
      return platform::TPowerResult{done, error};
    };
  }

  std::unique_ptr<TSchedule> Schedule;
  int Countdowns = 0;
  std::vector<platform::TPowerAction> Power;
};

TEST_F(RecordingRunsTest, TheScheduleStartsOnItsSecondAndRecordsItsLengthFromThePlayingState) {
  Plan(u"Test Radyo", 3, u"00:00:10", saStop, true);
  auto& w = Open();
  EXPECT_TRUE(w.TimerRunning(ui::tmSchedule));
  EXPECT_TRUE(Runs().ScheduleArmed());
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
  Second(ui::tmSchedule);
  // 20:00: the favourite is chosen and plays, muted.
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 1);
  EXPECT_EQ(Kit.Controller.PlayedName, u"Test Radyo");
  EXPECT_EQ(Kit.Controller.PlayedUrl, u"http://127.0.0.1:1/test");
  EXPECT_EQ(w.CurrentName(), u"Test Radyo");
  EXPECT_EQ(w.FavouriteIdent(), 2);
  EXPECT_EQ(w.Favourites()->ActiveId(), 2);
  EXPECT_GE(Kit.Controller.Count(UM_SET_MUTE), 1);
  EXPECT_TRUE(Runs().SchedulePending());
  Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 1);

  // Connecting takes 4 s; the length counts from the playing state.
  Clock.Advance(4000);
  Plays();
  EXPECT_FALSE(Runs().SchedulePending());
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
  EXPECT_TRUE(w.RecordingPanel()->Visible());
  for (int s = 1; s < 10; ++s) Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 0);
  int stops = Kit.Controller.Count(UM_STOP);
  Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 1);
  EXPECT_TRUE(w.NoticePanel()->Visible());
  // Action 1: the radio stops too; the schedule stays armed for tomorrow.
  EXPECT_EQ(Kit.Controller.Count(UM_STOP), stops + 1);
  EXPECT_FALSE(w.WasPlaying());
  EXPECT_TRUE(Runs().ScheduleArmed());
  EXPECT_TRUE(w.TimerRunning(ui::tmSchedule));
  EXPECT_EQ(w.ScheduleButton()->TintColor(), 0xFF00F000u);
}

TEST_F(RecordingRunsTest, TheScheduleConfirmedInTheSecondItFiredDoesNotStartAgain) {
  Plan(u"Test Radyo", 1, u"00:00:10", saStop);
  Open();
  Second(ui::tmSchedule);
  ASSERT_EQ(Kit.Controller.Count(UM_PLAY), 1);
  Plays();
  ASSERT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
  // The dialog confirmed, unchanged, within the same second.
  Clock.Advance(300);
  Runs().ScheduleChanged();
  Clock.Advance(300);
  Timer(ui::tmSchedule);
  for (int s = 0; s < 3; ++s) Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 1);
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
  EXPECT_TRUE(Runs().ScheduleRecording());
}

TEST_F(RecordingRunsTest, AnUnknownOrEmptyStationNeverRecords) {
  Plan(u"Power", 1, u"00:00:05", saClose);  // only the beginning of a name
  auto& w = Open();
  for (int s = 0; s < 4; ++s) Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
  EXPECT_FALSE(Runs().SchedulePending());
  // Playing by hand meanwhile starts no recording.
  Plays();
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 0);
  for (int s = 0; s < 10; ++s) Second(ui::tmSchedule);
  EXPECT_FALSE(w.Closing());
  EXPECT_EQ(Kit.Controller.Closes, 0);
}

TEST_F(RecordingRunsTest, TheCommandLineRunStopsElevenSecondsAfterPlayingAndIsUsedOnce) {
  Plan(u"Power FM", 2, u"00:00:05", saContinue);  // not armed: the command line wins
  CommandLine(u"Test Radyo", u"00:00:10", "stop");
  auto& w = Open();
  EXPECT_EQ(w.ScheduleButton()->TintColor(), 0xFFFF00FFu);
  EXPECT_FALSE(w.TimerRunning(ui::tmSchedule));
  EXPECT_TRUE(w.TimerRunning(ui::tmCommandRecording));
  // No "-time": the first tick starts it.
  Second(ui::tmCommandRecording);
  EXPECT_EQ(Kit.Controller.PlayedName, u"Test Radyo");
  EXPECT_FALSE(Runs().CommandArmed());
  EXPECT_TRUE(Runs().RecordingPending());
  Clock.Advance(2500);
  Plays();
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
  for (int s = 1; s <= 10; ++s) Second(ui::tmCommandRecording);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 0);
  Second(ui::tmCommandRecording);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 1);
  EXPECT_FALSE(w.TimerRunning(ui::tmCommandRecording));
  EXPECT_EQ(w.ScheduleButton()->TintColor(), 0xFF00F000u);
  // Used up: the same time tomorrow plays nothing, playing again records
  // nothing.
  int plays = Kit.Controller.Count(UM_PLAY);
  Clock.Advance(ui::SecondsPerDay * 1000 - 12000);
  Timer(ui::tmCommandRecording);
  Plays();
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), plays);
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 1);
}

TEST_F(RecordingRunsTest, TheCommandLineWaitsForItsTimeAndTheScheduleDialogCancelsIt) {
  CommandLine(u"Test Radyo", u"00:01:00", "shutdown",
              FormatTime(static_cast<TDateTime>(Clock.SecondOfDay(5)) / ui::SecondsPerDay));
  auto& w = Open();
  for (int i = 0; i < 4; ++i) Second(ui::tmCommandRecording);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
  // Confirming an enabled schedule takes its place.
  Plan(u"Power FM", 3600, u"00:00:05", saContinue);
  w.RecordingPart().Runs().ScheduleChanged();
  EXPECT_FALSE(w.TimerRunning(ui::tmCommandRecording));
  EXPECT_TRUE(w.TimerRunning(ui::tmSchedule));
  EXPECT_EQ(w.ScheduleButton()->TintColor(), 0xFF00F000u);
  for (int i = 0; i < 4; ++i) Second(ui::tmCommandRecording);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY), 0);
}

TEST_F(RecordingRunsTest, PowerOffAfterTheCountdownUnlessCancelledAndARefusalOnlyShows) {
  Plan(u"Test Radyo", 1, u"00:00:02", saShutdown);
  auto& w = Open();
  AnswerPower(2, true);
  Second(ui::tmSchedule);
  Plays();
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  // Cancelled: the program runs on, the recording is kept, nothing asked.
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 1);
  EXPECT_EQ(Countdowns, 1);
  EXPECT_TRUE(Power.empty());
  EXPECT_FALSE(w.Closing());
  EXPECT_TRUE(w.NoticePanel()->Visible());

  // Set again in the dialog, it goes ahead: exactly one power-off.
  AnswerPower(1, true);
  Plan(u"Test Radyo", 1, u"00:00:02", saShutdown);
  Runs().ScheduleChanged();
  Second(ui::tmSchedule);
  Plays();
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  EXPECT_EQ(Countdowns, 2);
  ASSERT_EQ(Power.size(), 1u);
  EXPECT_EQ(Power[0], platform::TPowerAction::PowerOff);

  // Restart refused by the system: the marquee says why, nothing is lost.
  AnswerPower(1, false, "Access denied");
  Plan(u"Test Radyo", 1, u"00:00:02", saReboot);
  Runs().ScheduleChanged();
  Second(ui::tmSchedule);
  Plays();
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  Second(ui::tmSchedule);
  ASSERT_EQ(Power.size(), 2u);
  EXPECT_EQ(Power[1], platform::TPowerAction::Reboot);
  EXPECT_EQ(w.MarqueeText(), u"Bilgisayar yeniden başlatılamadı: Access denied");
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 3);
  EXPECT_FALSE(w.Closing());
}

TEST_F(RecordingRunsTest, APlayerErrorBeforePlayingEndsTheCommandLineRun) {
  CommandLine(u"Test Radyo", u"00:00:01", "LogOff");
  auto& w = Open();
  AnswerPower(1, true);
  Second(ui::tmCommandRecording);
  // The station fails before it plays: nothing records, the run is over.
  Kit.Event(PE_ERROR, 2);
  EXPECT_FALSE(Runs().RecordingPending());
  Plays();
  EXPECT_EQ(Kit.Controller.Count(UM_START_RECORDING), 0);
  EXPECT_FALSE(w.TimerRunning(ui::tmCommandRecording));
  EXPECT_TRUE(Power.empty());
  EXPECT_EQ(ui::CommandEndAction("LogOff"), ui::eaLogOff);
  EXPECT_EQ(ui::CommandEndAction("reboot"), ui::eaReboot);
  EXPECT_EQ(ui::CommandEndAction("halt"), ui::eaContinue);
}

TEST_F(RecordingRunsTest, ActionTwoClosesTheProgram) {
  Plan(u"Test Radyo", 1, u"00:00:01", saClose);
  auto& w = Open();
  Second(ui::tmSchedule);
  Plays();
  Second(ui::tmSchedule);
  EXPECT_EQ(Kit.Controller.Count(UM_STOP_RECORDING), 1);
  EXPECT_TRUE(testkit::PumpUntil([&] { return Kit.Controller.Closes == 1; }));
  EXPECT_TRUE(w.Closing());
}

}  // namespace
