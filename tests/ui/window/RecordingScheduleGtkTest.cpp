// A schedule set a few seconds ahead in the scheduled-recording dialog, on
// a real display and the real clocks: the favourite plays at the start
// time, the recording starts when it plays and stops its length later,
// and the end action stops the radio.
#include <chrono>

#include "../dialogs/DialogTestKit.h"
#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "support/Encoding.h"
#include "ui/dialogs/ScheduleDialog.h"
#include "ui/window/PlayerRuns.h"
#include "ui/window/RunTiming.h"

namespace {

using RecordingScheduleGtkTest = testwidgets::GtkDisplayTest;
using namespace app;
using Clock = std::chrono::steady_clock;

TEST_F(RecordingScheduleGtkTest, AScheduleSetInTheDialogStartsAndStopsOnTime) {
  uitest::TPlayerWindowKit kit;
  kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=0\n");
  kit.WriteFavourites({{u"Power FM", "http://127.0.0.1:9/power", 1}, {u"Kral FM", "http://127.0.0.1:9/kral", 2}});
  TSchedule schedule(enc::Utf8ToUtf16((kit.Dir / "settings" / "schedule.ini").string()));
  kit.Config.Schedule = &schedule;
  ui::TPlayerWindow& window = kit.Open();

  // Three seconds from when the dialog shows (a loaded machine may take
  // seconds to show it), two seconds long, then the radio stops.
  int64_t startSecond = -1;
  testdialogs::WhenShown([] { return testdialogs::OpenToplevel(104); },
                         [&](GtkWidget* dialog) {
                           startSecond = (ui::ReadSystemClock().WallSeconds + 3) % ui::SecondsPerDay;
                           testdialogs::SetTicked(dialog, 1000, true);
                           testdialogs::Choose(dialog, 1001, 1);
                           ui::SetTimeField(testdialogs::Control(dialog, 1002),
                                            static_cast<TDateTime>(startSecond) / ui::SecondsPerDay);
                           ui::SetTimeField(testdialogs::Control(dialog, 1004), EncodeTime(0, 0, 2));
                           testdialogs::Choose(dialog, 1003, saStop);
                           testdialogs::Click(dialog, ui::IDOK);
                         });
  window.OpenScheduleDialog();
  ASSERT_GE(startSecond, 0) << "the dialog did not show";
  ASSERT_TRUE(schedule.ReadEnabled());
  EXPECT_EQ(schedule.ReadRadioName(), u"Kral FM");
  EXPECT_TRUE(window.TimerRunning(ui::tmSchedule));

  ASSERT_TRUE(testkit::PumpUntil([&] { return kit.Controller.Count(UM_PLAY) == 1; }, 15000));
  // Not before its second, and late only as far as a loaded machine's
  // timers are.
  const int64_t playedAt = ui::ReadSystemClock().WallSeconds;
  EXPECT_LE((playedAt - startSecond + ui::SecondsPerDay) % ui::SecondsPerDay, 8);
  EXPECT_EQ(kit.Controller.PlayedName, u"Kral FM");

  // Connecting takes a while; the two seconds count from the playing state.
  testkit::PumpFor(700);
  kit.Controller.PlayState = 1;
  const auto playing = Clock::now();
  kit.Event(1, 1);
  EXPECT_EQ(kit.Controller.Count(UM_START_RECORDING), 1);
  EXPECT_TRUE(window.RecordingPanel()->Visible());
  ASSERT_TRUE(testkit::PumpUntil([&] { return kit.Controller.Count(UM_STOP_RECORDING) == 1; }, 10000));
  const auto recorded = Clock::now() - playing;
  EXPECT_GE(recorded, std::chrono::milliseconds(2000));
  EXPECT_LT(recorded, std::chrono::milliseconds(9000));
  EXPECT_TRUE(testkit::PumpUntil([&] { return kit.Controller.Count(UM_STOP) >= 2; }, 5000));
  EXPECT_EQ(kit.Controller.Count(UM_PLAY), 1) << "once a day";
}

}  // namespace
