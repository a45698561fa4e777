// Reading and writing whole station lists: the database and favourites
// files, import and open of user files, and the three writers.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "lists/Crypt.h"
#include "lists/ListXml.h"

namespace qor {

class TPlayList;

// Why a list file could not be read, for tools and messages.
enum class TListReadResult { Ok, Missing, WrongPassword, NotAuthentic, NotXml, NoRecords };

// Reads the records of a list file sealed with password (both root forms).
TListReadResult ReadListRecords(const std::filesystem::path& path, const std::string& password,
                                std::vector<TListRecord>& records);

// The station database (ids from the decimal keys) and the favourites (ids
// from the stored hexadecimal ids). The list is replaced only when the file
// is authentic and holds at least one record; true when it was replaced.
bool LoadDatabase(TPlayList& list, const std::filesystem::path& path);
bool LoadFavourites(TPlayList& list, const std::filesystem::path& path);

// Records of a file the user chose: a list file when it has the magic,
// otherwise a plain XML list. False when neither gives records.
bool ReadUserListFile(const std::filesystem::path& path, std::vector<TListRecord>& records);

// Import appends the records (after removing emptied slots), Open replaces
// the list; both give fresh random ids and return the number of records,
// or -1 with the list unchanged.
int ImportList(TPlayList& list, const std::filesystem::path& path);
int OpenList(TPlayList& list, const std::filesystem::path& path);

// Appends entries made from records with fresh random ids.
void AppendRecords(TPlayList& list, const std::vector<TListRecord>& records);

// Writers; false when the file could not be written (the old file stays).
bool SaveFavourites(const TPlayList& list, const std::filesystem::path& path);
bool ExportListFile(const TPlayList& list, const std::filesystem::path& path);
bool ExportXmlFile(const TPlayList& list, const std::filesystem::path& path);

}  // namespace qor
