// The options sheet on a real display: what OK, Cancel and the page rules
// leave in options.ini, and what the sheet tells the window around it.
#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "DialogTestKit.h"
#include "MainLoop.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "core/MessageWindow.h"
#include "platform/Autostart.h"
#include "support/Encoding.h"
#include "ui/dialogs/HotkeyField.h"
#include "ui/dialogs/OptionsPages.h"
#include "ui/dialogs/OptionsSheet.h"
#include "widgets/controls/Window.h"

namespace testdialogs {
namespace {

using ui::TOptionsSheet;

// Stands for the player window: records what the sheet tells it.
class TParent : public core::TMessageWindow {
 public:
  std::vector<core::WPARAM> Closed;
  void WndProc(core::TMessage& m) override {
    if (m.Msg == app::UM_OPTIONS_CLOSED) Closed.push_back(m.WParam);
    TMessageWindow::WndProc(m);
  }
};

// A key press as the display delivers it to the focused field.
void PressKey(GtkWidget* field, guint keyval, GdkModifierType state) {
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  ASSERT_TRUE(gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval,
                                                &keys, &count));
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(gtk_widget_get_toplevel(field))));
  event->key.keyval = keyval;
  event->key.state = state;
  event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
  event->key.group = static_cast<guint8>(keys[0].group);
  g_free(keys);
  gboolean handled = FALSE;
  g_signal_emit_by_name(field, "key-press-event", event, &handled);
  gdk_event_free(event);
  EXPECT_TRUE(handled);
}

class OptionsSheetTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    saved_ = ui::OptionsSheetHooks();
    ui::OptionsSheetHooks().ReleaseHotkeys = [this] { hotkeyCalls_.push_back("release"); };
    ui::OptionsSheetHooks().RegisterHotkeys = [this] {
      hotkeyCalls_.push_back("register " + std::to_string(options_->ReadHotkey(app::ohRecording)));
    };
    ui::OptionsSheetHooks().SetAutostart = [this](bool on, int icon) {
      autostart_.push_back((on ? "on " : "off ") + std::to_string(icon));
      return true;
    };
    ui::OptionsSheetHooks().OpenUri = [this](const std::string& uri) { opened_.push_back(uri); };
  }
  void TearDown() override {
    ui::OptionsSheetHooks() = saved_;
    DialogTest::TearDown();
  }

  ui::TOptionsSheetHooks saved_;
  std::vector<std::string> hotkeyCalls_, autostart_, opened_;
  TParent parent_;
};

TEST_F(OptionsSheetTest, AdvancedPageStoresDefaultsForBadNumbersAndClearsAHotkey) {
  TOptionsSheet sheet(*options_, parent_.Handle(), ui::opAdvanced);
  sheet.Show();
  GtkWidget* page = sheet.Page(ui::opAdvanced);
  EXPECT_EQ(Text(page, 1004), "10000");
  EXPECT_EQ(Text(page, 1005), "15000");
  EXPECT_EQ(Text(page, 1006), "1");
  EXPECT_EQ(Text(page, 1000), "Ctrl+Alt+R");
  EXPECT_EQ(Text(page, 1003), "Ctrl+Alt+G");
  EXPECT_EQ(hotkeyCalls_, std::vector<std::string>{"release"});
  Shot(sheet.Dialog(), "options-3-gelismis");

  SetText(page, 1004, "abc");
  SetText(page, 1005, "0");
  SetText(page, 1006, " 3 ");
  ui::SetHotkey(ui::FindById(page, 1000), 0);
  PressKey(Control(page, 1001), GDK_KEY_s, static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_MOD1_MASK));
  EXPECT_EQ(Text(page, 1001), "Ctrl+Alt+S");
  PressKey(Control(page, 1002), GDK_KEY_BackSpace, static_cast<GdkModifierType>(0));
  EXPECT_EQ(Text(page, 1002), "");
  Click(sheet.Dialog(), ui::IDOK);

  EXPECT_TRUE(sheet.Finished());
  EXPECT_EQ(sheet.Result(), 1);
  EXPECT_EQ(options_->ReadInt(app::oiBuffer), 10000);
  EXPECT_EQ(options_->ReadInt(app::oiTimeout), 15000);
  EXPECT_EQ(options_->ReadInt(app::oiAttempt), 3);
  EXPECT_EQ(options_->ReadHotkey(app::ohRecording), 0);
  EXPECT_EQ(options_->ReadHotkey(app::ohAlwaysTop), 0x653);
  EXPECT_EQ(options_->ReadHotkey(app::ohHibernate), 0);
  EXPECT_EQ(options_->ReadHotkey(app::ohShowHide), 1607);
  EXPECT_NE(OptionsText().find("recording=0"), std::string::npos);
  // Registered again after the new keys were stored, then told.
  EXPECT_EQ(hotkeyCalls_, (std::vector<std::string>{"release", "register 0"}));
  EXPECT_EQ(parent_.Closed, std::vector<core::WPARAM>{3});

  EXPECT_EQ(ui::PositiveOrDefault("0", 7), 7);
  EXPECT_EQ(ui::PositiveOrDefault("-5", 7), 7);
  EXPECT_EQ(ui::PositiveOrDefault("12x", 7), 7);
  EXPECT_EQ(ui::PositiveOrDefault("99999999999", 7), 7);
  EXPECT_EQ(ui::PositiveOrDefault("2500", 7), 2500);
}

