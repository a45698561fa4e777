#include "ui/dialogs/OptionsSheet.h"

#include "app/Application.h"
#include "app/Messages.h"
#include "app/Options.h"
#include "platform/Autostart.h"
#include "ui/dialogs/OptionsPages.h"
#include "widgets/controls/Control.h"

namespace ui {

namespace {

TOptionsSheet* gCurrent = nullptr;
TDialogSlot gSlot;

constexpr int SheetTitle = 500;
constexpr int FirstPageTitle = 501;

void OpenInBrowser(const std::string& uri) {
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error) && error) g_error_free(error);
}

}  // namespace

TOptionsSheetHooks& OptionsSheetHooks() {
  static TOptionsSheetHooks hooks{
      nullptr, nullptr,
      [](bool enabled, int iconId) { return platform::SetAutostart(enabled, app::TApplication::IconName(iconId)); },
      OpenInBrowser};
  return hooks;
}

TOptionsSheet::TOptionsSheet(app::TOptions& options, core::HWND parent, int startPage)
    : FOptions(options), FParent(parent) {
  Create(Str(SheetTitle), GtkWindowOf(parent), SheetTitle, gSlot);
  AddButton(Dialog(), "İptal", GTK_RESPONSE_CANCEL, IDCANCEL);
  GtkWidget* ok = AddButton(Dialog(), "Tamam", GTK_RESPONSE_OK, IDOK);
  gtk_dialog_set_default_response(GTK_DIALOG(Dialog()), GTK_RESPONSE_OK);
  gtk_widget_grab_default(ok);

  FNotebook = gtk_notebook_new();
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(Dialog()))), FNotebook, TRUE, TRUE, 0);
  FPages = {NewGeneralPage(options), NewRecordingPage(options), NewAdvancedPage(options),
            NewAppearancePage(options)};
  for (int i = 0; i < OptionsPageCount; ++i) {
    GtkWidget* root = FPages[i]->Root();
    SetId(root, FirstPageTitle + i);
    gtk_container_set_border_width(GTK_CONTAINER(root), 18);
    gtk_notebook_append_page(GTK_NOTEBOOK(FNotebook), root, gtk_label_new(Str(FirstPageTitle + i).c_str()));
  }
  if (startPage < 0 || startPage >= OptionsPageCount) startPage = 0;
  gtk_widget_show_all(FNotebook);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(FNotebook), startPage);
  Opening(startPage);
  g_signal_connect(FNotebook, "switch-page", G_CALLBACK(SwitchPage), this);
  gCurrent = this;
}

TOptionsSheet::~TOptionsSheet() {
  // Taken away unanswered (the program is closing): as Cancel.
  if (!Finished()) Respond(GTK_RESPONSE_CANCEL);
  if (gCurrent == this) gCurrent = nullptr;
}

TOptionsSheet* TOptionsSheet::Current() { return gCurrent; }

GtkWidget* TOptionsSheet::Page(int index) const {
  return index >= 0 && index < OptionsPageCount ? FPages[index]->Root() : nullptr;
}

void TOptionsSheet::ShowPage(int index) { gtk_notebook_set_current_page(GTK_NOTEBOOK(FNotebook), index); }

void TOptionsSheet::Opening(int index) {
  if (index < 0 || index >= OptionsPageCount || FOpened[index]) return;
  FOpened[index] = true;
  FPages[index]->Read();
  if (index == opAdvanced && !FReleasedHotkeys) {
    FReleasedHotkeys = true;
    if (OptionsSheetHooks().ReleaseHotkeys) OptionsSheetHooks().ReleaseHotkeys();
  }
}

void TOptionsSheet::SwitchPage(GtkNotebook*, GtkWidget*, guint index, gpointer self) {
  static_cast<TOptionsSheet*>(self)->Opening(static_cast<int>(index));
}

int TOptionsSheet::Finish(int response) {
  FOk = response == GTK_RESPONSE_OK;
  if (FOk) {
    for (int i = 0; i < OptionsPageCount; ++i)
      if (FOpened[i]) FPages[i]->Write();
    FOptions.UpdateFile();
  }
  for (auto& page : FPages) page->Closing();
  FNotebook = nullptr;
  if (gCurrent == this) gCurrent = nullptr;
  return FOk ? 1 : 0;
}

void TOptionsSheet::Closed() {
  if (FReleasedHotkeys && OptionsSheetHooks().RegisterHotkeys) OptionsSheetHooks().RegisterHotkeys();
  if (core::IsWindow(FParent)) core::SendMessage(FParent, app::UM_OPTIONS_CLOSED, FOk ? 3 : 5, 0);
}

core::LRESULT ShowOptionsSheet(app::TOptions& options, core::HWND parent, int startPage) {
  if (!HaveDisplay() || gSlot.ActivateIfOpen()) return 0;
  TOptionsSheet sheet(options, parent, startPage);
  return sheet.Run();
}

}  // namespace ui
