// List files (".rpf"): the magic "QORPLF" followed by a sealed form, and the
// string-level sealing routines built on TEncryption.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "lists/Crypt.h"

namespace qor {

constexpr std::string_view kListMagic = "QORPLF";
// Largest list file, package or XML list we read. The whole station
// database is a few megabytes; anything far larger is not a list.
constexpr int64_t kMaxListFileSize = 64ll * 1024 * 1024;

// The 32-byte password that seals every list file, package and script text.
std::string ListFilePassword();

std::string EncryptString(std::string_view plain, const std::string& password);
// The plain text; empty when the form is too short, the password does not
// match, or the authentication code does not match (a damaged or altered
// body is never handed on).
std::string DecryptString(std::string_view sealed, const std::string& password);
// As DecryptString, telling why it failed.
TSealResult OpenSealed(std::string_view sealed, const std::string& password, std::string& plain);

// Base64 (standard alphabet, "=" padding, no line breaks) of the sealed
// text, and back; DecodeText gives an empty text for anything invalid.
std::string EncodeText(std::string_view plain);
std::string DecodeText(std::string_view base64);
std::string Base64Encode(std::string_view bytes);
bool Base64Decode(std::string_view text, std::string& bytes);

// Writes the magic and the sealed form through a temporary file that is
// renamed over the target, so a crash never leaves half a list behind.
bool WriteListFile(const std::filesystem::path& path, std::string_view sealed);
// The body of a list file: the bytes after the magic, or the whole file
// when it has none; empty when the file is missing, unreadable or larger
// than kMaxListFileSize.
std::string ReadListFile(const std::filesystem::path& path);
bool HasListMagic(const std::filesystem::path& path);

// Whole-file helpers shared by the list code and its tool.
// Renames from to to unless to exists (never replaces a file).
bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes);
// False when the file is missing, not a regular file, unreadable or larger
// than limit.
bool ReadFileBounded(const std::filesystem::path& path, int64_t limit, std::string& bytes);

}  // namespace qor
