// The station-database package: the sealed form of the zlib-compressed XML
// database, with no magic. The player downloads it; publishers make it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace qor {

// Level index 0, 1, 2, 3: zlib levels 0, 1, default and 9. Empty on failure.
std::string CompressPackage(std::string_view bytes, int levelIndex);
// The inflated bytes; empty for anything that is not one complete zlib
// stream, or that would inflate beyond limit.
std::string DecompressPackage(std::string_view stream, size_t limit = 256u * 1024 * 1024);

// Seals the compressed XML as a package.
std::string MakeDatabasePackage(std::string_view xml);

enum class TPackageResult { Ok, NotReadable, NotCompressed, NotAList, WriteFailed };

// Turns a downloaded package into broadcast.rpf in the settings folder
// (created when missing): decipher, inflate, seal again with a fresh salt.
// The password is public, so a package that opens is not trusted yet: its
// XML must give at least one station before it replaces anything. On any
// failure the existing broadcast.rpf stays as it was, byte for byte.
TPackageResult InstallDatabasePackage(std::string_view package, const std::filesystem::path& settingsFolder);

// Writes broadcast.xml (the XML unchanged, after a UTF-8 byte-order mark
// when withBom), broadcast.rpf and broadcast.zip into a folder, each
// through a temporary file. False when the XML gives no station (nothing
// is written then) or a file could not be written.
bool WritePackageTrio(std::string_view xml, const std::filesystem::path& folder, bool withBom = false);

}  // namespace qor
