#include "support/WIniFiles.h"

#include <climits>
#include <stdexcept>

#include "support/Encoding.h"
#include "support/AsciiCase.h"

EIniFileException::EIniFileException(const std::u16string& message)
    : std::runtime_error(enc::Utf16ToUtf8(message)), FMessage(message) {}

namespace wstr {

int StrToIntDef(std::u16string_view text, int def) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return def;
  if (text[i] == u'$') {
    ++i;
    if (i >= text.size()) return def;
    unsigned long long value = 0;
    for (; i < text.size(); ++i) {
      char16_t c = text[i];
      const int digit = ascii::HexValue(c);
      if (digit < 0) return def;
      value = value * 16 + static_cast<unsigned>(digit);
      if (value > 0xFFFFFFFFull) return def;
    }
    // Eight hex digits fill the 32 bits, sign bit included, as "$FFFFFFFF"
    // is -1.
    auto result = static_cast<int>(static_cast<unsigned>(value));
    return negative ? static_cast<int>(0u - static_cast<unsigned>(result)) : result;
  }
  long long value = 0;
  for (; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < u'0' || c > u'9') return def;
    value = value * 10 + (c - u'0');
    if (value > static_cast<long long>(INT_MAX) + 1) return def;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return def;
  return static_cast<int>(value);
}

int IniStrToIntDef(std::u16string_view text, int def) {
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    std::u16string hex = u"$";
    hex += text.substr(2);
    return StrToIntDef(hex, def);
  }
  return StrToIntDef(text, def);
}

std::u16string IntToStr(long long value) {
  std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

std::string FileNameToPath(std::u16string_view fileName) { return enc::WideToFileName(fileName); }

}  // namespace wstr

// ---------------------------------------------------------- TWCustomIniFile

int TWCustomIniFile::ReadInteger(std::u16string_view section, std::u16string_view ident, int def) const {
  std::u16string text = ReadString(section, ident, u"");
  return wstr::IniStrToIntDef(text, def);
}

void TWCustomIniFile::WriteInteger(std::u16string_view section, std::u16string_view ident, int value) {
  WriteString(section, ident, wstr::IntToStr(value));
}

bool TWCustomIniFile::ReadBool(std::u16string_view section, std::u16string_view ident, bool def) const {
  return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TWCustomIniFile::WriteBool(std::u16string_view section, std::u16string_view ident, bool value) {
  WriteString(section, ident, value ? u"1" : u"0");
}

bool TWCustomIniFile::SectionExists(std::u16string_view section) const {
  TWStringList names;
  ReadSection(section, names);
  return names.Count() > 0;
}

bool TWCustomIniFile::ValueExists(std::u16string_view section, std::u16string_view ident) const {
  TWStringList names;
  ReadSection(section, names);
  return names.IndexOf(ident) >= 0;
}

void TWCustomIniFile::RaiseWriteError() const {
  throw EIniFileException(u"Unable to write to " + FFileName);
}

// -------------------------------------------------------------- TWMemIniFile

namespace {

std::u16string Unescape(std::u16string_view line) {
  std::u16string result;
  result.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != u'\\') {
      result += line[i];
      continue;
    }
    if (++i >= line.size()) break;
    switch (line[i]) {
      case u'\\': result += u'\\'; break;
      case u'n': result += u'\n'; break;
      case u'r': result += u'\r'; break;
      case u't': result += u'\t'; break;
      default: break;  // an unknown escape drops both characters
    }
  }
  return result;
}

std::u16string Escape(std::u16string_view line) {
  std::u16string result;
  result.reserve(line.size());
  for (char16_t c : line) {
    switch (c) {
      case u'\\': result += u"\\\\"; break;
      case u'\r': result += u"\\r"; break;
      case u'\n': result += u"\\n"; break;
      case u'\t': result += u"\\t"; break;
      default: result += c;
    }
  }
  return result;
}

}  // namespace

TWMemIniFile::TWMemIniFile(std::u16string fileName) : TWCustomIniFile(std::move(fileName)) {
  if (FileName().empty()) return;
  TWStringList list;
  try {
    list.LoadFromFile(wstr::FileNameToPath(FileName()));
  } catch (const std::exception&) {
    return;  // missing or unreadable: an empty store
  }
  SetStrings(list);
}

TWMemIniFile::~TWMemIniFile() = default;

void TWMemIniFile::Clear() {
  FSections.Clear();
  FOwned.clear();
}

