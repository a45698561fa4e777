// The player window's schedule button on a real display: it opens the
// scheduled-recording dialog over the favourites, and OK re-tints the
// button and re-arms the daily timer.
#include "../window/PlayerWindowKit.h"
#include "DialogTestKit.h"
#include "support/Encoding.h"
#include "ui/dialogs/DialogKit.h"

namespace testdialogs {
namespace {

using PlayerWindowDialogsTest = testwidgets::GtkDisplayTest;

TEST_F(PlayerWindowDialogsTest, TheScheduleButtonOpensTheDialogOnceAndOkTintsItAndArmsTheTimer) {
  uitest::TPlayerWindowKit kit;
  kit.WriteFavourites({{u"Power FM", "http://127.0.0.1:9/power", 1}, {u"Kral FM", "http://127.0.0.1:9/kral", 2}});
  app::TSchedule schedule(enc::Utf8ToUtf16((kit.Dir / "settings" / "schedule.ini").string()));
  schedule.WriteRadioName(u"kral");
  kit.Config.Schedule = &schedule;
  ui::TPlayerWindow& window = kit.Open(false);
  EXPECT_EQ(window.ScheduleButton()->TintColor(), 0u);
  EXPECT_FALSE(window.TimerRunning(ui::tmSchedule));

  int rows = -1, chosen = -1;
  bool single = false;
  WhenShown([] { return OpenToplevel(104); },
            [&](GtkWidget* dialog) {
              rows = Rows(dialog, 1001);
              chosen = Chosen(dialog, 1001);
              // The menu command while the dialog is open only brings it up.
              window.OpenScheduleDialog();
              single = OpenToplevel(104) == dialog;
              SetTicked(dialog, 1000, true);
              Click(dialog, ui::IDOK);
            });
  window.ScheduleButton()->OnClick(window.ScheduleButton(), 0, 0, 0);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(chosen, 1);
  EXPECT_TRUE(single);
  EXPECT_TRUE(schedule.ReadEnabled());
  EXPECT_EQ(schedule.ReadRadioName(), u"Kral FM");
  {
    // On disk at once, not only when the program ends.
    app::TSchedule saved(schedule.FileName());
    EXPECT_TRUE(saved.ReadEnabled());
    EXPECT_EQ(saved.ReadRadioName(), u"Kral FM");
  }
  EXPECT_EQ(window.ScheduleButton()->TintColor(), 0xFF00F000u);
  EXPECT_TRUE(window.TimerRunning(ui::tmSchedule));

  WhenShown([] { return OpenToplevel(104); },
            [&](GtkWidget* dialog) {
              SetTicked(dialog, 1000, false);
              Click(dialog, ui::IDOK);
            });
  window.OpenScheduleDialog();
  EXPECT_EQ(window.ScheduleButton()->TintColor(), 0u);
  EXPECT_FALSE(window.TimerRunning(ui::tmSchedule));
}

}  // namespace
}  // namespace testdialogs
