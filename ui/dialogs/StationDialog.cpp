#include "ui/dialogs/StationDialog.h"

#include "resources/strings/StringTable.h"

namespace ui {

namespace {

TDialogSlot gSlot;

GtkWidget* FieldLabel(const std::string& text, int id) {
  GtkWidget* label = gtk_label_new(text.c_str());
  SetId(label, id);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

GtkWidget* Field(int id, const std::u16string& text) {
  GtkWidget* entry = gtk_entry_new();
  SetId(entry, id);
  gtk_entry_set_text(GTK_ENTRY(entry), U8(text).c_str());
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 44);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  return entry;
}

}  // namespace

TStationForm AddByAddressForm() {
  TStationForm form;
  form.Title = res::LoadStr(346);
  form.AddressLabel = res::LoadStr(347);
  return form;
}

TStationForm AddVideoAddressForm() {
  TStationForm form;
  form.Title = res::LoadStr(348);
  form.AddressLabel = res::LoadStr(349);
  return form;
}

TStationDialog::TStationDialog(core::HWND parent, const TStationForm& form) {
  Create(U8(form.Title), GtkWindowOf(parent), 103, gSlot);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_box_pack_start(GTK_BOX(box), FieldLabel("İsim:", 1001), FALSE, FALSE, 0);
  GtkWidget* name = Field(1000, form.Name);
  gtk_box_pack_start(GTK_BOX(box), name, FALSE, FALSE, 0);
  GtkWidget* addressLabel = FieldLabel(U8(form.AddressLabel), 1003);
  gtk_widget_set_margin_top(addressLabel, 6);
  gtk_box_pack_start(GTK_BOX(box), addressLabel, FALSE, FALSE, 0);
  GtkWidget* address = Field(1002, form.Address);
  gtk_editable_set_editable(GTK_EDITABLE(address), !form.AddressReadOnly);
  if (form.AddressReadOnly) gtk_widget_set_can_focus(address, TRUE);
  gtk_box_pack_start(GTK_BOX(box), address, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(Dialog()))), box, TRUE, TRUE, 0);

  AddButton(Dialog(), "İptal", GTK_RESPONSE_CANCEL, IDCANCEL);
  GtkWidget* ok = AddButton(Dialog(), "Tamam", GTK_RESPONSE_OK, IDOK);
  gtk_dialog_set_default_response(GTK_DIALOG(Dialog()), GTK_RESPONSE_OK);
  gtk_widget_grab_default(ok);
  gtk_widget_grab_focus(name);
}

int TStationDialog::Finish(int response) {
  FAnswer.Result = response == GTK_RESPONSE_OK ? IDOK : IDCANCEL;
  FAnswer.Name = U16(gtk_entry_get_text(GTK_ENTRY(FindById(Dialog(), 1000))));
  FAnswer.Address = U16(gtk_entry_get_text(GTK_ENTRY(FindById(Dialog(), 1002))));
  return FAnswer.Result;
}

TStationAnswer EditStationDialog(core::HWND parent, const TStationForm& form) {
  if (!HaveDisplay()) return {IDCANCEL, form.Name, form.Address};
  if (gSlot.ActivateIfOpen()) return {};
  TStationDialog dialog(parent, form);
  dialog.Run();
  return dialog.Answer();
}

}  // namespace ui
