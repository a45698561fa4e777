#include "ui/dialogs/DialogKit.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/Resources.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "widgets/backend/Backend.h"
#include "widgets/controls/Control.h"

namespace ui {

void SetId(GtkWidget* widget, int id) {
  char name[16];
  std::snprintf(name, sizeof name, "%d", id);
  gtk_widget_set_name(widget, name);
}

namespace {

GtkWidget* FindByName(GtkWidget* root, const char* name) {
  if (!root) return nullptr;
  if (std::strcmp(gtk_widget_get_name(root), name) == 0) return root;
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget* found = nullptr;
  // gtk_container_forall also reaches internal children (a dialog's
  // action area) that gtk_container_foreach skips.
  struct TSearch {
    const char* Name;
    GtkWidget** Found;
  } search{name, &found};
  gtk_container_forall(
      GTK_CONTAINER(root),
      [](GtkWidget* child, gpointer data) {
        auto* s = static_cast<TSearch*>(data);
        if (!*s->Found) *s->Found = FindByName(child, s->Name);
      },
      &search);
  return found;
}

}  // namespace

GtkWidget* FindById(GtkWidget* root, int id) {
  char name[16];
  std::snprintf(name, sizeof name, "%d", id);
  return FindByName(root, name);
}

GtkWindow* GtkWindowOf(core::HWND window) {
  if (!window || widgets::Backend().IsOffscreen()) return nullptr;
  widgets::TControl* control = widgets::TControl::FromHandle(window);
  if (control) control = control->TopLevel();
  if (!control || !control->NativeWindow()) return nullptr;
  void* native = control->NativeWindow()->NativeHandle();
  return native && GTK_IS_WINDOW(native) ? GTK_WINDOW(native) : nullptr;
}

std::string U8(const std::u16string& text) { return enc::Utf16ToUtf8(text); }
std::u16string U16(const char* text) { return enc::Utf8ToUtf16(text ? text : ""); }
std::string Str(int id) { return U8(res::LoadStr(id)); }

GdkPixbuf* LoadResourcePixbuf(const std::string& path) {
  std::optional<std::string> bytes = platform::LoadResourceBytes(path);
  if (!bytes) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GdkPixbuf* picture = nullptr;
  if (gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes->data()), bytes->size(), nullptr) &&
      gdk_pixbuf_loader_close(loader, nullptr)) {
    picture = gdk_pixbuf_loader_get_pixbuf(loader);
    if (picture) g_object_ref(picture);
  } else {
    gdk_pixbuf_loader_close(loader, nullptr);
  }
  g_object_unref(loader);
  return picture;
}

bool HaveDisplay() { return gdk_display_get_default() != nullptr; }

namespace {
std::vector<TDialogSlot*>& Slots() {
  static std::vector<TDialogSlot*> slots;
  return slots;
}
}  // namespace

TDialogSlot::TDialogSlot() { Slots().push_back(this); }

TDialogSlot::~TDialogSlot() { std::erase(Slots(), this); }

void CloseOpenDialogs() {
  for (TDialogSlot* slot : Slots())
    if (GtkWidget* open = slot->Open()) gtk_dialog_response(GTK_DIALOG(open), GTK_RESPONSE_DELETE_EVENT);
}

bool TDialogSlot::ActivateIfOpen() {
  if (!FOpen) return false;
  gtk_window_present(GTK_WINDOW(FOpen));
  return true;
}

void TDialogSlot::Hold(GtkWidget* dialog) {
  FOpen = dialog;
  g_signal_connect(dialog, "destroy", G_CALLBACK(Destroyed), this);
}

void TDialogSlot::Destroyed(GtkWidget* widget, gpointer slot) {
  auto* self = static_cast<TDialogSlot*>(slot);
  if (self->FOpen == widget) self->FOpen = nullptr;
}

GtkWidget* NewDialog(const std::string& caption, GtkWindow* parent, int id) {
  GtkWidget* dialog = gtk_dialog_new();
  SetId(dialog, id);
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  if (parent) gtk_window_set_transient_for(GTK_WINDOW(dialog), parent);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(dialog), parent != nullptr);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(dialog), 6);
  gtk_container_set_border_width(GTK_CONTAINER(content), 6);
  gtk_box_set_spacing(GTK_BOX(content), 12);
  return dialog;
}

GtkWidget* AddButton(GtkWidget* dialog, const std::string& caption, int response, int id) {
  GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), caption.c_str(), response);
  SetId(button, id);
  return button;
}

GtkWidget* NewGroup(const std::string& heading, GtkWidget* body) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  GtkWidget* label = gtk_label_new(nullptr);
  gchar* markup = g_markup_printf_escaped("<b>%s</b>", heading.c_str());
  gtk_label_set_markup(GTK_LABEL(label), markup);
  g_free(markup);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
  gtk_widget_set_margin_start(body, 12);
  gtk_box_pack_start(GTK_BOX(box), body, TRUE, TRUE, 0);
  return box;
}

GtkWidget* NewFormGrid() {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 12);
  return grid;
}

void AttachFormRow(GtkWidget* grid, int row, const char* caption, GtkWidget* field) {
  GtkWidget* label = gtk_label_new(caption);
  // Drawn like the check boxes beside them: a dimmed caption next to a
  // live field reads as a field that cannot be used.
  gtk_label_set_xalign(GTK_LABEL(label), 1);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), field);
  gtk_widget_set_hexpand(field, TRUE);
  gtk_grid_attach(GTK_GRID(grid), label, 0, row, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), field, 1, row, 1, 1);
}

TModalDialog::~TModalDialog() {
  if (FDialog) gtk_widget_destroy(FDialog);
}

void TModalDialog::Create(const std::string& caption, GtkWindow* parent, int id, TDialogSlot& slot) {
  FDialog = NewDialog(caption, parent, id);
  slot.Hold(FDialog);
  g_signal_connect(FDialog, "response", G_CALLBACK(Response), this);
}

void TModalDialog::Show() {
  if (FDialog) gtk_widget_show_all(FDialog);
}

int TModalDialog::Run() {
  Show();
  // The loop ends with the answer, since Finish destroys the dialog.
  if (FDialog) gtk_dialog_run(GTK_DIALOG(FDialog));
  return FResult;
}

void TModalDialog::Respond(int response) {
  if (FDialog) gtk_dialog_response(GTK_DIALOG(FDialog), response);
}

void TModalDialog::Response(GtkDialog*, gint response, gpointer data) {
  auto* self = static_cast<TModalDialog*>(data);
  if (self->FFinished) return;
  self->FFinished = true;
  self->FResult = self->Finish(response);
  GtkWidget* dialog = self->FDialog;
  self->FDialog = nullptr;
  gtk_widget_destroy(dialog);
  self->Closed();
}

}  // namespace ui
