// TWIniFile: our own reader and writer with private-profile semantics.

#include <optional>

#include "support/Encoding.h"
#include "support/WIniFiles.h"
#include "support/WStringsFile.h"

struct TWIniFile::TProfile {
  std::vector<std::u16string> Lines;
  bool Utf16 = false;    // the file started with FF FE
  bool Utf8Bom = false;  // the file started with EF BB BF
};

namespace {

// "[name]" with optional blanks around; text after "]" is ignored.
std::optional<std::u16string> SectionOf(std::u16string_view line) {
  std::u16string trimmed = wstr::WideTrim(line);
  if (trimmed.empty() || trimmed[0] != u'[') return std::nullopt;
  auto close = trimmed.find(u']');
  if (close == std::u16string::npos) return std::nullopt;
  return wstr::WideTrim(std::u16string_view(trimmed).substr(1, close - 1));
}

bool IsComment(std::u16string_view line) {
  std::u16string trimmed = wstr::WideTrim(line);
  return !trimmed.empty() && trimmed[0] == u';';
}

// Name and raw value of a "name=value" line.
bool KeyOf(std::u16string_view line, std::u16string& name, std::u16string& value) {
  if (IsComment(line)) return false;
  auto eq = line.find(u'=');
  if (eq == std::u16string_view::npos) return false;
  name = wstr::WideTrim(line.substr(0, eq));
  value = std::u16string(line.substr(eq + 1));
  return true;
}

std::u16string CleanValue(std::u16string_view raw) {
  std::u16string value = wstr::WideTrim(raw);
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  if (value.size() > TWIniFile::MaxValueLength) value.resize(TWIniFile::MaxValueLength);
  return value;
}

// Visits the lines of every section with this name: f(index) for each line
// after its header up to the next header.
template <typename F>
void ForEachLineIn(const std::vector<std::u16string>& lines, std::u16string_view section, F f) {
  std::u16string wanted = wstr::WideTrim(section);
  bool inside = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionOf(lines[i])) {
      inside = wstr::WideSameText(*name, wanted);
      continue;
    }
    if (inside) f(i);
  }
}

// Index of the line that holds this name (the last one), or -1.
long FindKey(const std::vector<std::u16string>& lines, std::u16string_view section, std::u16string_view ident) {
  std::u16string wanted = wstr::WideTrim(ident);
  long found = -1;
  ForEachLineIn(lines, section, [&](std::size_t i) {
    std::u16string name, value;
    if (KeyOf(lines[i], name, value) && wstr::WideSameText(name, wanted)) found = static_cast<long>(i);
  });
  return found;
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

bool TWIniFile::Load(TProfile& profile) const {
  std::string bytes;
  auto result = wstr::ReadWholeFile(wstr::FileNameToPath(FileName()), bytes, MaxFileSize);
  if (result == wstr::TReadResult::Missing) return true;
  if (result != wstr::TReadResult::Ok) return false;
  TWStringList list;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    profile.Utf16 = true;
    list.LoadFromBytes(bytes);
  } else {
    std::string_view body(bytes);
    if (body.size() >= 3 && body.substr(0, 3) == "\xEF\xBB\xBF") {
      profile.Utf8Bom = true;
      body.remove_prefix(3);
    }
    list.SetText(enc::BytesToWide(body));
  }
  profile.Lines.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) profile.Lines.push_back(list.Get(i));
  return true;
}

void TWIniFile::Save(const TProfile& profile) {
  std::string bytes;
  if (profile.Utf16) {
    TWStringList list;
    for (const auto& line : profile.Lines) list.Add(line);
    bytes = list.SaveToBytes();
  } else {
    if (profile.Utf8Bom) bytes = "\xEF\xBB\xBF";
    for (const auto& line : profile.Lines) {
      bytes += enc::Utf16ToUtf8(line);
      bytes += '\n';
    }
  }
  if (!wstr::WriteFileAtomic(wstr::FileNameToPath(FileName()), bytes)) RaiseWriteError();
}

std::u16string TWIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                     std::u16string_view def) const {
  TProfile profile;
  if (!Load(profile)) return std::u16string(def);
  long index = FindKey(profile.Lines, section, ident);
  if (index < 0) return std::u16string(def);
  std::u16string name, value;
  KeyOf(profile.Lines[static_cast<std::size_t>(index)], name, value);
  return CleanValue(value);
}