TEST_F(OptionsSheetTest, OkAfterOnlyTheFirstPageWritesOnlyItsKeys) {
  WriteOptionsText("[player]\nbuffer=abc\nmarquee=1\n[recorder]\nbitrate=99\n");
  {
    TOptionsSheet sheet(*options_, parent_.Handle(), ui::opGeneral);
    GtkWidget* page = sheet.Page(ui::opGeneral);
    EXPECT_TRUE(Ticked(page, 1037));
    EXPECT_TRUE(Ticked(page, 1041));
    Shot(sheet.Dialog(), "options-1-genel");
    SetTicked(page, 1037, false);
    SetTicked(page, 1031, true);
    Click(sheet.Dialog(), ui::IDOK);
  }
  std::string text = OptionsText();
  EXPECT_NE(text.find("marquee=0"), std::string::npos);
  EXPECT_NE(text.find("alwaystop=1"), std::string::npos);
  EXPECT_NE(text.find("visible=1"), std::string::npos);  // playlist section: box 1038
  // Keys of the pages never shown stay as they were, bad values included.
  EXPECT_NE(text.find("buffer=abc"), std::string::npos);
  EXPECT_NE(text.find("bitrate=99"), std::string::npos);
  EXPECT_EQ(text.find("timeout="), std::string::npos);
  EXPECT_EQ(text.find("[hotkeys]"), std::string::npos);
  EXPECT_EQ(text.find("icon="), std::string::npos);
  EXPECT_EQ(autostart_, std::vector<std::string>{"on 101"});
  EXPECT_TRUE(hotkeyCalls_.empty());
  EXPECT_EQ(parent_.Closed, std::vector<core::WPARAM>{3});
}

TEST_F(OptionsSheetTest, CancelWritesNothingAndPagesReadWhenFirstShown) {
  TOptionsSheet sheet(*options_, parent_.Handle(), ui::opGeneral);
  EXPECT_TRUE(sheet.Opened(ui::opGeneral));
  EXPECT_FALSE(sheet.Opened(ui::opRecording));
  sheet.Show();
  sheet.ShowPage(ui::opAppearance);
  EXPECT_TRUE(sheet.Opened(ui::opAppearance));
  EXPECT_TRUE(Ticked(sheet.Page(ui::opAppearance), 1001));
  SetTicked(sheet.Page(ui::opAppearance), 1002, true);
  SetTicked(sheet.Page(ui::opGeneral), 1030, false);
  Click(sheet.Dialog(), ui::IDCANCEL);
  EXPECT_EQ(sheet.Result(), 0);
  EXPECT_EQ(OptionsText(), "");
  EXPECT_TRUE(autostart_.empty());
  EXPECT_EQ(parent_.Closed, std::vector<core::WPARAM>{5});
  EXPECT_EQ(TOptionsSheet::Current(), nullptr);
}

TEST_F(OptionsSheetTest, AppearancePageStoresTheChosenIcon) {
  TOptionsSheet sheet(*options_, 0, ui::opAppearance);
  GtkWidget* page = sheet.Page(ui::opAppearance);
  Shot(sheet.Dialog(), "options-4-gorunum");
  SetTicked(page, 1002, true);
  EXPECT_FALSE(Ticked(page, 1001));
  Click(sheet.Dialog(), ui::IDOK);
  EXPECT_EQ(options_->ReadInt(app::oiIcon), 102);
}

