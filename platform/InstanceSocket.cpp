#include "platform/InstanceSocket.h"

#include <glib-unix.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::uint32_t kMagic = 0x4D524F51;  // "QORM"
constexpr std::uint32_t kKindPing = 0;
constexpr std::uint32_t kKindSend = 1;
constexpr std::uint32_t kKindEnabled = 2;
constexpr std::uint32_t kKindOpen = 3;  // WParam: length of the UTF-8 text after the frame

// Fixed-size little-endian frames; both ends are the same program on the
// same machine, but the layout is spelled out so it never depends on
// padding.
struct TRequest {
  std::uint32_t Kind = 0;
  std::uint32_t Msg = 0;
  std::uint64_t WParam = 0;
  std::int64_t LParam = 0;
};
constexpr std::size_t kRequestSize = 4 + 4 + 4 + 8 + 8;
constexpr std::size_t kReplySize = 4 + 8;

void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put64(unsigned char* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
std::uint32_t Get32(const unsigned char* p) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return v;
}
std::uint64_t Get64(const unsigned char* p) {
  std::uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(p[i]) << (8 * i);
  return v;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Waits until fd is ready for events or the deadline passes.
bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd p{fd, events, 0};
  for (;;) {
    int n = ::poll(&p, 1, timeoutMs);
    if (n > 0) return true;
    if (n == 0) return false;
    if (errno != EINTR) return false;
  }
}

bool ReadExactly(int fd, unsigned char* data, std::size_t size, int timeoutMs) {
  std::size_t done = 0;
  while (done < size) {
    if (!WaitFor(fd, POLLIN, timeoutMs)) return false;
    ssize_t n = ::recv(fd, data + done, size - done, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const unsigned char* data, std::size_t size, int timeoutMs) {
  std::size_t done = 0;
  while (done < size) {
    if (!WaitFor(fd, POLLOUT, timeoutMs)) return false;
    ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Busy: the backlog is full (the owner is busy, finders queue up), so
// somebody listens, but no connection was made.
enum class TConnect { Ok, Busy, Stale, Missing, Failed };

TConnect Connect(const std::string& path, int& fd) {
  fd = -1;
  sockaddr_un address;
  if (!MakeAddress(path, address)) return TConnect::Failed;
  int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (s < 0) return TConnect::Failed;
  if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS) {
    fd = s;
    return TConnect::Ok;
  }
  int error = errno;
  ::close(s);
  if (error == EAGAIN) return TConnect::Busy;
  if (error == ECONNREFUSED) return TConnect::Stale;
  if (error == ENOENT) return TConnect::Missing;
  return TConnect::Failed;
}

// Connects, waiting while the backlog is full: a local socket makes no
// connection then (unlike TCP, nothing is pending), and a message sent on
// the unconnected socket would be lost.
TConnect ConnectWithin(const std::string& path, int& fd, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    TConnect result = Connect(path, fd);
    if (result != TConnect::Busy || std::chrono::steady_clock::now() >= deadline) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::atomic<unsigned> gServerCounter{0};

}  // namespace

// ----------------------------------------------------------- TInstanceServer

TInstanceServer::TInstanceServer(std::string folder, TInstanceReceiver& receiver, std::string className)
    : FReceiver(receiver) {
  if (folder.empty()) {
    FError = "no runtime folder";
    return;
  }
  std::string name = className + "." + std::to_string(::getpid()) + "." + std::to_string(++gServerCounter);
  std::string path = folder + name;
  // Bound under a hidden name and renamed into place once listening, so
  // that nobody finds it in between and takes it for a stale socket.
  std::string temp = folder + "." + name + ".new";
  sockaddr_un address;
  if (!MakeAddress(temp, address)) {
    FError = "socket path too long: " + temp;
    return;
  }
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    FError = std::string("socket: ") + std::strerror(errno);
    return;
  }
  ::unlink(temp.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 16) != 0 ||
      ::rename(temp.c_str(), path.c_str()) != 0) {
    FError = path + ": " + std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    return;
  }
  FPath = path;
  FListenFd = fd;
  FSourceId = g_unix_fd_add(fd, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(&TInstanceServer::OnAcceptable), this);
}

// A connection whose request is being read: its bytes come in as they
// arrive, on the loop's thread, without ever waiting for them.
struct TInstanceServer::TPending {
  TInstanceServer* Server = nullptr;
  int Fd = -1;
  unsigned WatchId = 0;
  unsigned TimerId = 0;
  unsigned char Frame[kRequestSize];
  std::size_t FrameRead = 0;
  TRequest Request;
  std::string Text;
  std::size_t TextRead = 0;
};

TInstanceServer::~TInstanceServer() { Close(); }

void TInstanceServer::Close() {
  while (!FPending.empty()) Drop(FPending.front().get());
  if (FListenFd < 0) return;
  ::unlink(FPath.c_str());
  if (FSourceId) g_source_remove(FSourceId);
  FSourceId = 0;
  ::close(FListenFd);
  FListenFd = -1;
}

int TInstanceServer::OnAcceptable(int, unsigned, void* data) {
  static_cast<TInstanceServer*>(data)->AcceptAll();
  return G_SOURCE_CONTINUE;
}

void TInstanceServer::AcceptAll() {
  for (;;) {
    int fd = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;  // EAGAIN: nobody else waits; anything else: the next wake-up tells
    }
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::getuid()) {
      ::close(fd);
      continue;
    }
    if (FPending.size() >= MaxPendingRequests) Drop(FPending.front().get());
    auto pending = std::make_unique<TPending>();
    pending->Server = this;
    pending->Fd = fd;
    TPending* p = pending.get();
    FPending.push_back(std::move(pending));
    // Read on the next wake-up, even when the request is there already:
    // serving it here could destroy this server inside the loop.
    p->WatchId = g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                               reinterpret_cast<GUnixFDSourceFunc>(&TInstanceServer::OnRequestReadable), p);
    p->TimerId = g_timeout_add(static_cast<unsigned>(std::max(RequestTimeoutMs, 0)),
                               &TInstanceServer::OnRequestTimeout, p);
  }
}

