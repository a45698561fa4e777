#include "ui/dialogs/ScheduleDialog.h"

#include <cstdio>
#include <exception>

#include "app/Schedule.h"
#include "lists/TurkishCase.h"

namespace ui {

namespace {

TDialogSlot gSlot;

constexpr int FirstActionString = 350;
constexpr int ActionCount = 6;

constexpr int SecondsPerDay = 86400;

int TimeOfDay(int seconds) { return (seconds % SecondsPerDay + SecondsPerDay) % SecondsPerDay; }

// The field holds seconds since midnight and shows them as "HH:mm:ss".
gboolean ShowTime(GtkSpinButton* spin, gpointer) {
  int seconds = TimeOfDay(gtk_spin_button_get_value_as_int(spin));
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  if (g_strcmp0(gtk_entry_get_text(GTK_ENTRY(spin)), text) != 0) gtk_entry_set_text(GTK_ENTRY(spin), text);
  return TRUE;
}

// Typed text: "h:m:s" or "h:m"; anything else keeps the value shown.
gint ReadTime(GtkSpinButton* spin, gdouble* value, gpointer) {
  app::TDateTime time = 0;
  if (!app::TryParseTime(U16(gtk_entry_get_text(GTK_ENTRY(spin))), time)) {
    *value = gtk_spin_button_get_value(spin);
    return TRUE;
  }
  int h = 0, m = 0, s = 0;
  app::DecodeTime(time, h, m, s);
  *value = h * 3600 + m * 60 + s;
  return TRUE;
}

// The arrows go round the clock by whole steps: one minute back from
// 00:00:00 is 23:59:00. GTK's own wrapping jumps to the range's end
// (23:59:59), which put every later step a second off.
void KeepTimeOfDay(GtkSpinButton* spin, gpointer) {
  int seconds = gtk_spin_button_get_value_as_int(spin);
  if (seconds != TimeOfDay(seconds)) gtk_spin_button_set_value(spin, TimeOfDay(seconds));
}

GtkWidget* Caption(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

}  // namespace

GtkWidget* NewTimeField(int id) {
  // Arrows step by minutes, Page Up and Down by hours; seconds are typed.
  // The range reaches an hour past either end of the day so that no step
  // is clamped before it is taken round the clock.
  GtkWidget* spin = gtk_spin_button_new_with_range(-3600, SecondsPerDay + 3599, 60);
  SetId(spin, id);
  gtk_spin_button_set_increments(GTK_SPIN_BUTTON(spin), 60, 3600);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(spin), 0);
  // Made numeric by the constructor, which would refuse the colons.
  gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(spin), FALSE);
  gtk_spin_button_set_update_policy(GTK_SPIN_BUTTON(spin), GTK_UPDATE_IF_VALID);
  gtk_entry_set_width_chars(GTK_ENTRY(spin), 8);
  gtk_entry_set_max_length(GTK_ENTRY(spin), 8);
  gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
  gtk_entry_set_alignment(GTK_ENTRY(spin), 0.5);
  g_signal_connect(spin, "output", G_CALLBACK(ShowTime), nullptr);
  g_signal_connect(spin, "input", G_CALLBACK(ReadTime), nullptr);
  g_signal_connect(spin, "value-changed", G_CALLBACK(KeepTimeOfDay), nullptr);
  ShowTime(GTK_SPIN_BUTTON(spin), nullptr);
  return spin;
}

void SetTimeField(GtkWidget* field, app::TDateTime value) {
  int h = 0, m = 0, s = 0;
  app::DecodeTime(value, h, m, s);
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(field), h * 3600 + m * 60 + s);
  ShowTime(GTK_SPIN_BUTTON(field), nullptr);
}

app::TDateTime GetTimeField(GtkWidget* field) {
  // Digits typed but not yet confirmed count as well.
  gtk_spin_button_update(GTK_SPIN_BUTTON(field));
  int seconds = TimeOfDay(gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(field)));
  return app::EncodeTime(seconds / 3600, seconds / 60 % 60, seconds % 60);
}

