#include "support/WStringsFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wstr {

namespace {

// The process's file-mode mask, read without changing it: umask() tells it
// only by setting another, and for that moment every file that another
// thread creates would get the other one (umask(0): writable by everyone).
mode_t CurrentUmask() {
  mode_t mask = 022;
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned value = 0;
    while (std::fgets(line, sizeof line, status))
      if (std::sscanf(line, "Umask: %o", &value) == 1) {
        mask = static_cast<mode_t>(value & 0777);
        break;
      }
    std::fclose(status);
  }
  return mask;
}

}  // namespace

TReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::uintmax_t maxSize) {
  bytes.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? TReadResult::Missing : TReadResult::Failed;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return TReadResult::Failed;
  }
  if (static_cast<std::uintmax_t>(st.st_size) > maxSize) {
    ::close(fd);
    return TReadResult::TooLarge;
  }
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      bytes.clear();
      return TReadResult::Failed;
    }
    if (n == 0) break;
    // The file may grow while we read it; the bound still holds.
    if (bytes.size() + static_cast<std::size_t>(n) > maxSize) {
      ::close(fd);
      bytes.clear();
      return TReadResult::TooLarge;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return TReadResult::Ok;
}

bool WriteFileAtomic(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  // Keep the permissions of the file we replace; new files get the usual
  // 0644 less the umask instead of mkstemp's 0600.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    ::fchmod(fd, st.st_mode & 07777);
  } else {
    ::fchmod(fd, 0666 & ~CurrentUmask());
  }
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = saved;
  }
  return ok;
}

}  // namespace wstr