TEST_F(OptionsSheetTest, RecordingPageFollowsTheRateAndOpusRulesAndStoresTheDesktopForAnEmptyFolder) {
  options_->WriteInt(app::oiBitrate, 13);
  options_->WriteInt(app::oiFrequency, 7);
  TOptionsSheet sheet(*options_, 0, ui::opRecording);
  GtkWidget* page = sheet.Page(ui::opRecording);
  EXPECT_EQ(Text(page, 1000), (dir_ / "Masaüstü").string());
  EXPECT_EQ(Rows(page, 1009), 8);
  EXPECT_EQ(Rows(page, 1003), 9);
  EXPECT_EQ(Chosen(page, 1009), 4);
  EXPECT_EQ(Chosen(page, 1003), 7);
  EXPECT_EQ(Rows(page, 1004), 14);
  EXPECT_EQ(Chosen(page, 1004), 13);  // the stored bit rate, not the middle one
  EXPECT_TRUE(Ticked(page, 1005));

  Choose(page, 1003, 1);
  EXPECT_EQ(Rows(page, 1004), 8);
  EXPECT_EQ(Chosen(page, 1004), 4);
  gchar* first = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(Control(page, 1004)));
  EXPECT_STREQ(first, "40 Kbps");
  g_free(first);
  Choose(page, 1003, 4);
  EXPECT_EQ(Rows(page, 1004), 14);
  EXPECT_EQ(Chosen(page, 1004), 8);

  Choose(page, 1009, 6);  // OPUS
  EXPECT_EQ(Chosen(page, 1003), 8);
  EXPECT_FALSE(gtk_widget_get_sensitive(Control(page, 1003)));
  EXPECT_EQ(Chosen(page, 1004), 8);
  Choose(page, 1009, 2);
  EXPECT_TRUE(gtk_widget_get_sensitive(Control(page, 1003)));

  SetText(page, 1000, "");
  SetTicked(page, 1006, true);
  SetTicked(page, 1002, false);
  Click(sheet.Dialog(), ui::IDOK);
  EXPECT_EQ(options_->ReadStr(app::osFolder), options_->DesktopFolder());
  EXPECT_FALSE(options_->ReadBool(app::obEncoder));
  EXPECT_FALSE(options_->ReadBool(app::obUseTitle));
  EXPECT_EQ(options_->ReadInt(app::oiFormat), 2);
  EXPECT_EQ(options_->ReadInt(app::oiFrequency), 8);
  EXPECT_EQ(options_->ReadInt(app::oiBitrate), 8);
}

// Every text of the pages as the theme draws it: its colour and opacity.
struct TLabelLook {
  std::string Text;
  bool Sensitive;
  GdkRGBA Color;
  double Opacity;
};

void CollectLabels(GtkWidget* widget, std::vector<TLabelLook>& out) {
  if (GTK_IS_LABEL(widget)) {
    GtkStyleContext* style = gtk_widget_get_style_context(widget);
    TLabelLook look{gtk_label_get_text(GTK_LABEL(widget)), gtk_widget_is_sensitive(widget) != FALSE, {}, 1.0};
    gtk_style_context_get_color(style, gtk_style_context_get_state(style), &look.Color);
    gtk_style_context_get(style, gtk_style_context_get_state(style), "opacity", &look.Opacity, nullptr);
    out.push_back(look);
    return;
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* c = children; c; c = c->next) CollectLabels(GTK_WIDGET(c->data), out);
  g_list_free(children);
}

// The captions of the recording page's fields read like every other text
// of the page: none is drawn dimmed or greyed as if its field could not be
// used.
TEST_F(OptionsSheetTest, RecordingPageCaptionsAreDrawnLikeItsOtherTexts) {
  TOptionsSheet sheet(*options_, 0, ui::opRecording);
  GtkWidget* page = sheet.Page(ui::opRecording);
  std::vector<TLabelLook> labels, references;
  CollectLabels(page, labels);
  // The reference: the caption of a check box.
  CollectLabels(Control(page, 1007), references);
  ASSERT_EQ(references.size(), 1u);
  const TLabelLook& plain = references.front();
  std::vector<std::string> texts;
  for (const auto& label : labels) {
    SCOPED_TRACE(label.Text);
    texts.push_back(label.Text);
    EXPECT_TRUE(label.Sensitive);
    EXPECT_EQ(label.Opacity, plain.Opacity);
    EXPECT_TRUE(gdk_rgba_equal(&label.Color, &plain.Color));
  }
  for (const char* caption : {"Biçim:", "Örnekleme hızı:", "Bit hızı:"})
    EXPECT_NE(std::find(texts.begin(), texts.end(), caption), texts.end()) << caption;
}

