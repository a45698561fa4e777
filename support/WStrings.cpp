#include "support/WStrings.h"

#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "support/WStringsFile.h"

namespace wstr {

namespace {

char16_t UpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;
  gunichar upper = g_unichar_toupper(c);
  // A few characters upper-case outside the basic plane; keep those as is.
  return upper <= 0xFFFF ? static_cast<char16_t>(upper) : c;
}

}  // namespace

std::u16string WideUpperCase(std::u16string_view text) {
  std::u16string result(text);
  for (auto& c : result) c = UpperUnit(c);
  return result;
}

int WideCompareText(std::u16string_view a, std::u16string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = UpperUnit(a[i]);
    char16_t y = UpperUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool WideSameText(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && WideCompareText(a, b) == 0;
}

std::u16string WideTrim(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return std::u16string(text.substr(begin, end - begin));
}

}  // namespace wstr

// ---------------------------------------------------------------- TWStrings

int TWStrings::CompareStrings(std::u16string_view a, std::u16string_view b) const {
  if (CaseSensitive()) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
  return wstr::WideCompareText(a, b);
}

int TWStrings::AddObject(const std::u16string& text, void* object) {
  int index = Count();
  Insert(index, text, object);
  return index;
}

int TWStrings::IndexOf(std::u16string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), text) == 0) return i;
  return -1;
}

int TWStrings::IndexOfName(std::u16string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& line = Get(i);
    auto eq = line.find(u'=');
    if (eq != std::u16string::npos && CompareStrings(std::u16string_view(line).substr(0, eq), name) == 0)
      return i;
  }
  return -1;
}

int TWStrings::IndexOfObject(const void* object) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

std::u16string TWStrings::Names(int index) const {
  const std::u16string& line = Get(index);
  auto eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : line.substr(0, eq);
}

std::u16string TWStrings::ValueFromIndex(int index) const {
  const std::u16string& line = Get(index);
  auto eq = line.find(u'=');
  return eq == std::u16string::npos ? std::u16string() : line.substr(eq + 1);
}

std::u16string TWStrings::Values(std::u16string_view name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::u16string() : ValueFromIndex(index);
}

void TWStrings::SetValue(std::u16string_view name, std::u16string_view value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::u16string line(name);
  line += u'=';
  line += value;
  if (index >= 0)
    Put(index, line);
  else
    Add(line);
}

std::u16string TWStrings::Text() const {
  std::u16string result;
  for (int i = 0; i < Count(); ++i) {
    result += Get(i);
    result += u"\r\n";
  }
  return result;
}

void TWStrings::SetText(std::u16string_view text) {
  Clear();
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      Add(std::u16string(text.substr(start, i - start)));
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      start = i + 1;
    }
    ++i;
  }
  if (start < text.size()) Add(std::u16string(text.substr(start)));
}

std::string TWStrings::SaveToBytes() const {
  std::u16string text = Text();
  std::string bytes;
  bytes.reserve(2 + text.size() * 2);
  bytes += '\xFF';
  bytes += '\xFE';
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

void TWStrings::LoadFromBytes(std::string_view bytes) {
  std::size_t pos = 0;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    pos = 2;
  std::u16string text;
  text.reserve((bytes.size() - pos) / 2);
  for (; pos + 1 < bytes.size(); pos += 2)
    text += static_cast<char16_t>(static_cast<unsigned char>(bytes[pos]) |
                                  (static_cast<unsigned char>(bytes[pos + 1]) << 8));
  SetText(text);
}

void TWStrings::LoadFromFile(const std::string& path) {
  std::string bytes;
  switch (wstr::ReadWholeFile(path, bytes, MaxFileSize)) {
    case wstr::TReadResult::Ok:
      LoadFromBytes(bytes);
      return;
    case wstr::TReadResult::TooLarge:
      throw std::runtime_error("File too large: " + path);
    default:
      throw std::runtime_error("Cannot open file " + path + ": " + std::strerror(errno));
  }
}

void TWStrings::SaveToFile(const std::string& path) const {
  if (!wstr::WriteFileAtomic(path, SaveToBytes()))
    throw std::runtime_error("Cannot create file " + path + ": " + std::strerror(errno));
}

// ------------------------------------------------------------- TWStringList

void TWStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

const std::u16string& TWStringList::Get(int index) const {
  CheckIndex(index);
  return FList[static_cast<std::size_t>(index)].Text;
}

void TWStringList::Put(int index, const std::u16string& text) {
  CheckIndex(index);
  if (FSorted) throw std::logic_error("Operation not allowed on sorted list");
  FList[static_cast<std::size_t>(index)].Text = text;
  Changed();
}

void* TWStringList::GetObject(int index) const {
  CheckIndex(index);
  return FList[static_cast<std::size_t>(index)].Object;
}

void TWStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  FList[static_cast<std::size_t>(index)].Object = object;
}

void TWStringList::Insert(int index, const std::u16string& text, void* object) {
  if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  FList.insert(FList.begin() + index, TItem{text, object});
  Changed();
}

