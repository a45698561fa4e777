#include "CliStations.h"

#include "lists/ListIO.h"
#include "lists/SearchFold.h"
#include "support/Encoding.h"

namespace cli {

bool LooksLikeAddress(const std::string& text) { return text.find("://") != std::string::npos; }

TStationLists::TStationLists(const std::string& settingsFolder) {
  qor::LoadFavourites(FFavourites, settingsFolder + "playlist.rpf");
  qor::LoadDatabase(FDatabase, settingsFolder + "broadcast.rpf");
}

TStationHit TStationLists::Hit(const qor::TPlayItem& item, bool favourite) const {
  TStationHit hit{item.Name, item.Url, favourite};
  // A favourite taken from the database plays the database's address,
  // which stays current when the database is updated.
  if (favourite && !item.Key.empty()) {
    int index = FDatabase.IndexOfKey(item.Key);
    if (index >= 0 && !FDatabase.Item(index)->Url.empty()) hit.Url = FDatabase.Item(index)->Url;
  }
  return hit;
}

bool TStationLists::Find(const std::string& nameOrAddress, TStationHit& hit) const {
  if (LooksLikeAddress(nameOrAddress)) {
    hit = TStationHit{enc::Utf8ToUtf16(nameOrAddress), nameOrAddress, false};
    return true;
  }
  std::u16string name = enc::Utf8ToUtf16(nameOrAddress);
  const qor::TPlayList* lists[2] = {&FFavourites, &FDatabase};
  for (int l = 0; l < 2; ++l)
    for (int i = 0; i < lists[l]->Count(); ++i)
      if (lists[l]->Item(i)->Name == name) {
        hit = Hit(*lists[l]->Item(i), l == 0);
        return true;
      }
  std::u16string folded = qor::SearchFold(name);
  for (int l = 0; l < 2; ++l)
    for (int i = 0; i < lists[l]->Count(); ++i)
      if (lists[l]->Item(i)->NameLower.find(folded) != std::u16string::npos) {
        hit = Hit(*lists[l]->Item(i), l == 0);
        return true;
      }
  return false;
}

std::vector<TStationHit> TStationLists::Search(const std::string& text) const {
  std::vector<TStationHit> out;
  std::u16string folded = qor::SearchFold(enc::Utf8ToUtf16(text));
  const qor::TPlayList* lists[2] = {&FFavourites, &FDatabase};
  for (int l = 0; l < 2; ++l)
    for (int i = 0; i < lists[l]->Count(); ++i)
      if (lists[l]->Item(i)->NameLower.find(folded) != std::u16string::npos)
        out.push_back(Hit(*lists[l]->Item(i), l == 0));
  return out;
}

}  // namespace cli