int TInstanceServer::OnRequestReadable(int, unsigned, void* data) {
  auto* pending = static_cast<TPending*>(data);
  pending->Server->ReadSome(*pending);
  // ReadSome dropped or answered it (its sources removed with it), or it
  // waits for more.
  return G_SOURCE_CONTINUE;
}

int TInstanceServer::OnRequestTimeout(void* data) {
  auto* pending = static_cast<TPending*>(data);
  pending->TimerId = 0;  // ends with this call
  pending->Server->Drop(pending);
  return G_SOURCE_REMOVE;
}

bool TInstanceServer::ReadSome(TPending& p) {
  for (;;) {
    unsigned char* into;
    std::size_t want;
    if (p.FrameRead < kRequestSize) {
      into = p.Frame + p.FrameRead;
      want = kRequestSize - p.FrameRead;
    } else if (p.TextRead < p.Text.size()) {
      into = reinterpret_cast<unsigned char*>(p.Text.data()) + p.TextRead;
      want = p.Text.size() - p.TextRead;
    } else {
      Answer(&p);
      return false;
    }
    ssize_t n = ::recv(p.Fd, into, want, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) {
      // A finder only connects and hangs up; it gets no answer.
      Drop(&p);
      return false;
    }
    if (p.FrameRead < kRequestSize) {
      p.FrameRead += static_cast<std::size_t>(n);
      if (p.FrameRead < kRequestSize) continue;
      if (Get32(p.Frame) != kMagic) {
        Drop(&p);
        return false;
      }
      p.Request.Kind = Get32(p.Frame + 4);
      p.Request.Msg = Get32(p.Frame + 8);
      p.Request.WParam = Get64(p.Frame + 12);
      p.Request.LParam = static_cast<std::int64_t>(Get64(p.Frame + 20));
      if (p.Request.Kind == kKindOpen) {
        // The length comes from outside: bounded before anything is read.
        if (p.Request.WParam > MaxInstanceTextSize) {
          Drop(&p);
          return false;
        }
        p.Text.resize(static_cast<std::size_t>(p.Request.WParam));
      }
    } else {
      p.TextRead += static_cast<std::size_t>(n);
    }
  }
}

void TInstanceServer::Drop(TPending* pending) {
  auto at = std::find_if(FPending.begin(), FPending.end(), [&](const auto& p) { return p.get() == pending; });
  if (at == FPending.end()) return;
  // Removing a source from inside its own dispatch is allowed: it is not
  // called again.
  if (pending->WatchId) g_source_remove(pending->WatchId);
  if (pending->TimerId) g_source_remove(pending->TimerId);
  if (pending->Fd >= 0) ::close(pending->Fd);
  FPending.erase(at);
}

