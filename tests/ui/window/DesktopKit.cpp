#include "DesktopKit.h"

#include <X11/Xlib.h>
#include <glib.h>

#include "DisplayLock.h"


namespace uitest {

std::optional<std::string> RunTool(const std::vector<std::string>& args) {
  // xdotool and the like act on the display: the shared one is taken
  // first (a test's own X server needs no turn).
  testkit::TakeDisplay();
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = -1;
  bool ok = g_spawn_sync(nullptr, argv.data(), nullptr,
                         GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr, &out,
                         nullptr, &status, nullptr);
  std::string text = out ? out : "";
  g_free(out);
  if (!ok || status != 0) return std::nullopt;
  return text;
}

std::string ToolLine(const std::vector<std::string>& args) {
  auto text = RunTool(args);
  return text ? text->substr(0, text->find('\n')) : "";
}

std::string ProgramPath(const char* program) {
  gchar* path = g_find_program_in_path(program);
  std::string found = path ? path : "";
  g_free(path);
  return found;
}

bool Have(const char* program) { return !ProgramPath(program).empty(); }

TPrivateServer::TPrivateServer(const std::string& program, const std::vector<std::string>& args,
                               const char* variable, const std::string& prefix, const std::filesystem::path& logs) {
  std::string found = ProgramPath(program.c_str());
  if (found.empty()) return;
  FProcess = std::make_unique<testkit::ChildProcess>(found, args, testkit::ChildProcess::EnvChanges{}, logs);
  std::string line;
  if (!WaitFor([&] {
        line = FProcess->Stdout();
        return line.find('\n') != std::string::npos;
      }))
    return;
  FAddress = prefix + line.substr(0, line.find('\n'));
  FScope = std::make_unique<testkit::EnvScope>(variable, FAddress.c_str());
}

bool SetUpTwoFavourites(const apptest::TQorEnv& env, testkit::FixtureServer& server) {
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::create_directories(env.SettingsFolder());
  // Made before the test: a list built inside the short-circuit makes GCC
  // see a temporary that might not be constructed.
  const std::vector<TStation> stations = {{u"Test Radyo", server.Url("/live"), 0x21, u""},
                                          {u"İkinci", server.Url("/live"), 0x22, u""}};
  return RouteIcyStation(server, "\xC5\x9E" "ebnem - \xC3\x87i\xC3\xA7" "ek") &&
         SaveStations(env.SettingsFolder() / "playlist.rpf", stations);
}

TKeysDoNotRepeat::TKeysDoNotRepeat() : FDisplay(XOpenDisplay(nullptr)) {
  auto* display = static_cast<Display*>(FDisplay);
  if (!display) return;
  XKeyboardState state{};
  XGetKeyboardControl(display, &state);
  FRepeated = state.global_auto_repeat == AutoRepeatModeOn;
  XAutoRepeatOff(display);
  XSync(display, False);
}

TKeysDoNotRepeat::~TKeysDoNotRepeat() {
  auto* display = static_cast<Display*>(FDisplay);
  if (!display) return;
  if (FRepeated) XAutoRepeatOn(display);
  XCloseDisplay(display);
}

TForeignGrab::TForeignGrab(const std::string& display) : FDisplay(XOpenDisplay(display.c_str())) {}

TForeignGrab::~TForeignGrab() {
  if (FDisplay) XCloseDisplay(static_cast<Display*>(FDisplay));
}

void TForeignGrab::Grab(const char* key, bool grab) {
  auto* display = static_cast<Display*>(FDisplay);
  if (!display) return;
  KeyCode code = XKeysymToKeycode(display, XStringToKeysym(key));
  Window root = DefaultRootWindow(display);
  for (unsigned locks : {0u, unsigned(Mod2Mask), unsigned(LockMask), unsigned(Mod2Mask | LockMask)}) {
    if (grab) XGrabKey(display, code, ControlMask | Mod1Mask | locks, root, True, GrabModeAsync, GrabModeAsync);
    else XUngrabKey(display, code, ControlMask | Mod1Mask | locks, root);
  }
  XSync(display, False);
}

std::unique_ptr<testkit::PrivateDisplay> StartDisplay(const std::filesystem::path& logs) {
  return std::make_unique<testkit::PrivateDisplay>(logs);
}

std::unique_ptr<TPrivateServer> StartSessionBus(const std::filesystem::path& logs) {
  return std::make_unique<TPrivateServer>(
      "dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
      "DBUS_SESSION_BUS_ADDRESS", "", logs);
}

}  // namespace uitest
