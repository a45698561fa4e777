#include "ui/dialogs/HibernationNotice.h"

#include "app/Options.h"

namespace ui {

namespace {

TDialogSlot gSlot;

GtkWidget* WrappedLabel(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 52);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

}  // namespace

THibernationNotice::THibernationNotice(app::TOptions& options, core::HWND parent) : FOptions(options) {
  Create("Kış Uykusu için uyarı", GtkWindowOf(parent), 101, gSlot);
  GtkWidget* body = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_box_pack_start(GTK_BOX(body),
                     WrappedLabel("Kış uykusu moduna geçtiniz. Pencereniz saydam bir görünüm halini alarak fare ile "
                                  "ilgili tüm olaylara geçirgen davranacaktır. Pencerenizi eski haline getirmek için "
                                  "şu adımları izleyin:"),
                     FALSE, FALSE, 0);
  GtkWidget* steps = gtk_box_new(GTK_ORIENTATION_VERTICAL, 3);
  gtk_widget_set_margin_start(steps, 12);
  gtk_box_pack_start(GTK_BOX(steps), WrappedLabel("1. Farenizi, kış uykusunda bulunan pencerenin üzerine getirin."),
                     FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(steps), WrappedLabel("2. Klavyeden CTRL tuşuna kısa bir süre basın."), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(body), steps, FALSE, FALSE, 0);

  GtkWidget* icon = gtk_image_new_from_icon_name("dialog-information", GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_valign(icon, GTK_ALIGN_START);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), NewGroup("Kış Uykusu", body), TRUE, TRUE, 0);

  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(Dialog()));
  gtk_box_pack_start(GTK_BOX(content), row, TRUE, TRUE, 0);
  GtkWidget* never = gtk_check_button_new_with_label("Bu iletiyi bir daha gösterme");
  SetId(never, 1000);
  gtk_widget_set_halign(never, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(content), never, FALSE, FALSE, 0);

  GtkWidget* ok = AddButton(Dialog(), "_Tamam", GTK_RESPONSE_OK, IDOK);
  gtk_button_set_use_underline(GTK_BUTTON(ok), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(Dialog()), GTK_RESPONSE_OK);
  gtk_widget_grab_default(ok);
  gtk_widget_grab_focus(ok);
}

GtkWidget* THibernationNotice::OpenNotice() { return gSlot.Open(); }

int THibernationNotice::Finish(int) {
  bool never = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindById(Dialog(), 1000)));
  FOptions.WriteBool(app::obHiberAlert, !never);
  return IDOK;
}

void ShowHibernationNotice(app::TOptions& options, core::HWND parent) {
  if (!HaveDisplay() || gSlot.ActivateIfOpen()) return;
  THibernationNotice notice(options, parent);
  notice.Run();
}

}  // namespace ui