TEST_F(OptionsSheetTest, TheFolderChooserStartsAtTheDesktopWhenTheFolderIsGoneAndFillsTheEdit) {
  std::filesystem::create_directories(dir_ / "Masaüstü");
  std::filesystem::create_directories(dir_ / "Kayıtlar");
  TOptionsSheet sheet(*options_, 0, ui::opRecording);
  sheet.Show();
  GtkWidget* page = sheet.Page(ui::opRecording);
  SetText(page, 1000, (dir_ / "silinmiş").string());
  std::string startedAt, title;
  WhenShown(
      [] {
        GList* tops = gtk_window_list_toplevels();
        GtkWidget* chooser = nullptr;
        for (GList* t = tops; t; t = t->next)
          if (GTK_IS_FILE_CHOOSER_DIALOG(t->data)) chooser = GTK_WIDGET(t->data);
        g_list_free(tops);
        return chooser;
      },
      [&](GtkWidget* chooser) {
        title = gtk_window_get_title(GTK_WINDOW(chooser));
        // The chooser reads its folders in the background.
        auto current = [chooser] {
          gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
          std::string text = folder ? folder : "";
          g_free(folder);
          return text;
        };
        testkit::PumpUntil([&] { return !current().empty(); });
        startedAt = current();
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), (dir_ / "Kayıtlar").c_str());
        testkit::PumpUntil([&] { return current() == (dir_ / "Kayıtlar").string(); });
        gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
      });
  Click(page, 1001);
  EXPECT_EQ(title, "Kayıtların saklanacağı klasörü seçin:");
  EXPECT_EQ(startedAt, (dir_ / "Masaüstü").string());
  EXPECT_EQ(Text(page, 1000), (dir_ / "Kayıtlar").string());
}

TEST_F(OptionsSheetTest, AFolderWhoseNameIsNotUtf8IsShownReadableAndKeptByOk) {
  // Windows-1254 "Kayıt Ş".
  const std::u16string folder = enc::FileNameToWide((dir_ / "Kay\xFDt \xDE").string());
  options_->WriteStr(app::osFolder, folder);
  {
    TOptionsSheet sheet(*options_, parent_.Handle(), ui::opRecording);
    GtkWidget* page = sheet.Page(ui::opRecording);
    EXPECT_EQ(Text(page, 1000), (dir_ / "Kayıt Ş").string());
    Click(sheet.Dialog(), ui::IDOK);
  }
  EXPECT_EQ(options_->ReadStr(app::osFolder), folder) << "the folder of the very bytes";
  {
    // A folder typed over it is stored as typed.
    TOptionsSheet sheet(*options_, parent_.Handle(), ui::opRecording);
    SetText(sheet.Page(ui::opRecording), 1000, "/kayıtlar");
    Click(sheet.Dialog(), ui::IDOK);
  }
  EXPECT_EQ(options_->ReadStr(app::osFolder), u"/kayıtlar");
}

TEST_F(OptionsSheetTest, TheFfmpegLogoOpensTheProjectPageWithTheReferrer) {
  options_->WriteStr(app::osFolder, u"/home/kullanici/Müzik/QOR");
  TOptionsSheet sheet(*options_, 0, ui::opRecording);
  Shot(sheet.Dialog(), "options-2-kayit");
  sheet.Show();
  GtkWidget* logo = Control(sheet.Page(ui::opRecording), 1008);
  ASSERT_TRUE(testkit::PumpUntil([&] { return gtk_widget_get_mapped(logo); }));
  GdkCursor* cursor = gdk_window_get_cursor(gtk_widget_get_window(logo));
  EXPECT_NE(cursor, nullptr);  // the hand
  GdkEvent* click = gdk_event_new(GDK_BUTTON_RELEASE);
  click->button.button = 1;
  click->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(logo)));
  gboolean handled = FALSE;
  g_signal_emit_by_name(logo, "button-release-event", click, &handled);
  gdk_event_free(click);
  EXPECT_TRUE(handled);
  EXPECT_EQ(opened_, std::vector<std::string>{"https://ffmpeg.org/?ref=qor"});
}

TEST_F(OptionsSheetTest, StartWithTheSessionWritesAndRemovesTheAutostartEntry) {
  ui::OptionsSheetHooks().SetAutostart = saved_.SetAutostart;
  std::string entry = platform::AutostartFile();
  std::filesystem::remove(entry);
  for (bool on : {true, false}) {
    TOptionsSheet sheet(*options_, 0, ui::opGeneral);
    SetTicked(sheet.Page(ui::opGeneral), 1030, on);
    Click(sheet.Dialog(), ui::IDOK);
    EXPECT_EQ(std::filesystem::exists(entry), on);
    EXPECT_EQ(options_->ReadBool(app::obStartup), on);
  }
}

