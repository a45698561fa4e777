#include "Commands.h"

#include <cstdio>
#include <filesystem>

#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/ListXml.h"
#include "lists/Package.h"
#include "lists/PlayList.h"
#include "lists/PlaylistImport.h"
#include "support/AsciiCase.h"

namespace qorlists {

using namespace qor;
namespace fs = std::filesystem;

namespace {

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "qor-lists: %s\n", message.c_str());
  return code;
}

int ReadInput(const std::string& name, std::string& bytes) {
  std::error_code error;
  if (!fs::exists(name, error)) return Fail(exCannotRead, "'" + name + "' does not exist");
  if (!fs::is_regular_file(name, error)) return Fail(exCannotRead, "'" + name + "' is not a file");
  auto size = fs::file_size(name, error);
  if (!error && static_cast<int64_t>(size) > kMaxListFileSize)
    return Fail(exNotAList, "'" + name + "' is larger than " + std::to_string(kMaxListFileSize >> 20) +
                                " MiB; station lists are far smaller");
  if (!ReadFileBounded(name, kMaxListFileSize, bytes)) return Fail(exCannotRead, "cannot read '" + name + "'");
  return exOk;
}

bool StartsWithMagic(const std::string& bytes) { return bytes.compare(0, kListMagic.size(), kListMagic) == 0; }

bool LooksCompressed(const std::string& bytes) {
  return bytes.size() >= 2 && (static_cast<uint8_t>(bytes[0]) & 0x0F) == 8 &&
         ((static_cast<uint8_t>(bytes[0]) << 8) | static_cast<uint8_t>(bytes[1])) % 31 == 0;
}

// Opens a list file, a bare sealed form or a package; xml gets the text.
int OpenAny(const std::string& name, const std::string& bytes, const std::string& password, std::string& xml,
            bool& wasPackage) {
  wasPackage = false;
  std::string_view sealed(bytes);
  if (StartsWithMagic(bytes)) sealed.remove_prefix(kListMagic.size());
  std::string plain;
  switch (OpenSealed(sealed, password, plain)) {
    case TSealResult::Ok: break;
    case TSealResult::TooShort: return Fail(exNotAList, "'" + name + "' is too short to be a list file");
    case TSealResult::WrongPassword:
      return Fail(exWrongPassword, "'" + name + "' was not sealed with this password, or is not a list file");
    case TSealResult::NotAuthentic:
      return Fail(exNotAuthentic, "'" + name + "' is damaged or was altered: its authentication code does not match");
    case TSealResult::ReadError: return Fail(exCannotRead, "cannot read '" + name + "'");
  }
  if (!StartsWithMagic(bytes) && LooksCompressed(plain)) {
    std::string inflated = DecompressPackage(plain, static_cast<size_t>(kMaxListFileSize));
    if (inflated.empty()) return Fail(exNotAList, "'" + name + "' holds a broken compressed database");
    wasPackage = true;
    plain = std::move(inflated);
  }
  xml = std::move(plain);
  return exOk;
}

int WriteOutput(const std::string& output, const std::string& bytes) {
  if (output.empty() || output == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
      return Fail(exCannotWrite, "cannot write to standard output");
    return exOk;
  }
  if (!WriteFileAtomic(output, bytes)) return Fail(exCannotWrite, "cannot write '" + output + "'");
  return exOk;
}

std::string Describe(TXmlResult result) {
  switch (result) {
    case TXmlResult::Ok: return "a station list";
    case TXmlResult::NotXml: return "not well-formed XML";
    case TXmlResult::WrongRoot: return "XML without a <playlist> (or <data>) root";
    case TXmlResult::NoRecords: return "a station list without stations";
    case TXmlResult::TooLarge: return "too large";
  }
  return "unknown";
}

std::string Extension(const std::string& name) {
  std::string extension = fs::path(name).extension().string();
  extension = ascii::Lower(extension);
  return extension;
}

void FillList(TPlayList& list, std::vector<TListRecord>& records, bool keepIds) {
  for (auto& record : records) {
    int32_t id = keepIds && !record.Id.empty() ? IdFromHex(record.Id) : NewRandomId();
    list.Add(MakeItem(std::move(record.Key), id, std::move(record.Name), std::move(record.Url)));
  }
}

// The XML to seal from a source file: its own bytes when they read the same
// way inside a sealed body (which is always UTF-8), else a rewritten copy.
int SealableXml(const std::string& name, std::string& xml) {
  std::string bytes;
  if (int code = ReadInput(name, bytes)) return code;
  std::vector<TListRecord> fromFile, asText;
  TXmlResult result = ParseListXmlFile(name, fromFile);
  if (result == TXmlResult::WrongRoot) {
    // A data root is readable inside a sealed body only.
    result = ParseListText(bytes, true, asText);
    if (result != TXmlResult::Ok) return Fail(exNotAList, "'" + name + "' is " + Describe(result));
    xml = bytes;
    return exOk;
  }
  if (result != TXmlResult::Ok) return Fail(exNotAList, "'" + name + "' is " + Describe(result));
  bool same = ParseListText(bytes, true, asText) == TXmlResult::Ok && asText.size() == fromFile.size();
  for (size_t i = 0; same && i < asText.size(); ++i)
    same = asText[i].Key == fromFile[i].Key && asText[i].Id == fromFile[i].Id && asText[i].Name == fromFile[i].Name &&
           asText[i].Url == fromFile[i].Url;
  if (same) {
    xml = bytes;
    return exOk;
  }
  bool withIds = false;
  for (const auto& record : fromFile) withIds = withIds || !record.Id.empty();
  TPlayList list;
  FillList(list, fromFile, true);
  xml = BuildListDocument(list, withIds);
  return exOk;
}

}  // namespace

