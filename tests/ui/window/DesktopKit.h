// What the tests of the real program on a desktop share: command-line
// tools run to their end, polling with a deadline, and an X server and a
// session bus of the test's own, so that windows, key grabs and bus names
// of tests running meanwhile never meet.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "FixtureServer.h"
#include "PlayerWindowKit.h"
#include "PrivateDisplay.h"
#include "QorProcess.h"
#include "Shell.h"

namespace uitest {

// Output of a program on the search path, or nothing when it failed.
std::optional<std::string> RunTool(const std::vector<std::string>& args);
// The first line of RunTool's output ("" when it failed).
std::string ToolLine(const std::vector<std::string>& args);
// The full path of a program on the search path ("" when there is none).
std::string ProgramPath(const char* program);
bool Have(const char* program);

template <typename F>
bool WaitFor(F done, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The settings and runtime folders of `env`, and two favourites, "Test
// Radyo" (0x21) and "İkinci" (0x22), on one ICY station of `server` whose
// title is "Şebnem - Çiçek".
bool SetUpTwoFavourites(const apptest::TQorEnv& env, testkit::FixtureServer& server);

// Starts `program` with `args` and reads the first line it prints (a bus
// address); whatever `variable` names points at it while the object lives.
class TPrivateServer {
 public:
  TPrivateServer(const std::string& program, const std::vector<std::string>& args, const char* variable,
                 const std::string& prefix, const std::filesystem::path& logs);
  bool Ok() const { return FScope != nullptr; }
  const std::string& Address() const { return FAddress; }

 private:
  std::unique_ptr<testkit::ChildProcess> FProcess;
  std::unique_ptr<testkit::EnvScope> FScope;
  std::string FAddress;
};

// A second X client on `display` that grabs Ctrl+Alt+<key> on the root
// window (with or without the lock modifiers), as another program holding
// a hotkey does.
class TForeignGrab {
 public:
  explicit TForeignGrab(const std::string& display);
  ~TForeignGrab();
  bool Ok() const { return FDisplay != nullptr; }
  // key: an X key name ("h"); false undoes the grab.
  void Grab(const char* key, bool grab);

 private:
  void* FDisplay = nullptr;
};

// No key of the display DISPLAY names repeats while the object lives.
// xdotool presses and releases each key in turn; on a loaded machine the
// release can come later than the server's repeat delay, and a repeated
// letter is typed twice.
class TKeysDoNotRepeat {
 public:
  TKeysDoNotRepeat();
  ~TKeysDoNotRepeat();
  TKeysDoNotRepeat(const TKeysDoNotRepeat&) = delete;
  TKeysDoNotRepeat& operator=(const TKeysDoNotRepeat&) = delete;

 private:
  void* FDisplay = nullptr;
  bool FRepeated = false;
};

// Xvfb 1280 x 1024 (DISPLAY, XAUTHORITY); Ok() is false without Xvfb.
std::unique_ptr<testkit::PrivateDisplay> StartDisplay(const std::filesystem::path& logs);
// dbus-daemon --session (DBUS_SESSION_BUS_ADDRESS); Ok() is false without it.
std::unique_ptr<TPrivateServer> StartSessionBus(const std::filesystem::path& logs);

}  // namespace uitest
