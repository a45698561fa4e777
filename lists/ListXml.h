// The XML vocabulary of station lists: a root element with one empty `r`
// element per station, attributes d (key), i (hex id), n (name), l (address).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

class TPlayList;

struct TListRecord {
  std::u16string Key;   // d
  std::u16string Id;    // i, as text
  std::u16string Name;  // n
  std::string Url;      // l: UTF-8, or the form-decoded bytes of a data root
};

enum class TXmlResult { Ok, NotXml, WrongRoot, NoRecords, TooLarge };

// Escapes & < > " ' and stops at the first NUL. Characters that XML 1.0
// cannot carry at all (control characters, lone surrogates) are dropped so
// that a written list can always be read back.
std::u16string XmlEscape(std::u16string_view text);

// The document as the writers produce it; ids are written when withIds.
std::string BuildListDocument(const TPlayList& list, bool withIds);

// Parses a document held in memory (always UTF-8, or Windows-1254 when the
// bytes are not valid UTF-8): records of a playlist root, else of a data
// root when allowDataRoot.
TXmlResult ParseListText(std::string_view text, bool allowDataRoot, std::vector<TListRecord>& records);
// Parses a file honouring its encoding declaration; playlist root only.
TXmlResult ParseListXmlFile(const std::filesystem::path& path, std::vector<TListRecord>& records);
// True when the file parses and has a playlist root with at least one r.
bool IsXmlPlaylistFile(const std::filesystem::path& path);

// "%hh" is a byte, "%%" a "%", "+" a space; a broken escape ends the value.
std::string FormDecode(std::string_view text);

}  // namespace qor
