// Lists of wide (UTF-16) strings: the abstract list, the ordinary array
// list, and a list with hashed look-up for the INI store that keeps whole
// files in memory. Each line can carry an object pointer that the list does
// not own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace wstr {

// Upper case without regard to the locale, one UTF-16 unit at a time
// (characters outside the basic plane are left as they are).
std::u16string WideUpperCase(std::u16string_view text);
// Compares as WideUpperCase(a) against WideUpperCase(b): <0, 0, >0.
int WideCompareText(std::u16string_view a, std::u16string_view b);
bool WideSameText(std::u16string_view a, std::u16string_view b);
// Removes spaces and control characters (code units <= 32) at both ends.
std::u16string WideTrim(std::u16string_view text);

}  // namespace wstr

class TWStrings {
 public:
  virtual ~TWStrings() = default;

  virtual int Count() const = 0;
  virtual const std::u16string& Get(int index) const = 0;
  virtual void Put(int index, const std::u16string& text) = 0;
  virtual void* GetObject(int index) const = 0;
  virtual void PutObject(int index, void* object) = 0;
  virtual void Insert(int index, const std::u16string& text, void* object = nullptr) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // Appends and returns the index of the new line (sorted lists may place it
  // elsewhere).
  virtual int Add(const std::u16string& text) { return AddObject(text, nullptr); }
  virtual int AddObject(const std::u16string& text, void* object);
  virtual int IndexOf(std::u16string_view text) const;
  virtual int IndexOfName(std::u16string_view name) const;
  int IndexOfObject(const void* object) const;

  // The name of a line is the text before its first "="; a line without "="
  // has no name (empty).
  std::u16string Names(int index) const;
  std::u16string ValueFromIndex(int index) const;
  std::u16string Values(std::u16string_view name) const;
  // Replaces the value of the line with this name; an empty value deletes
  // the line; a missing name appends "name=value".
  void SetValue(std::u16string_view name, std::u16string_view value);

  // Lines joined by CR LF, each line followed by it.
  std::u16string Text() const;
  // Splits at CR LF, lone CR and lone LF; replaces the contents.
  void SetText(std::u16string_view text);

  // The file format: bytes FF FE, then each line as UTF-16LE followed by
  // CR LF. Loading accepts a file without FF FE and reads it as UTF-16LE
  // from its first byte; an odd final byte is ignored.
  std::string SaveToBytes() const;
  void LoadFromBytes(std::string_view bytes);
  // Throws std::runtime_error when the file cannot be read. Files larger
  // than MaxFileSize are refused rather than read in part.
  void LoadFromFile(const std::string& path);
  // Writes a temporary file beside the target and renames it over the
  // target; throws std::runtime_error on failure, leaving the old file.
  void SaveToFile(const std::string& path) const;

  static constexpr std::uintmax_t MaxFileSize = 64u * 1024u * 1024u;

  // Case-insensitive unless a derived list says otherwise.
  virtual bool CaseSensitive() const { return false; }

 protected:
  int CompareStrings(std::u16string_view a, std::u16string_view b) const;
};

class TWStringList : public TWStrings {
 public:
  int Count() const override { return static_cast<int>(FList.size()); }
  const std::u16string& Get(int index) const override;
  void Put(int index, const std::u16string& text) override;
  void* GetObject(int index) const override;
  void PutObject(int index, void* object) override;
  void Insert(int index, const std::u16string& text, void* object = nullptr) override;
  void Delete(int index) override;
  void Clear() override;
  int AddObject(const std::u16string& text, void* object) override;
  int IndexOf(std::u16string_view text) const override;

  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  bool CaseSensitive() const override { return FCaseSensitive; }
  void SetCaseSensitive(bool value);
  void Sort();
  // Binary search in a sorted list: true when found; index is the match or
  // the insertion point.
  bool Find(std::u16string_view text, int& index) const;

 protected:
  // Every change of the lines passes through here.
  virtual void Changed() {}

 private:
  struct TItem {
    std::u16string Text;
    void* Object = nullptr;
  };
  void CheckIndex(int index) const;
  std::vector<TItem> FList;
  bool FSorted = false;
  bool FCaseSensitive = false;
};

// Chained hash table of (key, value) pairs with a fixed bucket count.
class TWStringHash {
 public:
  explicit TWStringHash(unsigned size = 256);
  ~TWStringHash();
  TWStringHash(const TWStringHash&) = delete;
  TWStringHash& operator=(const TWStringHash&) = delete;

  // New entries go to the head of their bucket, so when a key is added
  // twice the later entry is found.
  void Add(std::u16string_view key, int value);
  void Clear();
  bool Modify(std::u16string_view key, int value);
  void Remove(std::u16string_view key);
  // -1 when the key is absent.
  int ValueOf(std::u16string_view key) const;

  // Rotate left by 2 and XOR each UTF-16 unit.
  static std::uint32_t HashOf(std::u16string_view key);

 private:
  struct TItem {
    TItem* Next;
    std::u16string Key;
    int Value;
  };
  TItem** Find(std::u16string_view key) const;
  std::vector<TItem*> FBuckets;
};

class TWHashedStringList : public TWStringList {
 public:
  int IndexOf(std::u16string_view text) const override;
  int IndexOfName(std::u16string_view name) const override;

 protected:
  void Changed() override;

 private:
  void UpdateValueHash() const;
  void UpdateNameHash() const;
  std::u16string KeyOf(std::u16string_view text) const;

  mutable std::unique_ptr<TWStringHash> FValueHash;
  mutable std::unique_ptr<TWStringHash> FNameHash;
  mutable bool FValueHashValid = false;
  mutable bool FNameHashValid = false;
};
