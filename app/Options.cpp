#include "app/Options.h"

#include <algorithm>
#include <string_view>

#include "app/IndexedTable.h"
#include "support/Encoding.h"
#include "support/URLUtils.h"

namespace app {

namespace {

constexpr TOptionKey kBoolKeys[obCount] = {
    {u"player", u"startup", 1},       {u"player", u"alwaystop", 0},    {u"player", u"showtaskbar", 1},
    {u"player", u"snaptogrid", 1},    {u"player", u"autoplay", 1},     {u"player", u"mute", 0},
    {u"player", u"mediakeys", 1},     {u"player", u"marquee", 1},      {u"player", u"autohide", 0},
    {u"player", u"hibernate", 0},     {u"player", u"hiberalert", 1},   {u"player", u"checkversion", 1},
    {u"player", u"messenger", 1},     {u"player", u"playnext", 1},     {u"player", u"deletealert", 1},
    {u"playlist", u"visible", 1},
    {u"recorder", u"useplayname", 1}, {u"recorder", u"usetitle", 1},   {u"recorder", u"encoder", 1},
    {u"application", u"firstrun", 1}, {u"application", u"singleinstance", 0},
    {u"application", u"showbanner", 1},
};

constexpr TOptionKey kIntKeys[oiCount] = {
    {u"player", u"volume", 25},      {u"player", u"left", 65535},     {u"player", u"top", 0},
    {u"player", u"playident", 210},  {u"player", u"dataident", 0},    {u"player", u"buffer", 10000},
    {u"player", u"timeout", 15000},  {u"player", u"attempt", 1},
    {u"playlist", u"howmany", 10},
    {u"volume", u"showtime", 200},   {u"volume", u"hidetime", 500},
    {u"recorder", u"format", DefaultFormatIndex}, {u"recorder", u"frequency", DefaultFrequencyIndex},
    {u"recorder", u"bitrate", DefaultBitrateIndex},
    {u"application", u"icon", 101},
};

constexpr std::u16string_view kFolderAddress = u"file://";

constexpr TOptionKey kStrKeys[osCount] = {
    {u"recorder", u"folder", 0},
    {u"application", u"dbversion", 0},
    {u"application", u"banner", 0},
};

constexpr TOptionKey kHotkeyKeys[ohCount] = {
    {u"hotkeys", u"recording", 0x652},
    {u"hotkeys", u"alwaystop", 0x648},
    {u"hotkeys", u"hibernate", 0x64B},
    {u"hotkeys", u"showhide", 0x647},
};

constexpr TOptionKey kNoKey = {u"", u"", 0};

}  // namespace

int HotkeyToRegisterWord(int hotkey) {
  int flags = (hotkey >> 8) & 0xFF;
  int mods = 0;
  if (flags & HOTKEYF_ALT) mods |= MOD_ALT;
  if (flags & HOTKEYF_CONTROL) mods |= MOD_CONTROL;
  if (flags & HOTKEYF_SHIFT) mods |= MOD_SHIFT;
  return (mods << 8) | (hotkey & 0xFF);
}

std::u16string HotkeyModifierText(int hotkey) {
  int flags = (hotkey >> 8) & 0xFF;
  std::u16string text;
  if (flags & HOTKEYF_CONTROL) text += u"Ctrl+";
  if (flags & HOTKEYF_SHIFT) text += u"Shift+";
  if (flags & HOTKEYF_ALT) text += u"Alt+";
  return text;
}

TOptions::TOptions(std::u16string fileName, std::u16string desktopFolder)
    : TWIniFile(std::move(fileName)), FDesktopFolder(std::move(desktopFolder)) {}

const TOptionKey& TOptions::BoolKey(TOptionBool index) {
  auto* key = TableEntry(kBoolKeys, index);
  return key ? *key : kNoKey;
}
const TOptionKey& TOptions::IntKey(TOptionInt index) {
  auto* key = TableEntry(kIntKeys, index);
  return key ? *key : kNoKey;
}
const TOptionKey& TOptions::StrKey(TOptionStr index) {
  auto* key = TableEntry(kStrKeys, index);
  return key ? *key : kNoKey;
}
const TOptionKey& TOptions::HotkeyKey(TOptionHotkey index) {
  auto* key = TableEntry(kHotkeyKeys, index);
  return key ? *key : kNoKey;
}

bool TOptions::ReadBool(TOptionBool index) const {
  auto* key = TableEntry(kBoolKeys, index);
  return key && TWIniFile::ReadBool(key->Section, key->Name, key->Default != 0);
}

void TOptions::WriteBool(TOptionBool index, bool value) {
  if (auto* key = TableEntry(kBoolKeys, index)) TWIniFile::WriteBool(key->Section, key->Name, value);
}

int TOptions::ReadStoredInt(TOptionInt index) const {
  auto* key = TableEntry(kIntKeys, index);
  return key ? ReadInteger(key->Section, key->Name, key->Default) : 0;
}

int TOptions::ReadInt(TOptionInt index) const {
  int value = ReadStoredInt(index);
  switch (index) {
    case oiBitrate: return value < 0 || value > MaxBitrateIndex ? DefaultBitrateIndex : value;
    case oiFrequency: return value < 0 || value > MaxFrequencyIndex ? DefaultFrequencyIndex : value;
    case oiFormat: return value < 0 || value > MaxFormatIndex ? DefaultFormatIndex : value;
    // Hand-edited network values must not make the player wait for ever or
    // hammer a server: 0 or less means the default (as the options dialog
    // stores it), anything else is held to a sane range.
    case oiBuffer: return value <= 0 ? 10000 : std::clamp(value, 1000, 60000);
    case oiTimeout: return value <= 0 ? 15000 : std::clamp(value, 1000, 60000);
    case oiAttempt: return value <= 0 ? 1 : std::min(value, 10);
    case oiVolume: return std::clamp(value, 0, 100);
    default: return value;
  }
}

void TOptions::WriteInt(TOptionInt index, int value) {
  if (auto* key = TableEntry(kIntKeys, index)) WriteInteger(key->Section, key->Name, value);
}

// The recordings folder is a file name: one that is not UTF-8 could not
// keep its bytes in the file's text, and is stored as its file address
// (escaped, see FileAddress) instead. A folder itself is a full path and
// never starts so.
std::u16string TOptions::ReadStr(TOptionStr index) const {
  auto* key = TableEntry(kStrKeys, index);
  if (!key) return {};
  std::u16string value =
      ReadString(key->Section, key->Name, index == osFolder ? std::u16string_view(FDesktopFolder) : u"");
  if (index == osFolder && value.rfind(kFolderAddress, 0) == 0)
    return enc::FileNameToWide(URLDecode(enc::Utf16ToUtf8(value.substr(kFolderAddress.size()))));
  return value;
}

void TOptions::WriteStr(TOptionStr index, std::u16string_view value) {
  auto* key = TableEntry(kStrKeys, index);
  if (!key) return;
  if (index == osFolder) {
    const std::string path = enc::WideToFileName(value);
    if (!enc::IsValidUtf8(path)) return WriteString(key->Section, key->Name, enc::Utf8ToUtf16(FileAddress(path)));
  }
  WriteString(key->Section, key->Name, value);
}

int TOptions::ReadHotkey(TOptionHotkey index) const {
  auto* key = TableEntry(kHotkeyKeys, index);
  return key ? ReadInteger(key->Section, key->Name, key->Default) : 0;
}

void TOptions::WriteHotkey(TOptionHotkey index, int value) {
  if (auto* key = TableEntry(kHotkeyKeys, index)) WriteInteger(key->Section, key->Name, value);
}

void TOptions::RepairRecorderIndexes() {
  if (ReadStoredInt(oiBitrate) > MaxBitrateIndex) WriteInt(oiBitrate, DefaultBitrateIndex);
  if (ReadStoredInt(oiFrequency) > MaxFrequencyIndex) WriteInt(oiFrequency, DefaultFrequencyIndex);
}

}  // namespace app
