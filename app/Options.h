// The options store: typed accessors over "options.ini", each selecting its
// section, key and default by an index, so that no caller spells a key.
// Nothing is cached: every call reads or writes the file.
#pragma once

#include <string>

#include "support/WIniFiles.h"

namespace app {

// The order of every family is the contract with the callers; the section
// and key names are the contract with the file.
enum TOptionBool : int {
  obStartup, obAlwaysTop, obShowTaskbar, obSnapToGrid, obAutoPlay, obMute, obMediaKeys, obMarquee,
  obAutoHide, obHibernate, obHiberAlert, obCheckVersion, obMessenger, obPlayNext, obDeleteAlert,
  obPlaylistVisible,
  obUsePlayName, obUseTitle, obEncoder,
  obFirstRun, obSingleInstance, obShowBanner,
  obCount
};

enum TOptionInt : int {
  oiVolume, oiLeft, oiTop, oiPlayIdent, oiDataIdent, oiBuffer, oiTimeout, oiAttempt,
  oiHowMany,
  oiShowTime, oiHideTime,
  oiFormat, oiFrequency, oiBitrate,
  oiIcon,
  oiCount
};

enum TOptionStr : int { osFolder, osDbVersion, osBanner, osCount };

enum TOptionHotkey : int { ohRecording, ohAlwaysTop, ohHibernate, ohShowHide, ohCount };

// Valid ranges of the recorder's table indexes and what stands in for a
// stored value outside them.
inline constexpr int MaxBitrateIndex = 14;
inline constexpr int DefaultBitrateIndex = 8;
inline constexpr int MaxFrequencyIndex = 9;
inline constexpr int DefaultFrequencyIndex = 7;
inline constexpr int MaxFormatIndex = 7;
inline constexpr int DefaultFormatIndex = 4;

// Hotkey words: low byte the virtual-key code, high byte these flags.
inline constexpr int HOTKEYF_SHIFT = 1;
inline constexpr int HOTKEYF_CONTROL = 2;
inline constexpr int HOTKEYF_ALT = 4;
inline constexpr int HOTKEYF_EXT = 8;

// RegisterHotKey's modifier layout.
inline constexpr int MOD_ALT = 1;
inline constexpr int MOD_CONTROL = 2;
inline constexpr int MOD_SHIFT = 4;

// The hotkey word with its modifiers rearranged into the MOD_ layout in the
// high byte; the virtual-key code stays in the low byte.
int HotkeyToRegisterWord(int hotkey);
// "Ctrl+", "Shift+" and "Alt+", each when its flag is set, in this order;
// the key's own name follows it in menus.
std::u16string HotkeyModifierText(int hotkey);

struct TOptionKey {
  const char16_t* Section;
  const char16_t* Name;
  int Default;  // integers, booleans (0/1) and hotkeys
};

class TOptions : public TWIniFile {
 public:
  // desktopFolder is the default of the recordings folder.
  TOptions(std::u16string fileName, std::u16string desktopFolder);

  // An index outside its family reads as false, 0 or empty and writes
  // nothing. Writes raise EIniFileException when the file cannot be
  // written.
  bool ReadBool(TOptionBool index) const;
  void WriteBool(TOptionBool index, bool value);
  // The recorder's format, frequency and bitrate indexes are kept inside
  // their valid ranges.
  int ReadInt(TOptionInt index) const;
  void WriteInt(TOptionInt index, int value);
  std::u16string ReadStr(TOptionStr index) const;
  void WriteStr(TOptionStr index, std::u16string_view value);
  int ReadHotkey(TOptionHotkey index) const;
  void WriteHotkey(TOptionHotkey index, int value);

  // The stored integer as it is, without the range correction.
  int ReadStoredInt(TOptionInt index) const;
  // Start-up repair of recorder indexes that older versions could store:
  // a bitrate above 14 becomes 8, a frequency above 9 becomes 7.
  void RepairRecorderIndexes();

  static const TOptionKey& BoolKey(TOptionBool index);
  static const TOptionKey& IntKey(TOptionInt index);
  static const TOptionKey& StrKey(TOptionStr index);
  static const TOptionKey& HotkeyKey(TOptionHotkey index);

  const std::u16string& DesktopFolder() const { return FDesktopFolder; }

 private:
  std::u16string FDesktopFolder;
};

}  // namespace app
