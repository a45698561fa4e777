// The dialogs of the player window: the hibernation notice, the station
// form, the scheduled recording and the shutdown countdown.
#include <vector>

#include "DialogTestKit.h"
#include "MainLoop.h"
#include "app/FormatSettings.h"
#include "support/Encoding.h"
#include "ui/dialogs/HibernationNotice.h"
#include "ui/dialogs/ScheduleDialog.h"
#include "ui/dialogs/ShutdownCountdown.h"
#include "ui/dialogs/StationDialog.h"

namespace testdialogs {
namespace {

using PlayerDialogsTest = DialogTest;

TEST_F(PlayerDialogsTest, HibernationNoticeStoresWhetherToShowItAgain) {
  {
    ui::THibernationNotice notice(*options_, 0);
    Shot(notice.Dialog(), "101-kis-uykusu");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(notice.Dialog())), "Kış Uykusu için uyarı");
    EXPECT_FALSE(Ticked(notice.Dialog(), 1000));
    SetTicked(notice.Dialog(), 1000, true);
    Click(notice.Dialog(), ui::IDOK);
  }
  EXPECT_FALSE(options_->ReadBool(app::obHiberAlert));
  EXPECT_NE(OptionsText().find("hiberalert=0"), std::string::npos);
  {
    // Closed by Escape or the window's close box, unticked: shown again.
    ui::THibernationNotice notice(*options_, 0);
    notice.Respond(GTK_RESPONSE_DELETE_EVENT);
  }
  EXPECT_TRUE(options_->ReadBool(app::obHiberAlert));
}

TEST_F(PlayerDialogsTest, StationFormsReturnTheTextsAsTypedAndGuardLinkedAddresses) {
  ui::TStationForm edit;
  edit.Name = u"Kral FM";
  edit.Address = u"http://127.0.0.1/kral";
  edit.AddressReadOnly = true;
  {
    ui::TStationDialog dialog(0, edit);
    Shot(dialog.Dialog(), "103-duzenle");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog.Dialog())), "Düzenle");
    EXPECT_EQ(Text(dialog.Dialog(), 1001), "İsim:");
    EXPECT_EQ(Text(dialog.Dialog(), 1003), "URL:");
    EXPECT_EQ(Text(dialog.Dialog(), 1000), "Kral FM");
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(Control(dialog.Dialog(), 1002))));
    EXPECT_EQ(Caption(dialog.Dialog(), ui::IDOK), "Tamam");
    EXPECT_EQ(Caption(dialog.Dialog(), ui::IDCANCEL), "İptal");
    SetText(dialog.Dialog(), 1000, " Kral Pop ");
    Click(dialog.Dialog(), ui::IDOK);
    EXPECT_EQ(dialog.Answer().Result, ui::IDOK);
    EXPECT_EQ(dialog.Answer().Name, u" Kral Pop ");
    EXPECT_EQ(dialog.Answer().Address, u"http://127.0.0.1/kral");
  }
  edit.AddressReadOnly = false;
  {
    ui::TStationDialog dialog(0, edit);
    EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(Control(dialog.Dialog(), 1002))));
    Click(dialog.Dialog(), ui::IDCANCEL);
    EXPECT_EQ(dialog.Answer().Result, ui::IDCANCEL);
  }
  {
    ui::TStationDialog dialog(0, ui::AddByAddressForm());
    Shot(dialog.Dialog(), "103-url-adresinden-ekle");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(dialog.Dialog())), "URL Adresinden Ekle");
    EXPECT_EQ(Text(dialog.Dialog(), 1003), "Radyo URL:");
    EXPECT_EQ(Text(dialog.Dialog(), 1000), "");
    EXPECT_EQ(Text(dialog.Dialog(), 1002), "");
    dialog.Respond(GTK_RESPONSE_DELETE_EVENT);  // Escape
    EXPECT_EQ(dialog.Answer().Result, ui::IDCANCEL);
  }
  ui::TStationDialog video(0, ui::AddVideoAddressForm());
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(video.Dialog())), "Youtube URL Ekle");
  EXPECT_EQ(Text(video.Dialog(), 1003), "Youtube URL:");
}

