#include "app/Help.h"

namespace app {

void PrintHelp(std::ostream& out) {
  out << "Kullanım: qor [seçenekler] [DOSYA-YA-DA-ADRES...]\n"
         "\n"
         "QOR internet radyolarını çalar ve kaydeder. Seçenekler:\n"
         "  -play[=AD]            Açılışta en son seçilen radyoyu çal.\n"
         "  -name=AD              Kaydedilecek radyonun listedeki adı.\n"
         "  -record               Açılışta kayıt yap (radyo -name, süre -duration ile).\n"
         "  -action=İŞ            Kayıt bitince: stop (durdur), close (programı kapat),\n"
         "                        logoff (oturumu kapat), shutdown (bilgisayarı kapat),\n"
         "                        reboot (yeniden başlat).\n"
         "  -duration=sa:dk:sn    Kayıt süresi.\n"
         "  -time=sa:dk:sn        Kaydın başlayacağı saat (verilmezse hemen başlar).\n"
         "  -volume=N             Açılıştaki ses düzeyi (0-100).\n"
         "  -mute                 Sessiz başla.\n"
         "  -quit                 Çalışan bütün QOR pencerelerini kapat ve çık.\n"
         "  -enablelog            Ayar klasöründe qor.log günlük dosyasını aç.\n"
         "  -administrator        Yönetici kipinde başla.\n"
         "  --help                Bu yardımı göster.\n"
         "\n"
         "Bir http(s) adresi, adı adresi olarak hemen çalınır. Bir çalma listesi\n"
         "(.pls, .m3u) ya da ses dosyası favorilere eklenir ve getirdiği ilk radyo\n"
         "çalınır; bir radyo listesi (.rpf, .xml) yalnızca favorilere eklenir. QOR\n"
         "zaten çalışıyorsa (tek örnek seçeneği açıkken) hepsi çalışan QOR'a iletilir.\n"
         "\n"
         "Ayarlar: $XDG_CONFIG_HOME/Kelvarin/QOR/ (yoksa ~/.config/Kelvarin/QOR/).\n";
}

}  // namespace app