int Unseal(const TOptions& options) {
  const std::string& name = options.Inputs[0];
  std::string bytes, xml;
  if (int code = ReadInput(name, bytes)) return code;
  bool wasPackage = false;
  if (int code = OpenAny(name, bytes, options.Password, xml, wasPackage)) return code;
  return WriteOutput(options.Output, xml);
}

int Seal(const TOptions& options) {
  std::string xml;
  if (int code = SealableXml(options.Inputs[0], xml)) return code;
  std::string sealed = EncryptString(xml, options.Password);
  if (sealed.empty()) return Fail(exCannotWrite, "sealing failed");
  if (!WriteListFile(options.Output, sealed)) return Fail(exCannotWrite, "cannot write '" + options.Output + "'");
  return exOk;
}

int Package(const TOptions& options) {
  std::string xml;
  if (int code = SealableXml(options.Inputs[0], xml)) return code;
  fs::path folder = options.Folder.empty() ? fs::path(".") : fs::path(options.Folder);
  std::error_code error;
  if (!fs::is_directory(folder, error)) return Fail(exCannotWrite, "'" + folder.string() + "' is not a folder");
  std::string sealed = EncryptString(xml, options.Password);
  std::string compressed = CompressPackage(xml, 3);
  std::string package = compressed.empty() ? std::string() : EncryptString(compressed, options.Password);
  if (sealed.empty() || package.empty()) return Fail(exCannotWrite, "sealing failed");
  if (!WriteFileAtomic(folder / "broadcast.xml", xml) || !WriteListFile(folder / "broadcast.rpf", sealed) ||
      !WriteFileAtomic(folder / "broadcast.zip", package))
    return Fail(exCannotWrite, "cannot write into '" + folder.string() + "'");
  return exOk;
}

int Import(const TOptions& options) {
  std::string extension = Extension(options.Output);
  if (extension != ".xml" && extension != ".rpf")
    return Fail(exUsage, "the output must end in .xml or .rpf: '" + options.Output + "'");
  TPlayList list;
  for (const auto& name : options.Inputs) {
    std::string bytes;
    if (int code = ReadInput(name, bytes)) return code;
    std::vector<TListRecord> records;
    fs::path folder = fs::absolute(fs::path(name)).parent_path();
    switch (DetectPlaylistKind(name, bytes)) {
      case TPlaylistKind::ListFile: {
        std::string xml;
        bool wasPackage = false;
        if (int code = OpenAny(name, bytes, options.Password, xml, wasPackage)) return code;
        TXmlResult result = ParseListText(xml, true, records);
        if (result != TXmlResult::Ok) return Fail(exNotAList, "'" + name + "' holds " + Describe(result));
        break;
      }
      case TPlaylistKind::Xml: {
        TXmlResult result = ParseListXmlFile(name, records);
        if (result != TXmlResult::Ok) return Fail(exNotAList, "'" + name + "' is " + Describe(result));
        break;
      }
      case TPlaylistKind::M3U: records = ParseM3U(bytes, folder); break;
      case TPlaylistKind::Pls: records = ParsePls(bytes, folder); break;
      case TPlaylistKind::Unknown:
        return Fail(exNotAList, "'" + name + "' is neither a station list nor an M3U or PLS playlist");
    }
    if (records.empty()) return Fail(exNotAList, "'" + name + "' has no stations");
    FillList(list, records, options.Favourites);
  }
  std::string xml = BuildListDocument(list, options.Favourites);
  if (extension == ".xml") return WriteOutput(options.Output, xml);
  std::string sealed = EncryptString(xml, options.Password);
  if (sealed.empty() || !WriteListFile(options.Output, sealed))
    return Fail(exCannotWrite, "cannot write '" + options.Output + "'");
  std::fprintf(stderr, "qor-lists: %d stations written to '%s'\n", list.Count(), options.Output.c_str());
  return exOk;
}

int Verify(const TOptions& options) {
  const std::string& name = options.Inputs[0];
  std::string bytes;
  if (int code = ReadInput(name, bytes)) return code;
  std::printf("file: %s (%zu bytes)\n", name.c_str(), bytes.size());
  bool magic = StartsWithMagic(bytes);
  std::printf("magic: %s\n", magic ? "QORPLF" : "none (package or bare sealed form)");
  std::string_view sealed(bytes);
  if (magic) sealed.remove_prefix(kListMagic.size());
  std::string plain;
  TSealResult result = OpenSealed(sealed, options.Password, plain);
  if (result == TSealResult::TooShort) {
    std::printf("sealed form: too short\n");
    return Fail(exNotAList, "'" + name + "' is too short to be a list file");
  }
  std::printf("password verifier: %s\n", result == TSealResult::WrongPassword ? "MISMATCH" : "ok");
  if (result == TSealResult::WrongPassword)
    return Fail(exWrongPassword, "'" + name + "' was not sealed with this password, or is not a list file");
  std::printf("authentication code: %s\n", result == TSealResult::NotAuthentic ? "MISMATCH" : "ok");
  if (result == TSealResult::NotAuthentic)
    return Fail(exNotAuthentic, "'" + name + "' is damaged or was altered: its authentication code does not match");
  std::string xml;
  bool wasPackage = false;
  if (int code = OpenAny(name, bytes, options.Password, xml, wasPackage)) return code;
  std::printf("content: %s (%zu bytes of XML)\n", wasPackage ? "compressed database package" : "XML", xml.size());
  std::vector<TListRecord> records;
  TXmlResult parsed = ParseListText(xml, true, records);
  std::printf("XML: %s\n", Describe(parsed).c_str());
  if (parsed != TXmlResult::Ok) return Fail(exNotAList, "'" + name + "' holds " + Describe(parsed));
  std::printf("records: %zu\n", records.size());
  return exOk;
}

}  // namespace qorlists