TEST(ScheduleStationTest, AStoredNameSelectsTheFirstFavouriteItBegins) {
  std::vector<std::u16string> names = {u"Power FM", u"Kral FM", u"Kral Pop", u"İstanbul Radyo"};
  EXPECT_EQ(ui::ScheduleStationIndex(names, u"kral"), 1);
  EXPECT_EQ(ui::ScheduleStationIndex(names, u"KRAL P"), 2);
  EXPECT_EQ(ui::ScheduleStationIndex(names, u"istanbul"), 3);  // Turkish dotted capital
  EXPECT_EQ(ui::ScheduleStationIndex(names, u"Kral FM 2"), 0);  // gone: the first favourite
  EXPECT_EQ(ui::ScheduleStationIndex(names, u""), 0);
  EXPECT_EQ(ui::ScheduleStationIndex({}, u"kral"), -1);
  // The favourite of exactly the stored name wins over a longer one that
  // begins with it and comes first.
  EXPECT_EQ(ui::ScheduleStationIndex({u"Radyo Bir", u"Radyo", u"radyo"}, u"Radyo"), 1);
  EXPECT_EQ(ui::ScheduleStationIndex({u"Radyo Bir", u"Radyo"}, u"radyo"), 0) << "not exact: the first it begins";
}

TEST_F(PlayerDialogsTest, ScheduleDialogWritesTheEntryOnOkAndCallsBack) {
  schedule_->WriteRadioName(u"kral p");
  schedule_->WriteAction(app::saShutdown);
  schedule_->WriteStartTime(app::EncodeTime(7, 30, 0));
  std::vector<std::u16string> favourites = {u"Power FM", u"Kral FM", u"Kral Pop"};
  int changed = 0;
  {
    ui::TScheduleDialog dialog(0, *schedule_, favourites, [&] { ++changed; });
    GtkWidget* d = dialog.Dialog();
    Shot(d, "104-zamanlanmis-kayit");
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(d)), "Zamanlanmış Kayıt");
    EXPECT_FALSE(Ticked(d, 1000));
    EXPECT_EQ(Chosen(d, 1001), 2);
    EXPECT_EQ(Chosen(d, 1003), 3);
    EXPECT_EQ(Rows(d, 1003), 6);
    EXPECT_EQ(Text(d, 1002), "07:30:00");
    EXPECT_EQ(Text(d, 1004), "00:00:00");
    // The arrows go round the clock by whole minutes and hours.
    GtkSpinButton* duration = GTK_SPIN_BUTTON(Control(d, 1004));
    gtk_spin_button_spin(duration, GTK_SPIN_STEP_BACKWARD, 0);
    EXPECT_EQ(Text(d, 1004), "23:59:00");
    gtk_spin_button_spin(duration, GTK_SPIN_STEP_BACKWARD, 0);
    EXPECT_EQ(Text(d, 1004), "23:58:00");
    gtk_spin_button_spin(duration, GTK_SPIN_PAGE_FORWARD, 0);
    EXPECT_EQ(Text(d, 1004), "00:58:00");
    gtk_spin_button_spin(duration, GTK_SPIN_STEP_FORWARD, 0);
    EXPECT_EQ(Text(d, 1004), "00:59:00");
    ui::SetTimeField(Control(d, 1004), app::EncodeTime(23, 59, 30));
    gtk_spin_button_spin(duration, GTK_SPIN_STEP_FORWARD, 0);
    EXPECT_EQ(Text(d, 1004), "00:00:30");
    SetTicked(d, 1000, true);
    Choose(d, 1001, 0);
    Choose(d, 1003, app::saLogoff);
    ui::SetTimeField(Control(d, 1002), app::EncodeTime(23, 59, 58));
    EXPECT_EQ(Text(d, 1002), "23:59:58");
    SetText(d, 1004, "1:2:3");  // typed, not yet confirmed
    SetTicked(d, 1005, true);
    EXPECT_EQ(changed, 0);
    Click(d, ui::IDOK);
    EXPECT_EQ(dialog.Result(), ui::IDOK);
  }
  EXPECT_EQ(changed, 1);
  schedule_->UpdateFile();
  app::TSchedule stored(enc::Utf8ToUtf16(SchedulePath()));
  EXPECT_TRUE(stored.ReadEnabled());
  EXPECT_EQ(stored.ReadRadioName(), u"Power FM");
  EXPECT_EQ(stored.ReadAction(), app::saLogoff);
  EXPECT_EQ(app::FormatTime(stored.ReadStartTime()), u"23:59:58");
  EXPECT_EQ(app::FormatTime(stored.ReadDuration()), u"01:02:03");
  EXPECT_TRUE(stored.ReadMute());
}

