// Page "Gelişmiş" of the options sheet: the network numbers given to the
// players and the four global hotkeys.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "app/Options.h"
#include "ui/dialogs/HotkeyField.h"
#include "ui/dialogs/OptionsPages.h"

namespace ui {

int PositiveOrDefault(const char* text, int defaultValue) {
  if (!text) return defaultValue;
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return defaultValue;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || errno == ERANGE || value <= 0 || value > INT_MAX) return defaultValue;
  return static_cast<int>(value);
}

namespace {

struct TNumberRow {
  int Id;
  app::TOptionInt Option;
  const char* Caption;
};
constexpr TNumberRow NumberRows[] = {
    {1004, app::oiBuffer, "Ağ arabelleği (ms):"},
    {1005, app::oiTimeout, "Bağlantı zaman aşımı (ms):"},
    {1006, app::oiAttempt, "Bağlantı deneme sayısı:"},
};

struct THotkeyRow {
  int Id;
  app::TOptionHotkey Option;
  const char* Caption;
};
constexpr THotkeyRow HotkeyRows[] = {
    {1000, app::ohRecording, "Kaydı başlat / durdur:"},
    {1001, app::ohAlwaysTop, "Her zaman en üstte:"},
    {1002, app::ohHibernate, "Kış uykusu modu:"},
    {1003, app::ohShowHide, "QOR'yı göster / gizle:"},
};

class TAdvancedPage : public TOptionsPage {
 public:
  explicit TAdvancedPage(app::TOptions& options) : FOptions(options) {
    FRoot = gtk_box_new(GTK_ORIENTATION_VERTICAL, 18);
    GtkWidget* numbers = NewFormGrid();
    int row = 0;
    for (const TNumberRow& n : NumberRows) {
      GtkWidget* field = gtk_entry_new();
      SetId(field, n.Id);
      gtk_entry_set_width_chars(GTK_ENTRY(field), 10);
      gtk_entry_set_input_purpose(GTK_ENTRY(field), GTK_INPUT_PURPOSE_DIGITS);
      gtk_entry_set_activates_default(GTK_ENTRY(field), TRUE);
      AttachFormRow(numbers, row++, n.Caption, field);
    }
    gtk_box_pack_start(GTK_BOX(FRoot), NewGroup("Bağlantı", numbers), FALSE, FALSE, 0);

    GtkWidget* keys = NewFormGrid();
    row = 0;
    for (const THotkeyRow& h : HotkeyRows) AttachFormRow(keys, row++, h.Caption, NewHotkeyField(h.Id));
    GtkWidget* note = gtk_label_new("Bir alana tıklayıp tuş bileşimine basın; Geri tuşu kısayolu kaldırır.");
    gtk_label_set_xalign(GTK_LABEL(note), 0);
    gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(note), 50);
    gtk_style_context_add_class(gtk_widget_get_style_context(note), "dim-label");
    gtk_grid_attach(GTK_GRID(keys), note, 0, row, 2, 1);
    gtk_box_pack_start(GTK_BOX(FRoot), NewGroup("Kısayol tuşları", keys), FALSE, FALSE, 0);
  }

  void Read() override {
    for (const TNumberRow& n : NumberRows)
      gtk_entry_set_text(GTK_ENTRY(FindById(FRoot, n.Id)), std::to_string(FOptions.ReadInt(n.Option)).c_str());
    for (const THotkeyRow& h : HotkeyRows) SetHotkey(FindById(FRoot, h.Id), FOptions.ReadHotkey(h.Option));
  }

  void Write() override {
    for (const TNumberRow& n : NumberRows) {
      const char* text = gtk_entry_get_text(GTK_ENTRY(FindById(FRoot, n.Id)));
      FOptions.WriteInt(n.Option, PositiveOrDefault(text, app::TOptions::IntKey(n.Option).Default));
    }
    for (const THotkeyRow& h : HotkeyRows) FOptions.WriteHotkey(h.Option, GetHotkey(FindById(FRoot, h.Id)));
  }

 private:
  app::TOptions& FOptions;
};

}  // namespace

std::unique_ptr<TOptionsPage> NewAdvancedPage(app::TOptions& options) {
  return std::make_unique<TAdvancedPage>(options);
}

}  // namespace ui
