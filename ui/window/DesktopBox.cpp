#include "ui/window/DesktopBox.h"

#include "support/Encoding.h"

namespace ui {

void DesktopMessageBox(GtkMessageType type, const std::u16string& text, const std::u16string& caption) {
  GtkWidget* box =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s", enc::Utf16ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(box), enc::Utf16ToUtf8(caption).c_str());
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

}  // namespace ui