TEST_F(PlayerDialogsTest, ScheduleDialogCancelAndAnEmptyListLeaveTheNameAlone) {
  schedule_->WriteRadioName(u"Kral FM");
  {
    ui::TScheduleDialog dialog(0, *schedule_, {u"Power FM"}, [] { ADD_FAILURE() << "Cancel called back"; });
    SetTicked(dialog.Dialog(), 1000, true);
    Click(dialog.Dialog(), ui::IDCANCEL);
    EXPECT_EQ(dialog.Result(), ui::IDCANCEL);
  }
  EXPECT_FALSE(schedule_->ReadEnabled());
  EXPECT_EQ(schedule_->ReadRadioName(), u"Kral FM");
  {
    ui::TScheduleDialog dialog(0, *schedule_, {}, nullptr);
    EXPECT_EQ(Chosen(dialog.Dialog(), 1001), -1);
    SetTicked(dialog.Dialog(), 1000, true);
    Click(dialog.Dialog(), ui::IDOK);
  }
  EXPECT_TRUE(schedule_->ReadEnabled());
  EXPECT_EQ(schedule_->ReadRadioName(), u"Kral FM");
}

TEST_F(PlayerDialogsTest, ASecondScheduleRequestActivatesTheOpenDialog) {
  int second = -1;
  GtkWidget* first = nullptr;
  WhenShown(
      [] { return OpenToplevel(104); },
      [&](GtkWidget* dialog) {
        first = dialog;
        second = ui::ShowScheduleDialog(0, *schedule_, {u"Power FM"}, nullptr);
        Click(dialog, ui::IDOK);
      });
  int result = ui::ShowScheduleDialog(0, *schedule_, {u"Power FM"}, nullptr);
  EXPECT_EQ(result, ui::IDOK);
  EXPECT_EQ(second, 0);
  EXPECT_NE(first, nullptr);
}

TEST_F(PlayerDialogsTest, CountdownStartsAtSixtyAndProceedsAfterSixtyTicks) {
  ui::TShutdownCountdown countdown(0, 0);
  GtkWidget* d = countdown.Dialog();
  Shot(d, "105-qor-uyari");
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(d)), "QOR Uyarı");
  EXPECT_EQ(Text(d, 1002), "Kalan Süre: 60 sn.");
  for (int i = 0; i < 59; ++i) countdown.Tick();
  EXPECT_FALSE(countdown.Finished());
  EXPECT_EQ(Text(d, 1002), "Kalan Süre: 1 sn.");
  countdown.Tick();
  EXPECT_TRUE(countdown.Finished());
  EXPECT_EQ(countdown.Result(), 1);
}

TEST_F(PlayerDialogsTest, CountdownCancelledStopsAndItsOwnTimerProceeds) {
  {
    ui::TShutdownCountdown countdown(0, 0);
    for (int i = 0; i < 30; ++i) countdown.Tick();
    Click(countdown.Dialog(), ui::IDCANCEL);
    EXPECT_EQ(countdown.Result(), 2);
    countdown.Tick();
    EXPECT_EQ(countdown.Remaining(), 30);
  }
  {
    ui::TShutdownCountdown countdown(0, 0);
    countdown.Respond(GTK_RESPONSE_DELETE_EVENT);  // Escape: as İptal
    EXPECT_EQ(countdown.Result(), 2);
  }
  // The dialog's own timer, with its second shortened to 2 ms.
  EXPECT_EQ(ui::ShutdownCountdown(0, 2), 1);
}

}  // namespace
}  // namespace testdialogs

namespace testdialogs {
namespace {

TEST_F(PlayerDialogsTest, ClosingTheProgramAnswersOpenDialogsAsEscape) {
  int countdown = -1;
  WhenShown(
      [] { return OpenToplevel(104); },
      [&](GtkWidget* dialog) {
        SetTicked(dialog, 1000, true);
        // A countdown opened over it as well (as when the end action comes
        // while the dialog is open); both go.
              g_idle_add(
            [](gpointer) -> gboolean {
              ui::CloseOpenDialogs();
              return G_SOURCE_REMOVE;
            },
            nullptr);
        countdown = ui::ShutdownCountdown(0, 1000);
      });
  int result = ui::ShowScheduleDialog(0, *schedule_, {u"Power FM"}, [] { ADD_FAILURE() << "written"; });
  EXPECT_EQ(result, ui::IDCANCEL);
  EXPECT_EQ(countdown, 2);
  EXPECT_FALSE(schedule_->ReadEnabled());
}

}  // namespace
}  // namespace testdialogs
