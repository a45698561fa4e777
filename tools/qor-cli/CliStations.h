// Finding a station for qor-cli in the user's two lists: the favourites
// ("playlist.rpf") and the station database ("broadcast.rpf").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lists/PlayList.h"

namespace cli {

struct TStationHit {
  std::u16string Name;
  std::string Url;
  bool Favourite = false;
};

class TStationLists {
 public:
  // settingsFolder ends with "/"; missing or damaged files give empty lists.
  explicit TStationLists(const std::string& settingsFolder);

  // Favourites, then the database: an exact name first, then a fragment
  // of the name (Turkish case folding). An address is taken as it is.
  bool Find(const std::string& nameOrAddress, TStationHit& hit) const;
  // Every entry of both lists whose name contains the text.
  std::vector<TStationHit> Search(const std::string& text) const;

  int FavouriteCount() const { return FFavourites.Count(); }
  int DatabaseCount() const { return FDatabase.Count(); }

 private:
  TStationHit Hit(const qor::TPlayItem& item, bool favourite) const;

  qor::TPlayList FFavourites;
  qor::TPlayList FDatabase;
};

bool LooksLikeAddress(const std::string& text);

}  // namespace cli
