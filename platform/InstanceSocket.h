// Messages between running instances. Each running controller listens on
// one Unix-domain socket "<class>.<pid>.<n>" in the runtime folder; finding
// a window of a class means finding a socket of that class that accepts a
// connection (sockets left by crashed processes are removed on the way). A
// message is answered synchronously: the server hands it to its receiver on
// the GLib main loop and sends the result back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

inline constexpr const char* ControllerClassName = "QORClass";

inline constexpr std::uint32_t WM_NULL_MESSAGE = 0;
inline constexpr std::uint32_t WM_CLOSE_MESSAGE = 16;
inline constexpr std::uint32_t UM_ACTIVATE_MESSAGE = 37682;

// What the controller window offers the other instances.
class TInstanceReceiver {
 public:
  virtual ~TInstanceReceiver() = default;
  // Runs on the main loop's thread; the result goes back to the sender.
  virtual std::intptr_t InstanceMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  // Whether the window accepts input (a disabled window is left alone).
  virtual bool InstanceEnabled() { return true; }
  // A file or address that another instance was asked to open (UTF-8).
  virtual std::intptr_t InstanceOpen(const std::string& /*target*/) { return 0; }
};

class TInstanceServer {
 public:
  // Listens at once on the default GLib main context. Failed() tells
  // whether that worked (ErrorText says why).
  TInstanceServer(std::string folder, TInstanceReceiver& receiver,
                  std::string className = ControllerClassName);
  ~TInstanceServer();
  TInstanceServer(const TInstanceServer&) = delete;
  TInstanceServer& operator=(const TInstanceServer&) = delete;

  bool Failed() const { return FListenFd < 0; }
  const std::string& ErrorText() const { return FError; }
  const std::string& Path() const { return FPath; }

  // Stops listening and removes the socket, so that the window can no
  // longer be found. Safe inside the receiver's own message handling: the
  // message being handled is still answered; requests not yet read whole
  // are dropped.
  void Close();

  // How long a connection may take to send its whole request before it is
  // dropped. Requests are read as their bytes arrive, between the loop's
  // other work, so a slow or silent client delays nobody else.
  int RequestTimeoutMs = 2000;
  // Connections read at the same time; the oldest is dropped for a new one
  // beyond that, so that silent clients cannot use up our descriptors.
  static constexpr std::size_t MaxPendingRequests = 16;
  // Connections whose request is still being read.
  std::size_t PendingRequests() const { return FPending.size(); }

 private:
  struct TPending;
  static int OnAcceptable(int fd, unsigned condition, void* self);
  static int OnRequestReadable(int fd, unsigned condition, void* pending);
  static int OnRequestTimeout(void* pending);
  void AcceptAll();
  // Reads what has arrived; true while the request is still incomplete.
  bool ReadSome(TPending& pending);
  void Drop(TPending* pending);
  void Answer(TPending* pending);

  TInstanceReceiver& FReceiver;
  std::string FPath;
  std::string FError;
  int FListenFd = -1;
  unsigned FSourceId = 0;
  std::vector<std::unique_ptr<TPending>> FPending;
};

// Every live socket of the class, oldest first; stale ones are removed.
std::vector<std::string> FindInstanceWindows(const std::string& folder,
                                             const std::string& className = ControllerClassName);
std::optional<std::string> FindInstanceWindow(const std::string& folder,
                                              const std::string& className = ControllerClassName);

enum class TSendStatus { Ok, NoWindow, Failed, TimedOut };

// Sends one message and waits up to timeoutMs for the answer.
TSendStatus SendInstanceMessage(const std::string& window, std::uint32_t msg, std::uintptr_t wParam,
                                std::intptr_t lParam, std::intptr_t* result = nullptr, int timeoutMs = 20000);
// Longest text SendInstanceOpen carries; servers refuse longer ones unread.
inline constexpr std::size_t MaxInstanceTextSize = 64 * 1024;

// Hands a file path or an address to the window's InstanceOpen and waits
// for its answer. Failed without sending when the text is too long.
TSendStatus SendInstanceOpen(const std::string& window, const std::string& target, std::intptr_t* result = nullptr,
                             int timeoutMs = 20000);

// Asks whether the window is enabled; false when it does not answer.
bool IsInstanceWindowEnabled(const std::string& window, int timeoutMs = 5000);

}  // namespace platform