void TWMemIniFile::SetCaseSensitive(bool value) {
  FSections.SetCaseSensitive(value);
  for (auto& section : FOwned) section->SetCaseSensitive(value);
}

TWHashedStringList* TWMemIniFile::AddSection(const std::u16string& section) {
  auto list = std::make_unique<TWHashedStringList>();
  list->SetCaseSensitive(FSections.CaseSensitive());
  TWHashedStringList* raw = list.get();
  FOwned.push_back(std::move(list));
  FSections.AddObject(section, raw);
  return raw;
}

TWHashedStringList* TWMemIniFile::FindSection(std::u16string_view section) const {
  int index = FSections.IndexOf(section);
  return index < 0 ? nullptr : static_cast<TWHashedStringList*>(FSections.GetObject(index));
}

void TWMemIniFile::SetStrings(const TWStrings& list) {
  Clear();
  TWHashedStringList* current = nullptr;
  for (int i = 0; i < list.Count(); ++i) {
    std::u16string line = wstr::WideTrim(list.Get(i));
    if (line.empty() || line[0] == u';') continue;
    if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
      current = AddSection(wstr::WideTrim(std::u16string_view(line).substr(1, line.size() - 2)));
      continue;
    }
    if (!current) continue;
    auto eq = line.find(u'=');
    if (eq != std::u16string::npos) {
      std::u16string name = wstr::WideTrim(std::u16string_view(line).substr(0, eq));
      std::u16string value = wstr::WideTrim(std::u16string_view(line).substr(eq + 1));
      line = name + u"=" + value;
    }
    current->Add(Unescape(line));
  }
}

void TWMemIniFile::GetStrings(TWStrings& list) const {
  list.Clear();
  for (int i = 0; i < FSections.Count(); ++i) {
    list.Add(u"[" + FSections.Get(i) + u"]");
    auto* section = static_cast<TWHashedStringList*>(FSections.GetObject(i));
    for (int j = 0; j < section->Count(); ++j) list.Add(Escape(section->Get(j)));
    list.Add(u"");
  }
}

std::u16string TWMemIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                        std::u16string_view def) const {
  TWHashedStringList* list = FindSection(section);
  if (!list) return std::u16string(def);
  int index = list->IndexOfName(ident);
  if (index < 0) return std::u16string(def);
  return list->ValueFromIndex(index);
}

void TWMemIniFile::WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) {
  TWHashedStringList* list = FindSection(section);
  if (!list) list = AddSection(std::u16string(section));
  std::u16string line(ident);
  line += u'=';
  line += value;
  int index = list->IndexOfName(ident);
  if (index >= 0)
    list->Put(index, line);
  else
    list->Add(line);
}

void TWMemIniFile::ReadSection(std::u16string_view section, TWStrings& names) const {
  names.Clear();
  TWHashedStringList* list = FindSection(section);
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) {
    std::u16string name = list->Names(i);
    if (!name.empty()) names.Add(name);
  }
}

void TWMemIniFile::ReadSections(TWStrings& sections) const {
  sections.Clear();
  for (int i = 0; i < FSections.Count(); ++i) sections.Add(FSections.Get(i));
}

void TWMemIniFile::ReadSectionValues(std::u16string_view section, TWStrings& lines) const {
  lines.Clear();
  TWHashedStringList* list = FindSection(section);
  if (!list) return;
  for (int i = 0; i < list->Count(); ++i) lines.Add(list->Get(i));
}

void TWMemIniFile::EraseSection(std::u16string_view section) {
  int index;
  while ((index = FSections.IndexOf(section)) >= 0) {
    auto* list = static_cast<TWHashedStringList*>(FSections.GetObject(index));
    FSections.Delete(index);
    for (auto it = FOwned.begin(); it != FOwned.end(); ++it) {
      if (it->get() == list) {
        FOwned.erase(it);
        break;
      }
    }
  }
}

void TWMemIniFile::DeleteKey(std::u16string_view section, std::u16string_view ident) {
  TWHashedStringList* list = FindSection(section);
  if (!list) return;
  int index = list->IndexOfName(ident);
  if (index >= 0) list->Delete(index);
}

bool TWMemIniFile::ValueExists(std::u16string_view section, std::u16string_view ident) const {
  TWHashedStringList* list = FindSection(section);
  return list && list->IndexOfName(ident) >= 0;
}

void TWMemIniFile::UpdateFile() {
  TWStringList list;
  GetStrings(list);
  try {
    list.SaveToFile(wstr::FileNameToPath(FileName()));
  } catch (const std::exception&) {
    RaiseWriteError();
  }
}
