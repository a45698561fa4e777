#include "ui/dialogs/ShutdownCountdown.h"

#include <gdk/gdkkeysyms.h>

#include <cstdio>


namespace ui {

namespace {

TDialogSlot gSlot;
constexpr int CountdownText = 356;

}  // namespace

TShutdownCountdown::TShutdownCountdown(core::HWND parent, unsigned tickMs) {
  Create("QOR Uyarı", GtkWindowOf(parent), 105, gSlot);
  GtkWindow* window = GTK_WINDOW(Dialog());
  gtk_window_set_keep_above(window, TRUE);
  gtk_window_set_deletable(window, FALSE);
  gtk_window_set_urgency_hint(window, TRUE);

  GdkPixbuf* picture = LoadResourcePixbuf(QOR_SKIN_RESOURCE_BASE "/icons/101-32.png");
  GtkWidget* icon = picture ? gtk_image_new_from_pixbuf(picture) : gtk_image_new();
  if (picture) g_object_unref(picture);
  SetId(icon, 1000);
  gtk_widget_set_size_request(icon, 32, 32);
  gtk_widget_set_valign(icon, GTK_ALIGN_START);

  GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  GtkWidget* message = gtk_label_new(
      "Kayıt işlemi tamamlandı ve bilgisayarınız kapatılacak.\n\n"
      "İşlemi durdurmak için \"İptal\" düğmesine basınız.");
  SetId(message, 1001);
  gtk_label_set_xalign(GTK_LABEL(message), 0);
  gtk_label_set_line_wrap(GTK_LABEL(message), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(message), 48);
  FText = gtk_label_new(nullptr);
  SetId(FText, 1002);
  gtk_label_set_xalign(GTK_LABEL(FText), 0);
  gtk_box_pack_start(GTK_BOX(texts), message, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(texts), FText, FALSE, FALSE, 0);

  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), texts, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(Dialog()))), row, TRUE, TRUE, 0);

  GtkWidget* cancel = AddButton(Dialog(), "İptal", GTK_RESPONSE_CANCEL, IDCANCEL);
  gtk_widget_grab_focus(cancel);
  GtkWidget* actions = gtk_widget_get_parent(cancel);
  if (GTK_IS_BUTTON_BOX(actions)) gtk_button_box_set_layout(GTK_BUTTON_BOX(actions), GTK_BUTTONBOX_CENTER);
  g_signal_connect(Dialog(), "key-press-event", G_CALLBACK(KeyPressed), this);

  ShowRemaining();
  gdk_display_beep(gdk_display_get_default());
  if (tickMs) FTimer = g_timeout_add(tickMs, TimerFired, this);
}

TShutdownCountdown::~TShutdownCountdown() { StopTimer(); }

void TShutdownCountdown::ShowRemaining() {
  std::string format = Str(CountdownText);
  char text[64];
  std::snprintf(text, sizeof text, format.c_str(), FRemaining);
  gtk_label_set_text(GTK_LABEL(FText), text);
}

void TShutdownCountdown::StopTimer() {
  if (FTimer) g_source_remove(FTimer);
  FTimer = 0;
}

void TShutdownCountdown::Tick() {
  if (Finished()) return;
  --FRemaining;
  ShowRemaining();
  if (FRemaining <= 0) Respond(GTK_RESPONSE_OK);
}

gboolean TShutdownCountdown::TimerFired(gpointer data) {
  auto* self = static_cast<TShutdownCountdown*>(data);
  // The source ends by its answer here, not by StopTimer from inside it.
  guint id = self->FTimer;
  self->FTimer = 0;
  self->Tick();
  if (self->Finished()) return G_SOURCE_REMOVE;
  self->FTimer = id;
  return G_SOURCE_CONTINUE;
}

// Enter goes ahead at once, whatever has the focus.
gboolean TShutdownCountdown::KeyPressed(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return FALSE;
  static_cast<TShutdownCountdown*>(data)->Respond(GTK_RESPONSE_OK);
  return TRUE;
}

int TShutdownCountdown::Finish(int response) {
  StopTimer();
  return response == GTK_RESPONSE_OK ? 1 : 2;
}

int ShutdownCountdown(core::HWND parent, unsigned tickMs) {
  // Without a display nobody could cancel: the action does not go ahead.
  if (!HaveDisplay() || gSlot.ActivateIfOpen()) return 2;
  TShutdownCountdown countdown(parent, tickMs);
  return countdown.Run();
}

}  // namespace ui
