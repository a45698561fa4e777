// The owning list of station entries, the search result list and the rules
// for lookup, search and sorting by name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "lists/PlayItem.h"

namespace qor {

// Raised by indexed access outside the list; only a programming fault
// reaches it, because callers check their indices.
class EListError : public std::out_of_range {
 public:
  explicit EListError(int index);
  int Index() const { return index_; }

 private:
  int index_;
};

class TIntegerList {
 public:
  virtual ~TIntegerList() = default;
  int Add(int32_t value);
  int32_t Get(int index) const;
  int32_t operator[](int index) const { return Get(index); }
  int Count() const { return static_cast<int>(items_.size()); }
  void Clear() { items_.clear(); }
  const std::vector<int32_t>& Values() const { return items_; }

 private:
  std::vector<int32_t> items_;
};

// Ids of the entries that matched the current search, in list order.
class TResultList : public TIntegerList {};

class TPlayList {
 public:
  using TCompare = std::function<int(const TPlayItem*, const TPlayItem*)>;

  TPlayList() = default;
  virtual ~TPlayList() = default;
  TPlayList(const TPlayList&) = delete;
  TPlayList& operator=(const TPlayList&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  // The entry in a slot; null for a slot that was emptied.
  TPlayItem* Item(int index) const;
  int Add(std::unique_ptr<TPlayItem> item);
  void Insert(int index, std::unique_ptr<TPlayItem> item);
  void Delete(int index);
  // Replaces the entry of a slot (freeing the old one); null empties it.
  void Put(int index, std::unique_ptr<TPlayItem> item);
  // Takes an entry out of the list without freeing it.
  std::unique_ptr<TPlayItem> Extract(int index);
  void Exchange(int index1, int index2);
  void Clear();
  // Removes emptied slots.
  void Pack();
  // Quicksort with the middle element as pivot; not stable.
  void Sort(const TCompare& compare);

  std::u16string Key(int index) const;
  int32_t Id(int index) const;
  std::u16string Name(int index) const;
  std::u16string Url(int index) const;
  bool Ticked(int index) const;

  void SetName(int index, const std::u16string& value);
  void SetNameLower(int index, const std::u16string& value);
  void SetNameUpper(int index, const std::u16string& value);
  void SetUrl(int index, const std::u16string& value);
  void SetTicked(int index, bool value);

  // Keys compare without regard to case by the user's collation.
  virtual int CompareKeys(std::u16string_view a, std::u16string_view b) const;
  int IndexOfKey(std::u16string_view key) const;
  int IndexOfId(int32_t id) const;

 private:
  void Check(int index) const;
  std::vector<std::unique_ptr<TPlayItem>> items_;
};

// Search by name fragment: fills results with the ids of the matching
// entries and returns their number; an empty query changes nothing and
// returns 0.
int SearchByName(const TPlayList& list, std::u16string_view query, TResultList& results);
// The first entry whose folded name equals the folded query; null when none
// or the query is empty.
TPlayItem* FindByName(const TPlayList& list, std::u16string_view query);
// Sorts by Name with the user's case-sensitive collation.
void SortByName(TPlayList& list, bool ascending);

// Id rules of the two stored lists and of new entries.
int32_t IdFromDecimalKey(std::u16string_view key);  // 0 when not a valid integer
int32_t IdFromHex(std::u16string_view text);        // 0 when missing or invalid
int32_t NewRandomId();                             // 0 ... 2147483646

// A new entry with its folded names computed from name.
std::unique_ptr<TPlayItem> MakeItem(std::u16string key, int32_t id, std::u16string name, std::string url);

}  // namespace qor