int ScheduleStationIndex(const std::vector<std::u16string>& names, const std::u16string& stored) {
  if (names.empty()) return -1;
  if (stored.empty()) return 0;
  // The station that records is the one of exactly that name: a longer
  // name that merely begins with it, listed first, would be written back
  // on OK and record another station.
  for (size_t i = 0; i < names.size(); ++i)
    if (names[i] == stored) return static_cast<int>(i);
  std::u16string prefix = qor::TurkishLowerCase(stored);
  for (size_t i = 0; i < names.size(); ++i)
    if (qor::TurkishLowerCase(names[i]).compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  return 0;
}

TScheduleDialog::TScheduleDialog(core::HWND parent, app::TSchedule& schedule,
                                 const std::vector<std::u16string>& favourites, std::function<void()> onChanged)
    : FSchedule(schedule), FOnChanged(std::move(onChanged)) {
  Create("Zamanlanmış Kayıt", GtkWindowOf(parent), 104, gSlot);
  GtkWidget* body = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);

  GtkWidget* enable = gtk_check_button_new_with_label("Zamanlanmış kaydı etkinleştir.");
  SetId(enable, 1000);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(enable), schedule.ReadEnabled());
  gtk_box_pack_start(GTK_BOX(body), enable, FALSE, FALSE, 0);

  GtkWidget* station = gtk_combo_box_text_new();
  SetId(station, 1001);
  for (const auto& name : favourites) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(station), U8(name).c_str());
  gtk_combo_box_set_active(GTK_COMBO_BOX(station), ScheduleStationIndex(favourites, schedule.ReadRadioName()));
  GtkWidget* stationLabel = Caption("Radyo Adı:");
  gtk_widget_set_margin_top(stationLabel, 6);
  gtk_box_pack_start(GTK_BOX(body), stationLabel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(body), station, FALSE, FALSE, 0);

  GtkWidget* times = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(times), 18);
  gtk_grid_set_row_spacing(GTK_GRID(times), 6);
  gtk_widget_set_margin_top(times, 6);
  GtkWidget* start = NewTimeField(1002);
  SetTimeField(start, schedule.ReadStartTime());
  GtkWidget* duration = NewTimeField(1004);
  SetTimeField(duration, schedule.ReadDuration());
  gtk_grid_attach(GTK_GRID(times), Caption("Başlangıç Saati:"), 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(times), Caption("Kayıt Süresi:"), 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(times), start, 0, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(times), duration, 1, 1, 1, 1);
  gtk_box_pack_start(GTK_BOX(body), times, FALSE, FALSE, 0);

  GtkWidget* mute = gtk_check_button_new_with_label("Kayıt sırasında sessiz konuma geç.");
  SetId(mute, 1005);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(mute), schedule.ReadMute());
  gtk_widget_set_margin_top(mute, 6);
  gtk_box_pack_start(GTK_BOX(body), mute, FALSE, FALSE, 0);

  GtkWidget* action = gtk_combo_box_text_new();
  SetId(action, 1003);
  for (int i = 0; i < ActionCount; ++i)
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(action), Str(FirstActionString + i).c_str());
  int stored = schedule.ReadAction();
  gtk_combo_box_set_active(GTK_COMBO_BOX(action), stored >= 0 && stored < ActionCount ? stored : 0);
  GtkWidget* actionLabel = Caption("Kayıt işlemi sona erdiğinde:");
  gtk_widget_set_margin_top(actionLabel, 6);
  gtk_box_pack_start(GTK_BOX(body), actionLabel, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(body), action, FALSE, FALSE, 0);

  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(Dialog()))),
                     NewGroup("Kayıt Özellikleri", body), TRUE, TRUE, 0);
  AddButton(Dialog(), "İptal", GTK_RESPONSE_CANCEL, IDCANCEL);
  GtkWidget* ok = AddButton(Dialog(), "Tamam", GTK_RESPONSE_OK, IDOK);
  gtk_dialog_set_default_response(GTK_DIALOG(Dialog()), GTK_RESPONSE_OK);
  gtk_widget_grab_default(ok);
}

int TScheduleDialog::Finish(int response) {
  if (response != GTK_RESPONSE_OK) return IDCANCEL;
  GtkWidget* d = Dialog();
  FSchedule.WriteEnabled(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindById(d, 1000))));
  // An empty favourites list selects nothing and leaves the name alone.
  if (gchar* name = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(FindById(d, 1001)))) {
    FSchedule.WriteRadioName(U16(name));
    g_free(name);
  }
  FSchedule.WriteAction(gtk_combo_box_get_active(GTK_COMBO_BOX(FindById(d, 1003))));
  FSchedule.WriteStartTime(GetTimeField(FindById(d, 1002)));
  FSchedule.WriteMute(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindById(d, 1005))));
  FSchedule.WriteDuration(GetTimeField(FindById(d, 1004)));
  // A daily recording set up for tonight must survive a crash or a lost
  // session before the program's normal end, which writes it again.
  try {
    FSchedule.UpdateFile();
  } catch (const std::exception&) {
  }
  FChanged = true;
  return IDOK;
}

void TScheduleDialog::Closed() {
  if (FChanged && FOnChanged) FOnChanged();
}

int ShowScheduleDialog(core::HWND parent, app::TSchedule& schedule, const std::vector<std::u16string>& favourites,
                       std::function<void()> onChanged) {
  if (!HaveDisplay()) return IDCANCEL;
  if (gSlot.ActivateIfOpen()) return 0;
  TScheduleDialog dialog(parent, schedule, favourites, std::move(onChanged));
  return dialog.Run();
}

}  // namespace ui