TEST_F(OptionsSheetTest, ASecondRequestActivatesTheOpenSheet) {
  int second = -1;
  bool reentered = false;
  WhenShown([] { return TOptionsSheet::Current() ? TOptionsSheet::Current()->Dialog() : nullptr; },
            [&](GtkWidget* dialog) {
              second = static_cast<int>(ui::ShowOptionsSheet(*options_, parent_.Handle(), 2));
              reentered = TOptionsSheet::Current() && TOptionsSheet::Current()->Dialog() == dialog;
              // The first sheet is still at its start page.
              EXPECT_FALSE(TOptionsSheet::Current()->Opened(ui::opAdvanced));
              Click(dialog, ui::IDOK);
            });
  core::LRESULT first = ui::ShowOptionsSheet(*options_, parent_.Handle(), ui::opGeneral);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_TRUE(reentered);
  EXPECT_EQ(parent_.Closed, std::vector<core::WPARAM>{3});
  EXPECT_TRUE(hotkeyCalls_.empty());
}

TEST_F(OptionsSheetTest, TheControllerOpensTheSheetThroughItsHookAndASecondRequestOnlyActivatesIt) {
  app::TMainWindowConfig config;
  config.SettingsFolder = enc::Utf8ToUtf16(dir_.Path().string() + "/");
  config.TrayIcon = false;
  config.BackgroundRequests = false;
  config.QuitOnDestroy = false;
  app::TMainWindow controller(*options_, config);
  controller.ShowOptions = [this](core::HWND parent, int page) {
    return ui::ShowOptionsSheet(*options_, parent, page);
  };
  core::HWND handle = controller.Handle();
  core::LRESULT second = -1;
  int startPage = -1;
  WhenShown([] { return TOptionsSheet::Current() ? TOptionsSheet::Current()->Dialog() : nullptr; },
            [&](GtkWidget* dialog) {
              startPage = gtk_notebook_get_current_page(GTK_NOTEBOOK(TOptionsSheet::Current()->Notebook()));
              second = core::SendMessage(handle, app::UM_SHOW_OPTIONS, parent_.Handle(), ui::opGeneral);
              SetText(TOptionsSheet::Current()->Page(ui::opAdvanced), 1006, "4");
              Click(dialog, ui::IDOK);
            });
  core::LRESULT first = core::SendMessage(handle, app::UM_SHOW_OPTIONS, parent_.Handle(), ui::opAdvanced);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  EXPECT_EQ(startPage, ui::opAdvanced);
  EXPECT_EQ(options_->ReadInt(app::oiAttempt), 4);
  EXPECT_EQ(parent_.Closed, std::vector<core::WPARAM>{3});
  controller.Close();
}

TEST_F(OptionsSheetTest, TheSheetIsModalToTheToolkitWindowItOpensOver) {
  widgets::TWindow window;
  window.SetBounds(100, 100, 320, 104);
  window.SetVisible(true);
  TOptionsSheet sheet(*options_, window.Handle(), 0);
  GtkWindow* owner = gtk_window_get_transient_for(GTK_WINDOW(sheet.Dialog()));
  EXPECT_EQ(static_cast<void*>(owner), window.NativeWindow()->NativeHandle());
  EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(sheet.Dialog())));
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(sheet.Dialog())), "Seçenekler");
  const char* titles[] = {"Genel", "Kayıt", "Gelişmiş", "Görünüm"};
  for (int i = 0; i < ui::OptionsPageCount; ++i)
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(sheet.Notebook()), sheet.Page(i)), titles[i]);
}

TEST(HotkeyFieldTest, KeysBecomeHotkeyWordsAndTexts) {
  auto ctrlAlt = static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_MOD1_MASK);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_r, ctrlAlt), 1618);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_BackSpace, static_cast<GdkModifierType>(0)), 0);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_Tab, static_cast<GdkModifierType>(0)), -1);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_Escape, static_cast<GdkModifierType>(0)), -1);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_Control_L, GDK_CONTROL_MASK), -1);
  EXPECT_EQ(ui::HotkeyFromKey(GDK_KEY_F5, GDK_SHIFT_MASK), 0x174);
  EXPECT_EQ(ui::HotkeyText(1618), u"Ctrl+Alt+R");
  EXPECT_EQ(ui::HotkeyText(0x321), u"Ctrl+Shift+Page Up");
  EXPECT_EQ(ui::HotkeyText(0x174), u"Shift+F5");
  EXPECT_EQ(ui::HotkeyText(0x600), u"");
}

}  // namespace
}  // namespace testdialogs
