// What every dialog of the player window shares: widgets found by their
// resource ids (kept as widget names, so tests and accessibility tools
// reach the same controls), the GTK window behind a toolkit window handle,
// one open dialog of each kind, and the modal run.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "core/Messages.h"

namespace ui {

// Dialog results, as the resource dialogs return them.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The widget's name becomes the decimal id.
void SetId(GtkWidget* widget, int id);
// The first widget below root (root included) named id, searching every
// container and notebook page; nullptr when none is.
GtkWidget* FindById(GtkWidget* root, int id);

// The GtkWindow of a toolkit top-level window (or of the top-level that
// holds a control); nullptr without one, e.g. on the offscreen backend.
GtkWindow* GtkWindowOf(core::HWND window);

std::string U8(const std::u16string& text);
std::u16string U16(const char* text);
// The string-table text of id, as UTF-8.
std::string Str(int id);

// A picture of the resource bundle ("/org/kelvarin/qor/icons/101-48.png"),
// or nullptr.
GdkPixbuf* LoadResourcePixbuf(const std::string& path);

// Whether GTK has a display to show dialogs on (the program runs on
// without one, and its dialogs then answer Cancel).
bool HaveDisplay();

// At most one dialog of a kind is open: while it is, a second request only
// brings it to the front.
class TDialogSlot {
 public:
  TDialogSlot();
  ~TDialogSlot();
  // True (and the open dialog presented) when one is open.
  bool ActivateIfOpen();
  // Remembers the dialog until it is destroyed.
  void Hold(GtkWidget* dialog);
  GtkWidget* Open() const { return FOpen; }

 private:
  static void Destroyed(GtkWidget* widget, gpointer slot);
  GtkWidget* FOpen = nullptr;
};

// A dialog with the caption and the name id, modal to parent when it has
// one, centred on the screen, with the usual GNOME spacing.
GtkWidget* NewDialog(const std::string& caption, GtkWindow* parent, int id);
// A button in the action area, named id, answering `response`.
GtkWidget* AddButton(GtkWidget* dialog, const std::string& caption, int response, int id);
// The program is closing: every open dialog is answered as by Escape
// (the options sheet and the schedule write nothing, the countdown does
// not go ahead), so that no modal loop outlives its window.
void CloseOpenDialogs();

// A bold heading over an indented group, in the place of a group box.
GtkWidget* NewGroup(const std::string& heading, GtkWidget* body);

// A two-column form: right-aligned captions, fields that take the
// rest of the width.
GtkWidget* NewFormGrid();
void AttachFormRow(GtkWidget* grid, int row, const char* caption, GtkWidget* field);

// A dialog of the player window with its answer handled in one place, so
// that the blocking run (Run) and a test that presses the buttons of a
// dialog it only showed (Show, Respond) take the same path.
class TModalDialog {
 public:
  virtual ~TModalDialog();
  TModalDialog(const TModalDialog&) = delete;
  TModalDialog& operator=(const TModalDialog&) = delete;

  GtkWidget* Dialog() const { return FDialog; }
  void Show();
  // Shows the dialog and runs the loop until it is answered; the result.
  int Run();
  // Answers as a button would (GTK_RESPONSE_OK, ...).
  void Respond(int response);
  bool Finished() const { return FFinished; }
  int Result() const { return FResult; }

 protected:
  TModalDialog() = default;
  // Makes the dialog (NewDialog) and holds it in the kind's slot.
  void Create(const std::string& caption, GtkWindow* parent, int id, TDialogSlot& slot);
  // Called once with the answer (GTK_RESPONSE_DELETE_EVENT for Escape and
  // the window's close); returns the dialog's result. The dialog is
  // destroyed afterwards.
  virtual int Finish(int response) = 0;
  // After the dialog is gone.
  virtual void Closed() {}

 private:
  static void Response(GtkDialog*, gint response, gpointer self);
  GtkWidget* FDialog = nullptr;
  bool FFinished = false;
  int FResult = 0;
};

}  // namespace ui
