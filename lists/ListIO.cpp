#include "lists/ListIO.h"

#include "lists/ListFile.h"
#include "lists/PlayList.h"

namespace qor {

TListReadResult ReadListRecords(const std::filesystem::path& path, const std::string& password,
                                std::vector<TListRecord>& records) {
  records.clear();
  std::string body = ReadListFile(path);
  if (body.empty()) return TListReadResult::Missing;
  std::string text;
  switch (OpenSealed(body, password, text)) {
    case TSealResult::Ok: break;
    case TSealResult::NotAuthentic: return TListReadResult::NotAuthentic;
    default: return TListReadResult::WrongPassword;
  }
  switch (ParseListText(text, true, records)) {
    case TXmlResult::Ok: return TListReadResult::Ok;
    case TXmlResult::NoRecords: return TListReadResult::NoRecords;
    default: return TListReadResult::NotXml;
  }
}

namespace {

enum class TIdRule { Decimal, Hex };

bool LoadStored(TPlayList& list, const std::filesystem::path& path, TIdRule rule) {
  std::vector<TListRecord> records;
  if (ReadListRecords(path, ListFilePassword(), records) != TListReadResult::Ok) return false;
  list.Clear();
  for (auto& record : records) {
    int32_t id = rule == TIdRule::Decimal ? IdFromDecimalKey(record.Key) : IdFromHex(record.Id);
    list.Add(MakeItem(std::move(record.Key), id, std::move(record.Name), std::move(record.Url)));
  }
  return true;
}

}  // namespace

bool LoadDatabase(TPlayList& list, const std::filesystem::path& path) {
  return LoadStored(list, path, TIdRule::Decimal);
}

bool LoadFavourites(TPlayList& list, const std::filesystem::path& path) {
  return LoadStored(list, path, TIdRule::Hex);
}

bool ReadUserListFile(const std::filesystem::path& path, std::vector<TListRecord>& records) {
  records.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  if (HasListMagic(path)) return ReadListRecords(path, ListFilePassword(), records) == TListReadResult::Ok;
  return ParseListXmlFile(path, records) == TXmlResult::Ok;
}

void AppendRecords(TPlayList& list, const std::vector<TListRecord>& records) {
  for (const auto& record : records) list.Add(MakeItem(record.Key, NewRandomId(), record.Name, record.Url));
}

int ImportList(TPlayList& list, const std::filesystem::path& path) {
  std::vector<TListRecord> records;
  if (!ReadUserListFile(path, records)) return -1;
  list.Pack();
  AppendRecords(list, records);
  return static_cast<int>(records.size());
}

int OpenList(TPlayList& list, const std::filesystem::path& path) {
  std::vector<TListRecord> records;
  if (!ReadUserListFile(path, records)) return -1;
  list.Clear();
  AppendRecords(list, records);
  return static_cast<int>(records.size());
}

namespace {

bool WriteSealed(const TPlayList& list, const std::filesystem::path& path, bool withIds) {
  std::string sealed = EncryptString(BuildListDocument(list, withIds), ListFilePassword());
  return !sealed.empty() && WriteListFile(path, sealed);
}

}  // namespace

bool SaveFavourites(const TPlayList& list, const std::filesystem::path& path) { return WriteSealed(list, path, true); }

bool ExportListFile(const TPlayList& list, const std::filesystem::path& path) {
  return WriteSealed(list, path, false);
}

bool ExportXmlFile(const TPlayList& list, const std::filesystem::path& path) {
  return WriteFileAtomic(path, BuildListDocument(list, false));
}

}  // namespace qor
