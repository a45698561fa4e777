#include "lists/Package.h"

#include <zlib.h>

#include <vector>

#include "lists/ListFile.h"
#include "lists/ListXml.h"

namespace qor {

std::string CompressPackage(std::string_view bytes, int levelIndex) {
  static constexpr int kLevels[] = {0, 1, Z_DEFAULT_COMPRESSION, 9};
  if (levelIndex < 0 || levelIndex > 3) return {};
  uLongf bound = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(bound, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &bound, reinterpret_cast<const Bytef*>(bytes.data()),
                static_cast<uLong>(bytes.size()), kLevels[levelIndex]) != Z_OK)
    return {};
  out.resize(bound);
  return out;
}

std::string DecompressPackage(std::string_view stream, size_t limit) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return {};
  std::string out;
  char chunk[64 * 1024];
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  int status = Z_OK;
  while (status == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    status = inflate(&z, Z_NO_FLUSH);
    size_t produced = sizeof chunk - z.avail_out;
    if (out.size() + produced > limit) {
      status = Z_MEM_ERROR;
      break;
    }
    out.append(chunk, produced);
    if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // cut off
  }
  inflateEnd(&z);
  // Trailing bytes after the stream mean it is not what we made.
  if (status != Z_STREAM_END || z.avail_in != 0) return {};
  return out;
}

std::string MakeDatabasePackage(std::string_view xml) {
  std::string compressed = CompressPackage(xml, 3);
  if (compressed.empty()) return {};
  return EncryptString(compressed, ListFilePassword());
}

TPackageResult InstallDatabasePackage(std::string_view package, const std::filesystem::path& settingsFolder) {
  std::string compressed = DecryptString(package, ListFilePassword());
  if (compressed.empty()) return TPackageResult::NotReadable;
  std::string xml = DecompressPackage(compressed, static_cast<size_t>(kMaxListFileSize));
  if (xml.empty()) return TPackageResult::NotCompressed;
  std::vector<TListRecord> records;
  if (ParseListText(xml, true, records) != TXmlResult::Ok) return TPackageResult::NotAList;
  std::error_code error;
  std::filesystem::create_directories(settingsFolder, error);
  std::string sealed = EncryptString(xml, ListFilePassword());
  if (sealed.empty() || !WriteListFile(settingsFolder / "broadcast.rpf", sealed)) return TPackageResult::WriteFailed;
  return TPackageResult::Ok;
}

bool WritePackageTrio(std::string_view xml, const std::filesystem::path& folder, bool withBom) {
  std::vector<TListRecord> records;
  if (ParseListText(xml, true, records) != TXmlResult::Ok) return false;
  std::string sealed = EncryptString(xml, ListFilePassword());
  std::string package = MakeDatabasePackage(xml);
  if (sealed.empty() || package.empty()) return false;
  std::string text = withBom ? "\xEF\xBB\xBF" + std::string(xml) : std::string(xml);
  return WriteFileAtomic(folder / "broadcast.xml", text) && WriteListFile(folder / "broadcast.rpf", sealed) &&
         WriteFileAtomic(folder / "broadcast.zip", package);
}

}  // namespace qor
