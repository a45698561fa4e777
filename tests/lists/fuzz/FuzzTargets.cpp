#include "fuzz/FuzzTargets.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/ListXml.h"
#include "lists/PlayList.h"
#include "lists/PlaylistImport.h"

namespace liststest {
namespace {

std::filesystem::path ScratchFile(const char* name) {
  return std::filesystem::temp_directory_path() / ("qor-fuzz-" + std::to_string(getpid()) + "-" + name);
}

void Write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void FillKnown(qor::TPlayList& list) {
  list.Clear();
  list.Add(qor::MakeItem(u"1", 1, u"Sabit", "http://127.0.0.1/1"));
}

// A failed read must leave the known entry in place.
void CheckUnchanged(bool replaced, const qor::TPlayList& list) {
  if (!replaced && (list.Count() != 1 || list.Id(0) != 1)) std::abort();
}

}  // namespace

int FuzzListFileReader(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string file = (data[0] & 1) ? std::string(qor::kListMagic) + qor::EncryptString(rest, qor::ListFilePassword())
                                   : rest;
  auto path = ScratchFile("list.rpf");
  Write(path, file);
  qor::TPlayList list;
  FillKnown(list);
  CheckUnchanged(qor::LoadDatabase(list, path), list);
  FillKnown(list);
  CheckUnchanged(qor::LoadFavourites(list, path), list);
  FillKnown(list);
  CheckUnchanged(qor::OpenList(list, path) >= 0, list);
  FillKnown(list);
  int imported = qor::ImportList(list, path);
  if (imported >= 0 && list.Count() != 1 + imported) std::abort();
  qor::TResultList results;
  qor::SearchByName(list, u"a", results);
  qor::SortByName(list, true);
  std::filesystem::remove(path);
  return 0;
}

int FuzzXmlReader(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<qor::TListRecord> records;
  qor::TXmlResult result = qor::ParseListText(text, true, records);
  if ((result == qor::TXmlResult::Ok) != !records.empty()) std::abort();
  auto path = ScratchFile("list.xml");
  Write(path, text);
  qor::ParseListXmlFile(path, records);
  qor::IsXmlPlaylistFile(path);
  std::filesystem::remove(path);
  qor::ParseM3U(text, "/tmp");
  qor::ParsePls(text, "/tmp");
  qor::FormDecode(text);
  // Whatever came in, a written document must read back the same.
  qor::TPlayList list;
  for (auto& record : records) list.Add(qor::MakeItem(record.Key, 0, record.Name, record.Url));
  std::vector<qor::TListRecord> again;
  std::string document = qor::BuildListDocument(list, true);
  qor::TXmlResult back = qor::ParseListText(document, false, again);
  if (!records.empty() && (back != qor::TXmlResult::Ok || again.size() != records.size())) std::abort();
  return 0;
}

}  // namespace liststest
