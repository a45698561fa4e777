#include "engine/PipeServer.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

TPipeServer::~TPipeServer() { Close(); }

void TPipeServer::SetName(const std::string& name) {
  if (name != PipeName) PipeName = name;
}

std::string TPipeServer::RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (runtime != nullptr && *runtime == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
    return runtime;
  return "/tmp";
}

std::string TPipeServer::MakePipeName(int number) {
  return RuntimeFolder() + "/kestrowave_" + std::to_string(number);
}

void TPipeServer::Open() {
  Close();
  auto fail = [this] { throw EIPCError("Failed to create named pipe: " + PipeName); };
  if (PipeName.empty()) fail();
  // An existing file of that name is never taken over: in a shared folder
  // such as /tmp it may belong to someone else.
  if (::mkfifo(PipeName.c_str(), 0600) != 0) fail();
  FCreated = true;
  int fd = ::open(PipeName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    ::unlink(PipeName.c_str());
    FCreated = false;
    fail();
  }
  // A larger kernel buffer lets the decoder run ahead between two reads;
  // the system may refuse or round it, which is harmless.
  if (BufferSize > 0) (void)::fcntl(fd, F_SETPIPE_SZ, BufferSize);
  PipeHandle = fd;
}

void TPipeServer::Close() {
  if (PipeHandle >= 0) {
    ::close(PipeHandle);
    PipeHandle = -1;
  }
  if (FCreated) {
    ::unlink(PipeName.c_str());
    FCreated = false;
  }
}

long TPipeServer::Available() const {
  if (PipeHandle < 0) return 0;
  int available = 0;
  if (::ioctl(PipeHandle, FIONREAD, &available) != 0) return 0;
  return available;
}

bool TPipeServer::HasData() const { return Available() > 0; }

long TPipeServer::Read(void* buffer, long count) {
  if (PipeHandle < 0 || buffer == nullptr || count <= 0) return 0;
  while (true) {
    ssize_t n = ::read(PipeHandle, buffer, static_cast<size_t>(count));
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return 0;  // EAGAIN: nothing there after all
  }
}