void TWIniFile::WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) {
  std::u16string trimmedSection = wstr::WideTrim(section);
  std::u16string trimmedIdent = wstr::WideTrim(ident);
  // Names that the file cannot hold would turn into other sections or keys.
  if (trimmedSection.empty() || trimmedIdent.empty() || HasLineBreak(section) || HasLineBreak(ident) ||
      section.find(u']') != std::u16string_view::npos || ident.find(u'=') != std::u16string_view::npos ||
      trimmedIdent[0] == u'[' || trimmedIdent[0] == u';')
    RaiseWriteError();
  std::u16string line = trimmedIdent + u"=";
  for (char16_t c : value) line += (c == u'\r' || c == u'\n') ? u' ' : c;

  TProfile profile;
  if (!Load(profile)) RaiseWriteError();  // never replace a file we could not read
  auto& lines = profile.Lines;
  long index = FindKey(lines, section, ident);
  if (index >= 0) {
    lines[static_cast<std::size_t>(index)] = line;
  } else {
    // Append to the first section of that name, after its last non-blank
    // line; or start the section at the end of the file.
    long header = -1;
    for (std::size_t i = 0; i < lines.size() && header < 0; ++i)
      if (auto name = SectionOf(lines[i]); name && wstr::WideSameText(*name, trimmedSection))
        header = static_cast<long>(i);
    if (header >= 0) {
      std::size_t insertAt = static_cast<std::size_t>(header) + 1;
      for (std::size_t i = insertAt; i < lines.size() && !SectionOf(lines[i]); ++i)
        if (!wstr::WideTrim(lines[i]).empty()) insertAt = i + 1;
      lines.insert(lines.begin() + static_cast<long>(insertAt), line);
    } else {
      if (!lines.empty() && !wstr::WideTrim(lines.back()).empty()) lines.emplace_back();
      lines.push_back(u"[" + trimmedSection + u"]");
      lines.push_back(line);
    }
  }
  Save(profile);
}

void TWIniFile::ReadSection(std::u16string_view section, TWStrings& names) const {
  names.Clear();
  TProfile profile;
  if (!Load(profile)) return;
  std::size_t used = 0;
  ForEachLineIn(profile.Lines, section, [&](std::size_t i) {
    std::u16string name, value;
    if (!KeyOf(profile.Lines[i], name, value) || name.empty() || names.IndexOf(name) >= 0) return;
    // The names must fit the list buffer together with their terminating
    // zeros and the final one.
    if (used + name.size() + 1 > MaxListLength - 1) return;
    used += name.size() + 1;
    names.Add(name);
  });
}

void TWIniFile::ReadSections(TWStrings& sections) const {
  sections.Clear();
  TProfile profile;
  if (!Load(profile)) return;
  std::size_t used = 0;
  for (const auto& line : profile.Lines) {
    auto name = SectionOf(line);
    if (!name || sections.IndexOf(*name) >= 0) continue;
    if (used + name->size() + 1 > MaxListLength - 1) break;
    used += name->size() + 1;
    sections.Add(*name);
  }
}

void TWIniFile::ReadSectionValues(std::u16string_view section, TWStrings& lines) const {
  lines.Clear();
  TWStringList names;
  ReadSection(section, names);
  for (int i = 0; i < names.Count(); ++i)
    lines.Add(names.Get(i) + u"=" + ReadString(section, names.Get(i), u""));
}

void TWIniFile::EraseSection(std::u16string_view section) {
  TProfile profile;
  if (!Load(profile)) RaiseWriteError();
  std::vector<std::u16string> kept;
  bool inside = false;
  bool changed = false;
  std::u16string wanted = wstr::WideTrim(section);
  for (auto& line : profile.Lines) {
    if (auto name = SectionOf(line)) inside = wstr::WideSameText(*name, wanted);
    if (inside)
      changed = true;
    else
      kept.push_back(std::move(line));
  }
  if (!changed) return;
  profile.Lines = std::move(kept);
  Save(profile);
}

void TWIniFile::DeleteKey(std::u16string_view section, std::u16string_view ident) {
  TProfile profile;
  if (!Load(profile)) RaiseWriteError();
  std::vector<bool> drop(profile.Lines.size(), false);
  bool changed = false;
  std::u16string wanted = wstr::WideTrim(ident);
  ForEachLineIn(profile.Lines, section, [&](std::size_t i) {
    std::u16string name, value;
    if (KeyOf(profile.Lines[i], name, value) && wstr::WideSameText(name, wanted)) drop[i] = changed = true;
  });
  if (!changed) return;
  std::vector<std::u16string> kept;
  for (std::size_t i = 0; i < profile.Lines.size(); ++i)
    if (!drop[i]) kept.push_back(std::move(profile.Lines[i]));
  profile.Lines = std::move(kept);
  Save(profile);
}

void TWIniFile::UpdateFile() {
  std::string bytes;
  auto result = wstr::ReadWholeFile(wstr::FileNameToPath(FileName()), bytes, 0);
  if (result == wstr::TReadResult::Missing) Save(TProfile{});
}
