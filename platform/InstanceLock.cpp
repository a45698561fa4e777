#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

int OpenLockFile(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

}  // namespace

TInstanceLock::TInstanceLock(std::string folder, std::string name) {
  if (!folder.empty()) FPath = folder + name;
}

TInstanceLock::~TInstanceLock() { Release(); }

bool TInstanceLock::OtherInstanceExists() const {
  if (FPath.empty()) return false;
  int fd = OpenLockFile(FPath);
  if (fd < 0) return false;
  // Open-file-description locks: querying does not disturb anybody's lock,
  // and our own held lock (another description) would be reported too,
  // which is what a second look from a holder should see.
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = 0;
  probe.l_len = 0;
  bool exists = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
  ::close(fd);
  return exists;
}

bool TInstanceLock::Hold() {
  if (FFd >= 0) return true;
  if (FPath.empty()) return false;
  int fd = OpenLockFile(FPath);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    ::close(fd);
    return false;
  }
  FFd = fd;
  return true;
}

void TInstanceLock::Release() {
  if (FFd < 0) return;
  ::close(FFd);  // closing the description drops its lock
  FFd = -1;
}

}  // namespace platform
