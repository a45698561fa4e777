// INI files over wide strings. TWIniFile goes to the file on every access
// (private-profile semantics); TWMemIniFile holds the whole file in memory
// and writes it back on UpdateFile. Both write through a temporary file that
// is renamed over the old one.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/WStrings.h"

class EIniFileException : public std::runtime_error {
 public:
  explicit EIniFileException(const std::u16string& message);
  const std::u16string& Message() const { return FMessage; }

 private:
  std::u16string FMessage;
};

namespace wstr {
// Decimal with an optional sign, or hexadecimal after "$"; leading blanks
// are skipped; anything else, or a value outside 32 bits, gives def.
int StrToIntDef(std::u16string_view text, int def);
// "0x1F" and "0X1F" read as hexadecimal; "0x" alone does not.
int IniStrToIntDef(std::u16string_view text, int def);
std::u16string IntToStr(long long value);
// File names are wide; the file system wants UTF-8 bytes.
std::string FileNameToPath(std::u16string_view fileName);
}  // namespace wstr

class TWCustomIniFile {
 public:
  explicit TWCustomIniFile(std::u16string fileName) : FFileName(std::move(fileName)) {}
  virtual ~TWCustomIniFile() = default;
  TWCustomIniFile(const TWCustomIniFile&) = delete;
  TWCustomIniFile& operator=(const TWCustomIniFile&) = delete;

  const std::u16string& FileName() const { return FFileName; }

  virtual std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                                    std::u16string_view def) const = 0;
  virtual void WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) = 0;
  virtual void ReadSection(std::u16string_view section, TWStrings& names) const = 0;
  virtual void ReadSections(TWStrings& sections) const = 0;
  // Lines "name=value" of one section.
  virtual void ReadSectionValues(std::u16string_view section, TWStrings& lines) const = 0;
  virtual void EraseSection(std::u16string_view section) = 0;
  virtual void DeleteKey(std::u16string_view section, std::u16string_view ident) = 0;
  virtual void UpdateFile() = 0;

  int ReadInteger(std::u16string_view section, std::u16string_view ident, int def) const;
  void WriteInteger(std::u16string_view section, std::u16string_view ident, int value);
  bool ReadBool(std::u16string_view section, std::u16string_view ident, bool def) const;
  void WriteBool(std::u16string_view section, std::u16string_view ident, bool value);

  bool SectionExists(std::u16string_view section) const;
  virtual bool ValueExists(std::u16string_view section, std::u16string_view ident) const;

 protected:
  [[noreturn]] void RaiseWriteError() const;

 private:
  std::u16string FFileName;
};

// Reads and rewrites the file on every call. Sections and names compare
// without regard to case; when a name occurs more than once the last line
// wins, and a write replaces that line. Values are trimmed and lose one
// pair of enclosing quotes when read, and at most MaxValueLength characters
// are returned. A file starting with FF FE is UTF-16LE and is written back
// that way; any other file is UTF-8 (Windows-1254 when not valid UTF-8) and
// is written as UTF-8 without a byte-order mark.
class TWIniFile : public TWCustomIniFile {
 public:
  using TWCustomIniFile::TWCustomIniFile;

  static constexpr std::size_t MaxValueLength = 4095;
  // The buffer that lists of section or key names must fit, zeros included.
  static constexpr std::size_t MaxListLength = 0x4000;
  static constexpr std::uintmax_t MaxFileSize = 16u * 1024u * 1024u;

  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view def) const override;
  // Raises EIniFileException "Unable to write to <file>" when the file
  // cannot be written or the names cannot be stored in it. Line breaks in a
  // value would break the file apart and are stored as spaces.
  void WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) override;
  void ReadSection(std::u16string_view section, TWStrings& names) const override;
  void ReadSections(TWStrings& sections) const override;
  void ReadSectionValues(std::u16string_view section, TWStrings& lines) const override;
  void EraseSection(std::u16string_view section) override;
  void DeleteKey(std::u16string_view section, std::u16string_view ident) override;
  // Every write already reached the disk; this only creates a missing file
  // so that a run always leaves its settings file behind.
  void UpdateFile() override;

 private:
  struct TProfile;
  bool Load(TProfile& profile) const;
  void Save(const TProfile& profile);
};

// The whole file in memory: a hashed list of sections whose objects are
// hashed lists of "name=value" lines. Backslash, CR, LF and TAB in lines are
// escaped on saving and unescaped on loading. The file is UTF-16LE with
// FF FE; UpdateFile writes it back.
class TWMemIniFile : public TWCustomIniFile {
 public:
  // Loads the file when the name is not empty and the file can be read;
  // otherwise the store starts empty.
  explicit TWMemIniFile(std::u16string fileName);
  ~TWMemIniFile() override;

  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view def) const override;
  void WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) override;
  void ReadSection(std::u16string_view section, TWStrings& names) const override;
  void ReadSections(TWStrings& sections) const override;
  void ReadSectionValues(std::u16string_view section, TWStrings& lines) const override;
  void EraseSection(std::u16string_view section) override;
  void DeleteKey(std::u16string_view section, std::u16string_view ident) override;
  bool ValueExists(std::u16string_view section, std::u16string_view ident) const override;
  // Raises EIniFileException "Unable to write to <file>" on failure.
  void UpdateFile() override;

  void Clear();
  // The file's text as lines, and replacing the store from lines.
  void GetStrings(TWStrings& list) const;
  void SetStrings(const TWStrings& list);

  bool CaseSensitive() const { return FSections.CaseSensitive(); }
  void SetCaseSensitive(bool value);

 private:
  TWHashedStringList* AddSection(const std::u16string& section);
  TWHashedStringList* FindSection(std::u16string_view section) const;

  TWHashedStringList FSections;
  std::vector<std::unique_ptr<TWHashedStringList>> FOwned;
};
