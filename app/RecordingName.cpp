#include "app/RecordingName.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "engine/RadioPlayerTags.h"
#include "support/Encoding.h"
#include "core/Messages.h"

namespace app {

std::u16string StreamTitle(const std::string& metaTag, const std::string& headerTags) {
  return enc::Utf8ToUtf16(TitleFromTags(metaTag, headerTags));
}

std::u16string CleanFileNamePart(std::u16string text) {
  for (auto& c : text)
    if (std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'-';
  return text;
}

std::u16string UniqueRecordingName(const std::u16string& folder, const std::u16string& extension) {
  std::string dir = enc::WideToFileName(folder);
  if (!dir.empty() && dir.back() != '/') dir += '/';
  // Like the system's temporary names: a 16-bit counter started from the
  // clock, the first free one wins. The file is made exclusively so that
  // two recordings never get the same number, and removed at once.
  static std::atomic<unsigned> counter{core::GetTickCount()};
  for (int tries = 0; tries < 65536; ++tries) {
    unsigned number = counter.fetch_add(1) & 0xFFFF;
    if (number == 0) continue;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%x", number);
    std::string tmp = dir + hex + ".tmp";
    int fd = ::open(tmp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    ::close(fd);
    ::unlink(tmp.c_str());
    return enc::Utf8ToUtf16(hex) + extension;
  }
  return {};
}

namespace {

// The path for one unique number, its parts cut to fit.
std::u16string NamedPath(const std::u16string& folder, const std::u16string& unique, bool useStationName,
                         const std::u16string& stationName, const std::u16string& title) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != u'/') path += u'/';
  std::u16string station = useStationName ? CleanFileNamePart(stationName) : std::u16string();
  std::u16string song = CleanFileNamePart(title);
  // A file name holds at most 255 bytes: the title gives way first, then
  // the station name; the unique number and the extension always stay.
  const auto bytes = [](const std::u16string& text) { return enc::Utf16ToUtf8(text).size(); };
  const auto nameBytes = [&] {
    return (station.empty() ? 0 : bytes(station) + 3) + (song.empty() ? 0 : bytes(song) + 3) + bytes(unique);
  };
  for (std::u16string* part : {&song, &station}) {
    while (nameBytes() > kMaxFileNameBytes && !part->empty()) {
      part->pop_back();
      // Never half a surrogate pair, nor a part that ends in blanks.
      if (!part->empty() && part->back() >= 0xD800 && part->back() <= 0xDBFF) part->pop_back();
      while (!part->empty() && part->back() == u' ') part->pop_back();
    }
  }
  if (!station.empty()) path += station + u" - ";
  if (!song.empty()) path += song + u" - ";
  return path + unique;
}

}  // namespace

std::u16string RecordingFileName(const std::u16string& folder, const std::u16string& extension, bool useStationName,
                                 const std::u16string& stationName, const std::u16string& title) {
  // The number is free as a bare name, but an earlier recording of the
  // same station and song may carry it: the recorder refuses a name that
  // exists, so the next number is taken.
  for (int tries = 0; tries < 65536; ++tries) {
    std::u16string unique = UniqueRecordingName(folder, extension);
    if (unique.empty()) return {};
    std::u16string path = NamedPath(folder, unique, useStationName, stationName, title);
    struct stat st {};
    if (::lstat(enc::WideToFileName(path).c_str(), &st) != 0 && errno == ENOENT) return path;
  }
  return {};
}

}  // namespace app
