#include "resources/strings/StringTable.h"

#include <unordered_map>

namespace res {

namespace {

const std::unordered_map<int, std::u16string>& Table() {
  static const std::unordered_map<int, std::u16string> table = {
      {100, u"QOR"},
      // The controller's messages.
      {200, u"\"%s\" için yeni sürüm hazır. İndirmek ister misiniz?"},
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