void TWStringList::Delete(int index) {
  CheckIndex(index);
  FList.erase(FList.begin() + index);
  Changed();
}

void TWStringList::Clear() {
  if (FList.empty()) return;
  FList.clear();
  Changed();
}

int TWStringList::AddObject(const std::u16string& text, void* object) {
  if (!FSorted) return TWStrings::AddObject(text, object);
  int index = 0;
  Find(text, index);
  // Equal lines keep their insertion order.
  while (index < Count() && CompareStrings(FList[static_cast<std::size_t>(index)].Text, text) == 0) ++index;
  FList.insert(FList.begin() + index, TItem{text, object});
  Changed();
  return index;
}

int TWStringList::IndexOf(std::u16string_view text) const {
  if (!FSorted) return TWStrings::IndexOf(text);
  int index = 0;
  return Find(text, index) ? index : -1;
}

void TWStringList::SetSorted(bool value) {
  if (value == FSorted) return;
  if (value) Sort();
  FSorted = value;
}

void TWStringList::SetCaseSensitive(bool value) {
  if (value == FCaseSensitive) return;
  FCaseSensitive = value;
  if (FSorted) Sort();
  Changed();
}

void TWStringList::Sort() {
  std::stable_sort(FList.begin(), FList.end(),
                   [this](const TItem& a, const TItem& b) { return CompareStrings(a.Text, b.Text) < 0; });
  Changed();
}

bool TWStringList::Find(std::u16string_view text, int& index) const {
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    int mid = (low + high) / 2;
    int c = CompareStrings(FList[static_cast<std::size_t>(mid)].Text, text);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) found = true;  // keep going left to the first equal line
    }
  }
  index = low;
  return found;
}

// ------------------------------------------------------------- TWStringHash

TWStringHash::TWStringHash(unsigned size) : FBuckets(size == 0 ? 1 : size, nullptr) {}

TWStringHash::~TWStringHash() { Clear(); }

std::uint32_t TWStringHash::HashOf(std::u16string_view key) {
  std::uint32_t h = 0;
  for (char16_t c : key) h = ((h << 2) | (h >> 30)) ^ c;
  return h;
}

void TWStringHash::Add(std::u16string_view key, int value) {
  std::size_t bucket = HashOf(key) % FBuckets.size();
  FBuckets[bucket] = new TItem{FBuckets[bucket], std::u16string(key), value};
}

void TWStringHash::Clear() {
  for (auto& head : FBuckets) {
    while (head) {
      TItem* next = head->Next;
      delete head;
      head = next;
    }
  }
}

TWStringHash::TItem** TWStringHash::Find(std::u16string_view key) const {
  std::size_t bucket = HashOf(key) % FBuckets.size();
  TItem** link = const_cast<TItem**>(&FBuckets[bucket]);
  while (*link) {
    if ((*link)->Key == key) return link;
    link = &(*link)->Next;
  }
  return link;
}

bool TWStringHash::Modify(std::u16string_view key, int value) {
  TItem** link = Find(key);
  if (!*link) return false;
  (*link)->Value = value;
  return true;
}

void TWStringHash::Remove(std::u16string_view key) {
  TItem** link = Find(key);
  if (TItem* item = *link) {
    *link = item->Next;
    delete item;
  }
}

int TWStringHash::ValueOf(std::u16string_view key) const {
  TItem* item = *Find(key);
  return item ? item->Value : -1;
}

// ------------------------------------------------------- TWHashedStringList

void TWHashedStringList::Changed() {
  FValueHashValid = false;
  FNameHashValid = false;
}

std::u16string TWHashedStringList::KeyOf(std::u16string_view text) const {
  return CaseSensitive() ? std::u16string(text) : wstr::WideUpperCase(text);
}

void TWHashedStringList::UpdateValueHash() const {
  if (FValueHashValid) return;
  if (!FValueHash) FValueHash = std::make_unique<TWStringHash>();
  FValueHash->Clear();
  for (int i = 0; i < Count(); ++i) FValueHash->Add(KeyOf(Get(i)), i);
  FValueHashValid = true;
}

void TWHashedStringList::UpdateNameHash() const {
  if (FNameHashValid) return;
  if (!FNameHash) FNameHash = std::make_unique<TWStringHash>();
  FNameHash->Clear();
  for (int i = 0; i < Count(); ++i) {
    const std::u16string& line = Get(i);
    auto eq = line.find(u'=');
    if (eq != std::u16string::npos) FNameHash->Add(KeyOf(std::u16string_view(line).substr(0, eq)), i);
  }
  FNameHashValid = true;
}

int TWHashedStringList::IndexOf(std::u16string_view text) const {
  UpdateValueHash();
  return FValueHash->ValueOf(KeyOf(text));
}

int TWHashedStringList::IndexOfName(std::u16string_view name) const {
  UpdateNameHash();
  return FNameHash->ValueOf(KeyOf(name));
}
