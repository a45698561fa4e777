// Page "Kayıt" of the options sheet: the recordings folder, the file-name
// parts, and whether and how the recorder converts.
#include <cstdio>

#include "app/Options.h"
#include "core/Encoding.h"
#include "engine/Recorder.h"
#include "ui/dialogs/OptionsPages.h"

namespace ui {

int BitrateTableCount(int sampleRateIndex) { return TRecorder::BitrateCount(sampleRateIndex); }

void FillBitrates(GtkComboBoxText* list, int sampleRateIndex) {
  gtk_combo_box_text_remove_all(list);
  char text[32];
  for (int i = 0; i < TRecorder::BitrateCount(sampleRateIndex); ++i) {
    std::snprintf(text, sizeof text, "%d Kbps", TRecorder::Bitrate(sampleRateIndex, i));
    gtk_combo_box_text_append_text(list, text);
  }
}

namespace {

constexpr int FolderPrompt = 157;
constexpr int OpusFormat = 6;
constexpr int OpusSampleRate = 8;

class TRecordingPage : public TOptionsPage {
 public:
  explicit TRecordingPage(app::TOptions& options) : FOptions(options) {
    FRoot = gtk_box_new(GTK_ORIENTATION_VERTICAL, 18);

    GtkWidget* folderRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
    FFolder = gtk_entry_new();
    SetId(FFolder, 1000);
    gtk_entry_set_width_chars(GTK_ENTRY(FFolder), 36);
    gtk_entry_set_activates_default(GTK_ENTRY(FFolder), TRUE);
    gtk_box_pack_start(GTK_BOX(folderRow), FFolder, TRUE, TRUE, 0);
    GtkWidget* browse = gtk_button_new_with_label("Gözat...");
    SetId(browse, 1001);
    g_signal_connect(browse, "clicked", G_CALLBACK(BrowseClicked), this);
    gtk_box_pack_start(GTK_BOX(folderRow), browse, FALSE, FALSE, 0);
    GtkWidget* folderBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_box_pack_start(GTK_BOX(folderBox), folderRow, FALSE, FALSE, 0);
    FPlayName = AddCheck(folderBox, 1007, "Dosya adında radyo adını kullan.");
    FTitle = AddCheck(folderBox, 1002, "Dosya adında şarkı adını kullan.");
    gtk_box_pack_start(GTK_BOX(FRoot), NewGroup("Kayıt klasörü", folderBox), FALSE, FALSE, 0);

    GtkWidget* formatBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    FEncoder = gtk_radio_button_new_with_label(nullptr, "Dönüştürücü ile seçilen biçimde kaydet.");
    SetId(FEncoder, 1005);
    gtk_box_pack_start(GTK_BOX(formatBox), FEncoder, FALSE, FALSE, 0);

    GtkWidget* grid = NewFormGrid();
    gtk_widget_set_margin_start(grid, 24);
    FFormat = AddList(grid, 0, 1009, "Biçim:");
    for (const TRecorderFormat& format : TRecorder::Formats)
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(FFormat), U8(format.Name).c_str());
    FRate = AddList(grid, 1, 1003, "Örnekleme hızı:");
    char text[32];
    for (int32_t rate : TRecorder::SampleRates) {
      std::snprintf(text, sizeof text, "%d Hz", static_cast<int>(rate));
      gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(FRate), text);
    }
    FBitrate = AddList(grid, 2, 1004, "Bit hızı:");
    gtk_box_pack_start(GTK_BOX(formatBox), grid, FALSE, FALSE, 0);

    FRaw = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(FEncoder),
                                                       "Dönüştürücü kullanmadan orjinal halinde kaydet.");
    SetId(FRaw, 1006);
    gtk_box_pack_start(GTK_BOX(formatBox), FRaw, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(FRoot), NewGroup("Kayıt biçimi", formatBox), FALSE, FALSE, 0);

    gtk_box_pack_end(GTK_BOX(FRoot), NewLogo(), FALSE, FALSE, 0);