void TInstanceServer::Answer(TPending* pending) {
  // Out of the list before the receiver runs: it may close or destroy this
  // server, and with it every connection still listed.
  const int fd = pending->Fd;
  const TRequest r = pending->Request;
  std::string text = std::move(pending->Text);
  pending->Fd = -1;
  Drop(pending);
  std::int64_t result = 0;
  TInstanceReceiver& receiver = FReceiver;
  switch (r.Kind) {
    case kKindSend:
      result = receiver.InstanceMessage(r.Msg, static_cast<std::uintptr_t>(r.WParam),
                                        static_cast<std::intptr_t>(r.LParam));
      break;
    case kKindEnabled:
      result = receiver.InstanceEnabled() ? 1 : 0;
      break;
    case kKindOpen:
      result = receiver.InstanceOpen(text);
      break;
    case kKindPing:
    default:
      break;
  }
  // Only locals from here on: the receiver may have destroyed this server.
  // A fresh connection's buffer takes the few bytes of the answer at once;
  // a client that has gone away does not get it.
  unsigned char reply[kReplySize];
  Put32(reply, kMagic);
  Put64(reply + 4, static_cast<std::uint64_t>(result));
  ssize_t sent;
  do {
    sent = ::send(fd, reply, sizeof reply, MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (sent < 0 && errno == EINTR);
  ::close(fd);
}

// ------------------------------------------------------------------ clients

std::vector<std::string> FindInstanceWindows(const std::string& folder, const std::string& className) {
  std::vector<std::pair<std::pair<long long, long long>, std::string>> found;
  if (folder.empty()) return {};
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string prefix = className + ".";
  while (dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    std::string path = folder + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
    int fd = -1;
    switch (Connect(path, fd)) {
      case TConnect::Ok:
        ::close(fd);
        found.push_back({{st.st_mtim.tv_sec, st.st_mtim.tv_nsec}, path});
        break;
      case TConnect::Busy:
        found.push_back({{st.st_mtim.tv_sec, st.st_mtim.tv_nsec}, path});
        break;
      case TConnect::Stale:
        ::unlink(path.c_str());  // its process is gone
        break;
      default:
        break;
    }
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  std::vector<std::string> result;
  for (auto& f : found) result.push_back(std::move(f.second));
  return result;
}

std::optional<std::string> FindInstanceWindow(const std::string& folder, const std::string& className) {
  auto all = FindInstanceWindows(folder, className);
  if (all.empty()) return std::nullopt;
  return all.front();
}

namespace {

TSendStatus Exchange(const std::string& window, std::uint32_t kind, std::uint32_t msg, std::uintptr_t wParam,
                     std::intptr_t lParam, std::int64_t& result, int timeoutMs, std::string_view text = {}) {
  int fd = -1;
  switch (ConnectWithin(window, fd, timeoutMs)) {
    case TConnect::Ok: break;
    case TConnect::Stale:
    case TConnect::Missing: return TSendStatus::NoWindow;
    default: return TSendStatus::Failed;
  }
  unsigned char request[kRequestSize];
  Put32(request, kMagic);
  Put32(request + 4, kind);
  Put32(request + 8, msg);
  Put64(request + 12, static_cast<std::uint64_t>(wParam));
  Put64(request + 20, static_cast<std::uint64_t>(lParam));
  unsigned char reply[kReplySize];
  TSendStatus status = TSendStatus::Ok;
  if (!WriteAll(fd, request, sizeof request, timeoutMs) ||
      !WriteAll(fd, reinterpret_cast<const unsigned char*>(text.data()), text.size(), timeoutMs)) {
    status = TSendStatus::Failed;
  } else if (!WaitFor(fd, POLLIN, timeoutMs)) {
    status = TSendStatus::TimedOut;
  } else if (!ReadExactly(fd, reply, sizeof reply, timeoutMs) || Get32(reply) != kMagic) {
    status = TSendStatus::Failed;
  } else {
    result = static_cast<std::int64_t>(Get64(reply + 4));
  }
  ::close(fd);
  return status;
}

}  // namespace

TSendStatus SendInstanceMessage(const std::string& window, std::uint32_t msg, std::uintptr_t wParam,
                                std::intptr_t lParam, std::intptr_t* result, int timeoutMs) {
  std::int64_t value = 0;
  TSendStatus status = Exchange(window, kKindSend, msg, wParam, lParam, value, timeoutMs);
  if (result) *result = status == TSendStatus::Ok ? static_cast<std::intptr_t>(value) : 0;
  return status;
}

TSendStatus SendInstanceOpen(const std::string& window, const std::string& target, std::intptr_t* result,
                             int timeoutMs) {
  if (result) *result = 0;
  if (target.size() > MaxInstanceTextSize) return TSendStatus::Failed;
  std::int64_t value = 0;
  TSendStatus status = Exchange(window, kKindOpen, 0, target.size(), 0, value, timeoutMs, target);
  if (result && status == TSendStatus::Ok) *result = static_cast<std::intptr_t>(value);
  return status;
}

bool IsInstanceWindowEnabled(const std::string& window, int timeoutMs) {
  std::int64_t value = 0;
  return Exchange(window, kKindEnabled, 0, 0, 0, value, timeoutMs) == TSendStatus::Ok && value != 0;
}

}  // namespace platform
