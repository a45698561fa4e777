// One station entry of a list.
#pragma once

#include <cstdint>
#include <string>

namespace qor {

// Cached classification of an entry's address.
enum : int32_t { akUnknown = 0, akNetwork = 1, akLocalFile = 2 };

struct TPlayItem {
  // Decimal station number in the database; a favourite taken from the
  // database keeps it; stations typed in by address have none.
  std::u16string Key;
  // Identity within its list: follows the selected and the playing entry
  // across reordering and reloads.
  int32_t Id = 0;
  std::u16string Name;
  // Name as search compares it (SearchFold.h) and in Turkish capitals;
  // whoever sets Name sets these too.
  std::u16string NameLower;
  std::u16string NameUpper;
  // Station or stream address as bytes (UTF-8, or whatever an old list
  // stored).
  std::string Url;
  int32_t AddressKind = akUnknown;
  bool Ticked = false;

  // Sets Name together with its two folded forms.
  void SetName(std::u16string name);
};

}  // namespace qor
