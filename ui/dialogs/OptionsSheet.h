// The options sheet "Seçenekler": four pages in a notebook ("Genel",
// "Kayıt", "Gelişmiş", "Görünüm"). Each page reads the options into its
// controls the first time it is shown; OK writes back only the pages that
// were shown, in page order, flushes the file and tells the parent window
// UM_OPTIONS_CLOSED 3 (Cancel: 5). Only one sheet is open at a time.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"

namespace app {
class TOptions;
}

namespace ui {

// What the sheet needs from the program around it. The player window
// fills the hotkey pair (its global hotkeys); the rest has defaults.
struct TOptionsSheetHooks {
  // The "Gelişmiş" page is shown: the global hotkeys let go of their keys,
  // so that the capture fields receive them.
  std::function<void()> ReleaseHotkeys;
  // The sheet closed after ReleaseHotkeys: register them again from the
  // (possibly changed) options and refresh the menu texts.
  std::function<void()> RegisterHotkeys;
  // Start with the session on or off (default: the XDG autostart entry).
  std::function<bool(bool enabled, int iconId)> SetAutostart;
  // Opens a web address (default: the desktop's browser).
  std::function<void(const std::string& uri)> OpenUri;
};
TOptionsSheetHooks& OptionsSheetHooks();

class TOptionsPage {
 public:
  virtual ~TOptionsPage() = default;
  virtual void Read() = 0;
  virtual void Write() = 0;
  // The sheet is closing, whatever the answer.
  virtual void Closing() {}
  GtkWidget* Root() const { return FRoot; }

 protected:
  GtkWidget* FRoot = nullptr;
};

inline constexpr int OptionsPageCount = 4;
// Pages by index; their widgets are named 501 to 504.
enum TOptionsPageIndex : int { opGeneral, opRecording, opAdvanced, opAppearance };

class TOptionsSheet : public TModalDialog {
 public:
  // Builds the sheet (not shown yet) at the start page, which is read at
  // once.
  TOptionsSheet(app::TOptions& options, core::HWND parent, int startPage);
  ~TOptionsSheet() override;

  // The one open sheet, or nullptr.
  static TOptionsSheet* Current();

  // Run() answers 1 for OK, 0 otherwise.

  GtkWidget* Notebook() const { return FNotebook; }
  GtkWidget* Page(int index) const;
  void ShowPage(int index);
  bool Opened(int index) const { return index >= 0 && index < OptionsPageCount && FOpened[index]; }

 protected:
  int Finish(int response) override;
  void Closed() override;

 private:
  void Opening(int index);
  static void SwitchPage(GtkNotebook*, GtkWidget*, guint index, gpointer self);

  app::TOptions& FOptions;
  core::HWND FParent;
  GtkWidget* FNotebook = nullptr;
  std::array<std::unique_ptr<TOptionsPage>, OptionsPageCount> FPages;
  std::array<bool, OptionsPageCount> FOpened{};
  bool FReleasedHotkeys = false;
  bool FOk = false;
};

// The controller's options hook: activates an open sheet (result 0) or runs
// a new one over parent at the start page (1 for OK, 0 otherwise).
core::LRESULT ShowOptionsSheet(app::TOptions& options, core::HWND parent, int startPage);

}  // namespace ui
