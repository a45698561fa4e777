#include "lists/ListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace qor {

std::string ListFilePassword() {
  // Assembled piece by piece each time so that the text never sits in the
  // binary as one string.
  static constexpr char k00 = 'q', k01 = '7', k02 = 'R', k03 = '#', k04 = 'v', k05 = 'E', k06 = 'l', k07 = '2';
  static constexpr char k08 = 'N', k09 = '!', k10 = 'x', k11 = 'o', k12 = '9', k13 = 'K', k14 = '$', k15 = 'a';
  static constexpr char k16 = 'r', k17 = '4', k18 = 'T', k19 = '%', k20 = 'i', k21 = 'Z', k22 = '6', k23 = '@';
  static constexpr char k24 = 'u', k25 = 'M', k26 = '1', k27 = '&', k28 = 'w', k29 = 'C', k30 = '8', k31 = '*';
  std::string password;
  password.reserve(32);
  password += k00; password += k01; password += k02; password += k03;
  password += k04; password += k05; password += k06; password += k07;
  password += k08; password += k09; password += k10; password += k11;
  password += k12; password += k13; password += k14; password += k15;
  password += k16; password += k17; password += k18; password += k19;
  password += k20; password += k21; password += k22; password += k23;
  password += k24; password += k25; password += k26; password += k27;
  password += k28; password += k29; password += k30; password += k31;
  return password;
}

std::string EncryptString(std::string_view plain, const std::string& password) {
  TEncryption encryption(password, 1024);
  std::istringstream source{std::string(plain)};
  std::ostringstream destination;
  if (!encryption.Encrypt(source, destination)) return {};
  return std::move(destination).str();
}

TSealResult OpenSealed(std::string_view sealed, const std::string& password, std::string& plain) {
  plain.clear();
  TEncryption encryption(password, 1024);
  std::istringstream source{std::string(sealed)};
  std::ostringstream destination;
  bool ok = encryption.Decrypt(source, &destination, static_cast<int64_t>(sealed.size()));
  if (ok) plain = std::move(destination).str();
  return encryption.LastResult();
}

std::string DecryptString(std::string_view sealed, const std::string& password) {
  std::string plain;
  OpenSealed(sealed, password, plain);
  return plain;
}

namespace {
constexpr std::string_view kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += kBase64[(v >> 6) & 63];
    out += kBase64[v & 63];
  }
  if (size_t rest = bytes.size() - i) {
    uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | (rest == 2 ? uint32_t(uint8_t(bytes[i + 1])) << 8 : 0);
    out += kBase64[v >> 18];
    out += kBase64[(v >> 12) & 63];
    out += rest == 2 ? kBase64[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool Base64Decode(std::string_view text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  bytes.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    uint32_t v = 0;
    int padding = 0;
    for (size_t k = 0; k < 4; ++k) {
      char c = text[i + k];
      uint32_t digit = 0;
      if (c == '=') {
        // Padding only at the very end, and at most two.
        if (i + 4 != text.size() || k < 2) return false;
        ++padding;
      } else {
        if (padding) return false;
        auto pos = kBase64.find(c);
        if (pos == std::string_view::npos) return false;
        digit = static_cast<uint32_t>(pos);
      }
      v = v << 6 | digit;
    }
    bytes += static_cast<char>(v >> 16);
    if (padding < 2) bytes += static_cast<char>((v >> 8) & 0xFF);
    if (padding < 1) bytes += static_cast<char>(v & 0xFF);
  }
  return true;
}

std::string EncodeText(std::string_view plain) { return Base64Encode(EncryptString(plain, ListFilePassword())); }

std::string DecodeText(std::string_view base64) {
  std::string sealed;
  if (!Base64Decode(base64, sealed)) return {};
  return DecryptString(sealed, ListFilePassword());
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
  std::string pattern = path.string() + ".XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  // Files we replace are the user's lists: make the new bytes durable
  // before the rename makes them current. mkstemp gives 0600; lists are
  // ordinary files.
  if (ok) ok = fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(pattern.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(pattern.c_str());
  return ok;
}

bool MoveFileNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: link fails on an existing target.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

bool ReadFileBounded(const std::filesystem::path& path, int64_t limit, std::string& bytes) {
  bytes.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  auto size = std::filesystem::file_size(path, error);
  if (error || static_cast<int64_t>(size) > limit) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.resize(static_cast<size_t>(size));
  in.read(bytes.data(), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(in.gcount()));
  // The file may have grown since we asked its size; take no more than the
  // limit either way.
  return !in.bad();
}

bool WriteListFile(const std::filesystem::path& path, std::string_view sealed) {
  std::string bytes;
  bytes.reserve(kListMagic.size() + sealed.size());
  bytes.append(kListMagic);
  bytes.append(sealed);
  return WriteFileAtomic(path, bytes);
}

std::string ReadListFile(const std::filesystem::path& path) {
  std::string bytes;
  if (!ReadFileBounded(path, kMaxListFileSize, bytes)) return {};
  if (bytes.compare(0, kListMagic.size(), kListMagic) == 0) bytes.erase(0, kListMagic.size());
  return bytes;
}

bool HasListMagic(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  char head[6] = {};
  in.read(head, sizeof head);
  return in.gcount() == 6 && std::string_view(head, 6) == kListMagic;
}

}  // namespace qor
