#include "lists/PlayList.h"

#include <mutex>
#include <random>

#include "lists/Collation.h"
#include "lists/SearchFold.h"
#include "lists/TurkishCase.h"
#include "support/Encoding.h"
#include "support/AsciiCase.h"

namespace qor {

void TPlayItem::SetName(std::u16string name) {
  NameLower = SearchFold(name);
  NameUpper = TurkishUpperCase(name);
  Name = std::move(name);
}

EListError::EListError(int index)
    : std::out_of_range("List index out of bounds (" + std::to_string(index) + ")"), index_(index) {}

int TIntegerList::Add(int32_t value) {
  items_.push_back(value);
  return Count() - 1;
}

int32_t TIntegerList::Get(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

void TPlayList::Check(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
}

TPlayItem* TPlayList::Item(int index) const {
  Check(index);
  return items_[static_cast<size_t>(index)].get();
}

int TPlayList::Add(std::unique_ptr<TPlayItem> item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TPlayList::Insert(int index, std::unique_ptr<TPlayItem> item) {
  // Inserting at Count appends, as with any list.
  if (index < 0 || index > Count()) throw EListError(index);
  items_.insert(items_.begin() + index, std::move(item));
}

void TPlayList::Delete(int index) {
  Check(index);
  items_.erase(items_.begin() + index);
}

void TPlayList::Put(int index, std::unique_ptr<TPlayItem> item) {
  Check(index);
  items_[static_cast<size_t>(index)] = std::move(item);
}

std::unique_ptr<TPlayItem> TPlayList::Extract(int index) {
  Check(index);
  auto item = std::move(items_[static_cast<size_t>(index)]);
  items_.erase(items_.begin() + index);
  return item;
}

void TPlayList::Exchange(int index1, int index2) {
  Check(index1);
  Check(index2);
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
}

void TPlayList::Clear() { items_.clear(); }

void TPlayList::Pack() {
  std::erase_if(items_, [](const std::unique_ptr<TPlayItem>& item) { return !item; });
}

namespace {

using TSlots = std::vector<std::unique_ptr<TPlayItem>>;

// The classic list quicksort: middle pivot, Hoare partition. The smaller
// part recurses and the larger one loops, so the depth stays logarithmic.
void QuickSort(TSlots& slots, int left, int right, const TPlayList::TCompare& compare) {
  while (left < right) {
    int i = left, j = right;
    const TPlayItem* pivot = slots[static_cast<size_t>((left + right) / 2)].get();
    do {
      while (compare(slots[static_cast<size_t>(i)].get(), pivot) < 0) ++i;
      while (compare(slots[static_cast<size_t>(j)].get(), pivot) > 0) --j;
      if (i <= j) {
        if (i != j) std::swap(slots[static_cast<size_t>(i)], slots[static_cast<size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - left < right - i) {
      if (left < j) QuickSort(slots, left, j, compare);
      left = i;
    } else {
      if (i < right) QuickSort(slots, i, right, compare);
      right = j;
    }
  }
}

}  // namespace

void TPlayList::Sort(const TCompare& compare) {
  if (Count() > 1) QuickSort(items_, 0, Count() - 1, compare);
}

std::u16string TPlayList::Key(int index) const {
  auto* item = Item(index);
  return item ? item->Key : std::u16string();
}

int32_t TPlayList::Id(int index) const {
  auto* item = Item(index);
  return item ? item->Id : 0;
}

std::u16string TPlayList::Name(int index) const {
  auto* item = Item(index);
  return item ? item->Name : std::u16string();
}

std::u16string TPlayList::Url(int index) const {
  auto* item = Item(index);
  return item ? enc::BytesToWide(item->Url) : std::u16string();
}

bool TPlayList::Ticked(int index) const {
  auto* item = Item(index);
  return item && item->Ticked;
}

void TPlayList::SetName(int index, const std::u16string& value) {
  if (auto* item = Item(index)) item->Name = value;
}

void TPlayList::SetNameLower(int index, const std::u16string& value) {
  if (auto* item = Item(index)) item->NameLower = value;
}

void TPlayList::SetNameUpper(int index, const std::u16string& value) {
  if (auto* item = Item(index)) item->NameUpper = value;
}

void TPlayList::SetUrl(int index, const std::u16string& value) {
  if (auto* item = Item(index)) item->Url = enc::Utf16ToUtf8(value);
}

void TPlayList::SetTicked(int index, bool value) {
  if (auto* item = Item(index)) item->Ticked = value;
}

int TPlayList::CompareKeys(std::u16string_view a, std::u16string_view b) const {
  return CompareTextIgnoreCase(a, b);
}

int TPlayList::IndexOfKey(std::u16string_view key) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& item = items_[static_cast<size_t>(i)];
    if (item && CompareKeys(item->Key, key) == 0) return i;
  }
  return -1;
}

int TPlayList::IndexOfId(int32_t id) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& item = items_[static_cast<size_t>(i)];
    if (item && item->Id == id) return i;
  }
  return -1;
}

int SearchByName(const TPlayList& list, std::u16string_view query, TResultList& results) {
  if (query.empty()) return 0;
  std::u16string folded = SearchFold(query);
  results.Clear();
  int found = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const TPlayItem* item = list.Item(i);
    if (item && item->NameLower.find(folded) != std::u16string::npos) {
      results.Add(item->Id);
      ++found;
    }
  }
  return found;
}

TPlayItem* FindByName(const TPlayList& list, std::u16string_view query) {
  if (query.empty()) return nullptr;
  std::u16string folded = SearchFold(query);
  for (int i = 0; i < list.Count(); ++i) {
    TPlayItem* item = list.Item(i);
    if (item && item->NameLower == folded) return item;
  }
  return nullptr;
}

void SortByName(TPlayList& list, bool ascending) {
  list.Sort([ascending](const TPlayItem* a, const TPlayItem* b) {
    // Emptied slots sort first rather than crash.
    if (!a || !b) return ascending ? (a ? 1 : 0) - (b ? 1 : 0) : (b ? 1 : 0) - (a ? 1 : 0);
    int r = CompareNames(a->Name, b->Name);
    return ascending ? r : -r;
  });
}

int32_t IdFromDecimalKey(std::u16string_view key) {
  size_t i = 0;
  bool negative = false;
  if (i < key.size() && (key[i] == u'-' || key[i] == u'+')) negative = key[i++] == u'-';
  if (i == key.size()) return 0;
  int64_t value = 0;
  for (; i < key.size(); ++i) {
    if (key[i] < u'0' || key[i] > u'9') return 0;
    value = value * 10 + (key[i] - u'0');
    if (value > 2147483648LL) return 0;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<int32_t>(value);
}

int32_t IdFromHex(std::u16string_view text) {
  if (text.empty() || text.size() > 8) return 0;
  uint32_t value = 0;
  for (char16_t c : text) {
    const int digit = ascii::HexValue(c);
    if (digit < 0) return 0;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

int32_t NewRandomId() {
  static std::mutex lock;
  static std::mt19937 generator{std::random_device{}()};
  std::lock_guard<std::mutex> guard(lock);
  return std::uniform_int_distribution<int32_t>(0, 2147483646)(generator);
}

std::unique_ptr<TPlayItem> MakeItem(std::u16string key, int32_t id, std::u16string name, std::string url) {
  auto item = std::make_unique<TPlayItem>();
  item->Key = std::move(key);
  item->Id = id;
  item->SetName(std::move(name));
  item->Url = std::move(url);
  return item;
}

}  // namespace qor