    g_signal_connect(FRate, "changed", G_CALLBACK(RateChanged), this);
    g_signal_connect(FFormat, "changed", G_CALLBACK(FormatChanged), this);
  }

  void Read() override {
    FReading = true;
    std::u16string folder = FOptions.ReadStr(app::osFolder);
    if (folder.empty()) folder = FOptions.DesktopFolder();
    ShowFolder(folder);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FPlayName), FOptions.ReadBool(app::obUsePlayName));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FTitle), FOptions.ReadBool(app::obUseTitle));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FOptions.ReadBool(app::obEncoder) ? FEncoder : FRaw), TRUE);
    int rate = FOptions.ReadInt(app::oiFrequency);
    // The store allows one index past the rate table (it records at 44100).
    if (rate >= TRecorder::SampleRateCount) rate = app::DefaultFrequencyIndex;
    gtk_combo_box_set_active(GTK_COMBO_BOX(FRate), rate);
    FillBitrates(GTK_COMBO_BOX_TEXT(FBitrate), rate);
    int bitrate = FOptions.ReadInt(app::oiBitrate);
    if (bitrate >= TRecorder::BitrateCount(rate)) bitrate = BitrateTableCount(rate) == 8 ? 4 : 8;
    gtk_combo_box_set_active(GTK_COMBO_BOX(FBitrate), bitrate);
    gtk_combo_box_set_active(GTK_COMBO_BOX(FFormat), FOptions.ReadInt(app::oiFormat));
    FReading = false;
  }

  void Write() override {
    std::u16string folder = ShownFolder();
    FOptions.WriteStr(app::osFolder, folder.empty() ? FOptions.DesktopFolder() : folder);
    FOptions.WriteBool(app::obUsePlayName, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FPlayName)));
    FOptions.WriteBool(app::obUseTitle, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FTitle)));
    FOptions.WriteBool(app::obEncoder, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FEncoder)));
    FOptions.WriteInt(app::oiFormat, gtk_combo_box_get_active(GTK_COMBO_BOX(FFormat)));
    FOptions.WriteInt(app::oiFrequency, gtk_combo_box_get_active(GTK_COMBO_BOX(FRate)));
    FOptions.WriteInt(app::oiBitrate, gtk_combo_box_get_active(GTK_COMBO_BOX(FBitrate)));
  }

 private:
  static GtkWidget* AddCheck(GtkWidget* box, int id, const char* caption) {
    GtkWidget* check = gtk_check_button_new_with_label(caption);
    SetId(check, id);
    gtk_box_pack_start(GTK_BOX(box), check, FALSE, FALSE, 0);
    return check;
  }

  static GtkWidget* AddList(GtkWidget* grid, int row, int id, const char* caption) {
    GtkWidget* list = gtk_combo_box_text_new();
    SetId(list, id);
    AttachFormRow(grid, row, caption, list);
    return list;
  }

  GtkWidget* NewLogo() {
    GtkWidget* logo = gtk_event_box_new();
    SetId(logo, 1008);
    GdkPixbuf* picture = LoadResourcePixbuf(QOR_SKIN_RESOURCE_BASE "/skin/8000.png");
    GtkWidget* image = picture ? gtk_image_new_from_pixbuf(picture) : gtk_label_new("FFmpeg");
    if (picture) g_object_unref(picture);
    gtk_container_add(GTK_CONTAINER(logo), image);
    gtk_widget_set_tooltip_text(logo, FfmpegHomePage);
    gtk_widget_add_events(logo, GDK_BUTTON_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK);
    gtk_widget_set_halign(logo, GTK_ALIGN_END);
    g_signal_connect(logo, "realize", G_CALLBACK(LogoRealized), nullptr);
    g_signal_connect(logo, "button-release-event", G_CALLBACK(LogoClicked), nullptr);
    return logo;
  }

  static void LogoRealized(GtkWidget* logo, gpointer) {
    GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(logo), "pointer");
    gdk_window_set_cursor(gtk_widget_get_window(logo), hand);
    if (hand) g_object_unref(hand);
  }

  static gboolean LogoClicked(GtkWidget*, GdkEventButton* event, gpointer) {
    if (event->button != 1) return FALSE;
    if (OptionsSheetHooks().OpenUri) OptionsSheetHooks().OpenUri(FfmpegHomePage);
    return TRUE;
  }

  // The entry shows a folder whose name is not UTF-8 in readable letters;
  // while its text stays so, the folder is the one of the very bytes.
  void ShowFolder(const std::u16string& folder) {
    FFolderName = folder;
    FFolderShown = U8(enc::FileNameDisplay(folder));
    gtk_entry_set_text(GTK_ENTRY(FFolder), FFolderShown.c_str());
  }

  std::u16string ShownFolder() const {
    const char* text = gtk_entry_get_text(GTK_ENTRY(FFolder));
    return text == FFolderShown ? FFolderName : U16(text);
  }

  static void BrowseClicked(GtkButton*, gpointer data) { static_cast<TRecordingPage*>(data)->Browse(); }

  void Browse() {
    GtkWindow* sheet = GTK_WINDOW(gtk_widget_get_toplevel(FRoot));
    GtkWidget* chooser = gtk_file_chooser_dialog_new(Str(FolderPrompt).c_str(), sheet,
                                                     GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, "İptal",
                                                     GTK_RESPONSE_CANCEL, "Seç", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(chooser), TRUE);
    std::string current = enc::WideToFileName(ShownFolder());
    if (!g_file_test(current.c_str(), G_FILE_TEST_IS_DIR)) current = enc::WideToFileName(FOptions.DesktopFolder());
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), current.c_str());
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
      if (gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser))) {
        if (g_file_test(chosen, G_FILE_TEST_IS_DIR)) ShowFolder(enc::FileNameToWide(chosen));
        g_free(chosen);
      }
    }
    gtk_widget_destroy(chooser);
  }

  // A new sample rate brings its own bit-rate table, with a middle entry
  // chosen; on opening the stored one is shown instead.
  static void RateChanged(GtkComboBox* list, gpointer data) {
    auto* self = static_cast<TRecordingPage*>(data);
    if (self->FReading) return;
    int rate = gtk_combo_box_get_active(list);
    if (rate < 0) return;
    FillBitrates(GTK_COMBO_BOX_TEXT(self->FBitrate), rate);
    gtk_combo_box_set_active(GTK_COMBO_BOX(self->FBitrate), BitrateTableCount(rate) == 8 ? 4 : 8);
  }

  // Opus encodes at 48000 Hz only.
  static void FormatChanged(GtkComboBox* list, gpointer data) {
    auto* self = static_cast<TRecordingPage*>(data);
    bool opus = gtk_combo_box_get_active(list) == OpusFormat;
    // Through the rate's own change rule, so the bit-rate list always
    // matches the rate shown (unchanged when it already was 48000).
    if (opus && gtk_combo_box_get_active(GTK_COMBO_BOX(self->FRate)) != OpusSampleRate) {
      bool reading = self->FReading;
      self->FReading = false;
      gtk_combo_box_set_active(GTK_COMBO_BOX(self->FRate), OpusSampleRate);
      self->FReading = reading;
    }
    gtk_widget_set_sensitive(self->FRate, !opus);
  }

  app::TOptions& FOptions;
  GtkWidget* FFolder;
  std::u16string FFolderName;
  std::string FFolderShown;
  GtkWidget* FPlayName;
  GtkWidget* FTitle;
  GtkWidget* FEncoder;
  GtkWidget* FRaw;
  GtkWidget* FFormat;
  GtkWidget* FRate;
  GtkWidget* FBitrate;
  bool FReading = false;
};

}  // namespace

std::unique_ptr<TOptionsPage> NewRecordingPage(app::TOptions& options) {
  return std::make_unique<TRecordingPage>(options);
}

}  // namespace ui
