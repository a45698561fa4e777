// The one question of the update check, as a GTK message dialog. Only the
// desktop program installs it; the headless tool and the tests never reach
// GTK.
#include <gtk/gtk.h>

#include "app/Messages.h"
#include "app/desktop/Desktop.h"
#include "support/Encoding.h"

namespace app {

namespace {
// The question on screen, so that closing the program can take it away.
GtkWidget* gOpenQuestion = nullptr;
}  // namespace

void CloseGtkQuestion() {
  if (gOpenQuestion) gtk_dialog_response(GTK_DIALOG(gOpenQuestion), GTK_RESPONSE_NONE);
}

int GtkQuestion(core::HWND, const std::u16string& text, const std::u16string& caption) {
  if (!gdk_display_get_default()) return IDNO;
  std::string message = enc::Utf16ToUtf8(text);
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO, GTK_BUTTONS_NONE, "%s",
                                             message.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), enc::Utf16ToUtf8(caption).c_str());
  gtk_dialog_add_buttons(GTK_DIALOG(dialog), "_Evet", GTK_RESPONSE_YES, "_Hayır", GTK_RESPONSE_NO, "İptal",
                         GTK_RESPONSE_CANCEL, nullptr);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gOpenQuestion = dialog;
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gOpenQuestion = nullptr;
  gtk_widget_destroy(dialog);
  switch (response) {
    case GTK_RESPONSE_YES: return IDYES;
    case GTK_RESPONSE_CANCEL:
    case GTK_RESPONSE_DELETE_EVENT: return IDCANCEL;
    default: return IDNO;
  }
}

}  // namespace app
