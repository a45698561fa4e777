// Commands that leave the window: the title to the clipboard, the share
// buttons, the broken-station report, and the desktop's dialogs and
// browser that the commands use (replaceable by tests).
#include <gtk/gtk.h>

#include "app/Options.h"
#include "resources/strings/StringTable.h"
#include "support/Deploy.h"
#include "support/Encoding.h"
#include "ui/dialogs/DialogKit.h"
#include "ui/dialogs/StationDialog.h"
#include "ui/window/CommandTexts.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;

namespace {

bool GtkYesNo(core::HWND owner, const std::u16string& text, const std::u16string& caption) {
  if (!HaveDisplay()) return false;
  GtkWidget* box = gtk_message_dialog_new(GtkWindowOf(owner), GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                          GTK_BUTTONS_YES_NO, "%s", U8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), U8(caption).c_str());
  bool yes = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
  gtk_widget_destroy(box);
  return yes;
}

// The open or save dialog with the two filters of the list files.
bool GtkListFileName(core::HWND owner, bool save, std::u16string& path, int& filter) {
  if (!HaveDisplay()) return false;
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      nullptr, GtkWindowOf(owner), save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "İptal",
      GTK_RESPONSE_CANCEL, save ? "Kaydet" : "Aç", GTK_RESPONSE_ACCEPT, nullptr);
  gtk_file_chooser_set_do_overwrite_confirmation(GTK_FILE_CHOOSER(dialog), TRUE);
  // "Name|pattern|Name|pattern".
  std::string parts = U8(res::LoadStr(339));
  std::vector<GtkFileFilter*> filters;
  for (size_t at = 0; at < parts.size();) {
    size_t bar = parts.find('|', at);
    size_t next = bar == std::string::npos ? parts.size() : parts.find('|', bar + 1);
    if (bar == std::string::npos) break;
    if (next == std::string::npos) next = parts.size();
    GtkFileFilter* f = gtk_file_filter_new();
    gtk_file_filter_set_name(f, parts.substr(at, bar - at).c_str());
    gtk_file_filter_add_pattern(f, parts.substr(bar + 1, next - bar - 1).c_str());
    gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(dialog), f);
    filters.push_back(f);
    at = next + 1;
  }
  bool ok = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
  if (ok) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    ok = name != nullptr;
    // The chosen file keeps the bytes of its name.
    if (name) path = enc::FileNameToWide(name);
    g_free(name);
    GtkFileFilter* chosen = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog));
    filter = filters.size() > 1 && chosen == filters[1] ? 2 : 1;
  }
  gtk_widget_destroy(dialog);
  return ok;
}

}  // namespace

void TPlayerWindow::InstallCommandHooks() {
  AskStation = [this](const TStationForm& form) { return EditStationDialog(WindowHandle(), form); };
  AskFileName = [this](bool save, std::u16string& path, int& filter) {
    return GtkListFileName(WindowHandle(), save, path, filter);
  };
  AskYesNo = [this](const std::u16string& text, const std::u16string& caption) {
    return GtkYesNo(WindowHandle(), text, caption);
  };
  OpenAddress = [](const std::string& address) {
    // Failures of the desktop's browser are not reported.
    if (!Backend().IsOffscreen()) g_app_info_launch_default_for_uri(address.c_str(), nullptr, nullptr);
  };
}

void TPlayerWindow::CopyTitle() {
  // Clipboard failures are ignored.
  if (!FTitle.empty() && !Backend().IsOffscreen())
    gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), enc::Utf16ToUtf8(FTitle).c_str(), -1);
}

void TPlayerWindow::Share(TShareSite site) {
  std::string_view hostKey = site == TShareSite::Facebook  ? deploy::FacebookShareHost
                             : site == TShareSite::Twitter ? deploy::TwitterShareHost
                                                           : deploy::GooglePlusShareHost;
  std::string host = deploy::Value(hostKey);
  // An empty host switches the button's site off.
  if (host.empty() || !OpenAddress) return;
  OpenAddress(ShareAddress(site, FCurrentName, FTitle, host, deploy::Value(deploy::WebSiteAddress),
                           deploy::Value(deploy::ShortLink)));
}

void TPlayerWindow::ReportBroken() {
  auto* entry = FDatabase->Item(FDatabase->ItemIndex());
  if (entry && !entry->Key.empty()) ReportStation(entry->Key);
}

}  // namespace ui
