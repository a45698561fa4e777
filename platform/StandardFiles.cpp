#include "platform/StandardFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

void ReserveStandardFiles() {
  // In order from 0: the numbers below fd are open by then, so open gives
  // exactly fd.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

}  // namespace platform
