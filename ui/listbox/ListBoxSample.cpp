#include "ui/listbox/ListBoxSample.h"

#include <string>

#include "ui/listbox/PlayListBoxEx.h"

namespace ui {

namespace {

const char16_t* const kNames[] = {
    u"Anadolu Türkü FM",   u"Boğaziçi Caz",       u"Çukurova Radyo",      u"Deniz Pop",
    u"Ege Klasik",         u"Fırat Halk Müziği",  u"Göksu Akustik",       u"Haliç Rock",
    u"Işıklı Gece Radyosu", u"İzmir Körfez FM",   u"Kapadokya Sufi",      u"Karadeniz Horon",
    u"Lale Devri Fasıl",   u"Marmara Haber",      u"Yerel: akşam kaydı.mp3", u"Nilüfer Nostalji",
    u"Ortaköy Elektronik", u"Pamukkale Türk Sanat", u"Rumeli Balkan",     u"Sakarya Spor",
    u"Şile Sahil FM",      u"Toros Arabesk",      u"Uludağ Kar Radyosu",  u"Van Gölü Ezgileri",
    u"Zeytinlik Çocuk",
};

}  // namespace

void FillListBoxSample(TPlayListBoxEx& box) {
  box.ClearItems();
  int index = 0;
  for (const char16_t* name : kNames) {
    std::string url = index == kSampleLocalFile ? "file:///home/dinleyici/Kay%C4%B1tlar/aksam.mp3"
                                                : "http://127.0.0.1:8000/radyo" + std::to_string(index + 1);
    box.AddItem(qor::MakeItem(std::u16string(), 7000 + index, name, url));
    ++index;
  }
  box.SetTicked(kSampleTicked, true);
  box.SetActiveId(box.Item(kSamplePlaying)->Id);
  // Cleared, the box has no valid top row until it scrolls.
  box.ScrollBy(0);
  box.ScrollBy(-10);
  box.SetItemIndex(kSampleSelected);
}

}  // namespace ui
