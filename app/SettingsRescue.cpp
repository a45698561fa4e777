#include "app/SettingsRescue.h"

#include <string>

#include "support/WIniFiles.h"
#include "support/WStringsFile.h"

namespace app {

namespace {

// What editors leave in text files besides printable characters: tab, line
// feed, vertical tab, form feed, carriage return and DOS's end-of-file mark.
bool IsTextControl(unsigned c) { return c == 9 || c == 10 || c == 11 || c == 12 || c == 13 || c == 26; }

bool Utf16IsDamaged(std::string_view body) {
  if (body.size() % 2 != 0) return true;
  bool highPending = false;
  for (std::size_t i = 0; i < body.size(); i += 2) {
    unsigned unit = static_cast<unsigned char>(body[i]) | (static_cast<unsigned char>(body[i + 1]) << 8);
    bool high = unit >= 0xD800 && unit <= 0xDBFF;
    bool low = unit >= 0xDC00 && unit <= 0xDFFF;
    if (highPending != low) return true;  // a surrogate without its partner
    highPending = high;
    if (unit < 0x20 && !IsTextControl(unit)) return true;
  }
  return highPending;
}

}  // namespace

bool SettingsTextIsDamaged(std::string_view bytes, TSettingsText kind) {
  if (bytes.empty()) return false;
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return Utf16IsDamaged(bytes.substr(2));
  if (kind == TSettingsText::Utf16) return true;
  for (char c : bytes)
    if (static_cast<unsigned char>(c) < 0x20 && !IsTextControl(static_cast<unsigned char>(c))) return true;
  return false;
}

std::optional<qor::TFileRescue> RescueDamagedSettings(const std::filesystem::path& path, TSettingsText kind,
                                                      std::time_t now) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::string bytes;
  switch (wstr::ReadWholeFile(path.string(), bytes, TWIniFile::MaxFileSize)) {
    case wstr::TReadResult::Ok:
      if (!SettingsTextIsDamaged(bytes, kind)) return std::nullopt;
      break;
    case wstr::TReadResult::TooLarge: break;
    // A file we may not read is one we may not replace either: the INI
    // store refuses to write over it, so it stays.
    default: return std::nullopt;
  }
  return qor::MoveAside(path, now);
}

}  // namespace app
