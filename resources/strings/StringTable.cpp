#include "resources/strings/StringTable.h"

#include <unordered_map>

namespace res {

namespace {

const std::unordered_map<int, std::u16string>& Table() {
  static const std::unordered_map<int, std::u16string> table = {
      {100, u"QOR"},
      // The browser frame and its toolbar.
      {110, u"Hakkında"},
      {112, u"Açılıyor..."},
      {113, u"Yükleniyor (%%%d)..."},
      {150, u"Geri"},
      {151, u"İleri"},
      {152, u"Durdur"},
      {153, u"Yenile"},
      {154, u"Anasayfa"},
      {155, u"Radyo Ekle"},
      // The controller's messages.
      {200, u"\"%s\" için yeni sürüm hazır. İndirmek ister misiniz?"},
      // The station-database downloads of the player window.
      {201, u"Veritabanı indiriliyor..."},
      {202, u"Yerel veritabanı güncelleniyor..."},
      {203, u"Veritabanı güncellendi."},
      {400, u"Bağlantı kurulamadı."},
      // The folder chooser of the recording options.
      {157, u"Kayıtların saklanacağı klasörü seçin:"},
      // The station dialog's add forms.
      {346, u"URL Adresinden Ekle"},
      {347, u"Radyo URL:"},
      {348, u"Youtube URL Ekle"},
      {349, u"Youtube URL:"},
      // End actions of the scheduled recording and its countdown.
      {350, u"Çalışmaya devam et"},
      {351, u"Radyoyu durdur"},
      {352, u"Programı kapat"},
      {353, u"Bilgisayarı kapat"},
      {354, u"Bilgisayarı yeniden başlat"},
      {355, u"Bilgisayar oturumunu kapat"},
      {356, u"Kalan Süre: %d sn."},
      // The player window: hints, states and messages.
      {156, u"Kapat"},
      {158, u"Simge Durumuna Küçült"},
      {303, u"Duraksatıldı"},
      {304, u"Bağlanılıyor..."},
      {305, u"Önbelleğe alınıyor"},
      {306, u"Ses"},
      {307, u"Yürüt"},
      {308, u"Durdur"},
      {310, u"Radyodan Kaydet"},
      {311, u"Ses"},
      {312, u"Radyo Listesi"},
      {313, u"Ekle..."},
      {316, u"Seçenekler"},
      {317, u"Dosyaya Kaydet"},
      {318, u"İptal"},
      {319, u"Süre"},
      {320, u"Dosya Boyutu"},
      {324, u"Kapat"},
      {325, u"Kaydediliyor..."},
      {326, u"Dosya konumunu aç"},
      {327, u"Yürüt"},
      {328, u"FFMPEG.EXE Hatası: Kayıt işlemi sırasında beklenmeyen bir durum oluştu."},
      {329, u"Şu anda radyodan kayıt yapılıyor. Bu işlem için ilk önce kaydı durdurmalısınız."},
      {332, u"Önceki"},
      {333, u"Sonraki"},
      {334, u"Radyo Ara"},
      {335, u"Yeniden Boyutlandır"},
      {338, u"Radyo Listesi..."},
      {345, u"Zamanlanmış Kayıt"},
      {358, u"Duraksat"},
      {359, u"Sürdür"},
      {361, u"Facebook ile Paylaş"},
      {362, u"Twitter ile Paylaş"},
      {363, u"Google+ ile Paylaş"},
      {366, u"Favorilerim"},
      {367, u"Tüm Radyolar"},
      {368, u"Reklam Panelini Kapat"},
      // End actions that the system refused.
      {720, u"Bilgisayar kapatılamadı: %s"},
      {721, u"Bilgisayar yeniden başlatılamadı: %s"},
      {722, u"Oturum kapatılamadı: %s"},
      // The commands of the player window.
      {339, u"QOR Radyo Listesi (*.rpf)|*.rpf|XML Dosyası (*.xml)|*.xml"},
      {340, u"Tüm listeyi silmek istediğinize emin misiniz?"},
      {341, u"Yükleniyor..."},
      {342, u"&Radyodan Kaydet"},
      {343, u"Kış &Uykusu"},
      {344, u"&Göster/Gizle"},
      {357, u"&Her Zaman Üstte"},
      {364, u"QOR ile ’%s’ dinliyorum."},
      {365, u"QOR ile ’%s’ dinliyorum ve şimdi ’%s’ çalıyor."},
      // Program icons.
      {401, u"Android"},
      {402, u"Klasik"},
      // The options dialog and its pages.
      {500, u"Seçenekler"},
      {501, u"Genel"},
      {502, u"Kayıt"},
      {503, u"Gelişmiş"},
      {504, u"Görünüm"},
  };
  return table;
}

}  // namespace

const std::u16string& LoadStr(int id) {
  static const std::u16string empty;
  auto it = Table().find(id);
  return it == Table().end() ? empty : it->second;
}

bool HasStr(int id) { return Table().count(id) != 0; }

}  // namespace res
