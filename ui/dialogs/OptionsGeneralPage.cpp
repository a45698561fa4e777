// Pages "Genel" and "Görünüm" of the options sheet.
#include "app/Globals.h"
#include "app/Options.h"
#include "ui/dialogs/OptionsPages.h"

namespace ui {

namespace {

struct TCheckRow {
  int Id;
  app::TOptionBool Option;
  const char* Caption;
};

constexpr TCheckRow GeneralRows[] = {
    {1030, app::obStartup, "Oturum her açıldığında otomatik olarak başlat."},
    {1031, app::obAlwaysTop, "Pencereyi her zaman en üstte tut."},
    {1032, app::obShowTaskbar, "Görev çubuğunda program simgesini göster."},
    {1033, app::obSnapToGrid, "Pencerelerde otomatik hizalamayı etkinleştir."},
    {1034, app::obAutoPlay, "Açılışta en son seçilen radyoyu otomatik olarak yürüt."},
    {1035, app::obMute, "QOR açıldığında hemen sessiz konumuna geçilsin."},
    {1036, app::obMediaKeys, "Multimedia Klavye tuşlarını etkinleştir."},
    {1037, app::obMarquee, "Radyo bilgisinin ekranda kaydırılmasını etkinleştir."},
    {1038, app::obPlaylistVisible, "Açılışta radyo listesi gösterilsin."},
    {1039, app::obAutoHide, "Başlangıçta QOR ekranını otomatik olarak gizle."},
    {1040, app::obHibernate, "QOR açıldığında Kış Uykusu modu hemen devreye girsin."},
    {1041, app::obHiberAlert, "Kış uykusu moduna geçildiğinde uyarı iletisini göster."},
    {1042, app::obCheckVersion, "QOR'nın yeni bir sürümü çıktığında bana haber ver."},
};

class TGeneralPage : public TOptionsPage {
 public:
  explicit TGeneralPage(app::TOptions& options) : FOptions(options) {
    FRoot = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    for (const TCheckRow& row : GeneralRows) {
      GtkWidget* box = gtk_check_button_new_with_label(row.Caption);
      SetId(box, row.Id);
      gtk_box_pack_start(GTK_BOX(FRoot), box, FALSE, FALSE, 0);
    }
    // A portable copy must not start itself from the user's session.
    if (app::PortableBuild) gtk_widget_set_sensitive(FindById(FRoot, 1030), FALSE);
  }

  void Read() override {
    for (const TCheckRow& row : GeneralRows) {
      bool on = row.Option == app::obStartup && app::PortableBuild ? false : FOptions.ReadBool(row.Option);
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(FindById(FRoot, row.Id)), on);
    }
  }

  void Write() override {
    for (const TCheckRow& row : GeneralRows) {
      if (row.Option == app::obStartup && app::PortableBuild) continue;
      bool on = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindById(FRoot, row.Id)));
      FOptions.WriteBool(row.Option, on);
      if (row.Option == app::obStartup && OptionsSheetHooks().SetAutostart)
        OptionsSheetHooks().SetAutostart(on, FOptions.ReadInt(app::oiIcon));
    }
  }

 private:
  app::TOptions& FOptions;
};

constexpr int IconBase = 900;
struct TIconChoice {
  int Icon;
  int NameString;
};
constexpr TIconChoice IconChoices[] = {{101, 401}, {102, 402}};

class TAppearancePage : public TOptionsPage {
 public:
  explicit TAppearancePage(app::TOptions& options) : FOptions(options) {
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    GtkRadioButton* group = nullptr;
    for (const TIconChoice& choice : IconChoices) {
      GtkWidget* button = gtk_radio_button_new_from_widget(group);
      group = GTK_RADIO_BUTTON(button);
      // Push-like: the icon is the button, the radio mark stays away.
      gtk_toggle_button_set_mode(GTK_TOGGLE_BUTTON(button), FALSE);
      SetId(button, choice.Icon + IconBase);
      GtkWidget* face = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
      GdkPixbuf* icon = LoadResourcePixbuf(QOR_SKIN_RESOURCE_BASE "/icons/" + std::to_string(choice.Icon) + "-48.png");
      GtkWidget* image = icon ? gtk_image_new_from_pixbuf(icon) : gtk_image_new();
      if (icon) g_object_unref(icon);
      gtk_widget_set_size_request(image, 48, 48);
      gtk_box_pack_start(GTK_BOX(face), image, FALSE, FALSE, 0);
      gtk_box_pack_start(GTK_BOX(face), gtk_label_new(Str(choice.NameString).c_str()), FALSE, FALSE, 0);
      gtk_container_set_border_width(GTK_CONTAINER(face), 6);
      gtk_container_add(GTK_CONTAINER(button), face);
      gtk_box_pack_start(GTK_BOX(row), button, FALSE, FALSE, 0);
    }
    FRoot = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_pack_start(GTK_BOX(FRoot), NewGroup("Program simgesi", row), FALSE, FALSE, 0);
  }

  void Read() override {
    int icon = FOptions.ReadInt(app::oiIcon);
    GtkWidget* button = FindById(FRoot, icon + IconBase);
    if (!button) button = FindById(FRoot, IconChoices[0].Icon + IconBase);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), TRUE);
  }

  void Write() override {
    for (const TIconChoice& choice : IconChoices)
      if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(FindById(FRoot, choice.Icon + IconBase))))
        FOptions.WriteInt(app::oiIcon, choice.Icon);
  }

 private:
  app::TOptions& FOptions;
};

}  // namespace

std::unique_ptr<TOptionsPage> NewGeneralPage(app::TOptions& options) { return std::make_unique<TGeneralPage>(options); }
std::unique_ptr<TOptionsPage> NewAppearancePage(app::TOptions& options) {
  return std::make_unique<TAppearancePage>(options);
}

}  // namespace ui
