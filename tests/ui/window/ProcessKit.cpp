#include "ProcessKit.h"

#include "PlayerWindowKit.h"

#include <glib.h>

#include <thread>

namespace uitest {

std::optional<std::string> RunTool(const std::vector<std::string>& args) {
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

bool Have(const char* program) {
  gchar* path = g_find_program_in_path(program);
  bool found = path != nullptr;
  g_free(path);
  return found;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

void PrepareProgram(apptest::TQorEnv& env, const std::filesystem::path& dir,
                    const std::vector<std::pair<std::u16string, int32_t>>& favourites, const std::string& url) {
  env.ConfigHome = dir / "config";
  env.RuntimeDir = dir / "run";
  std::filesystem::create_directories(env.RuntimeDir);
  std::filesystem::create_directories(env.SettingsFolder());
  std::vector<TStation> stations;
  for (const auto& [name, id] : favourites) stations.push_back({name, url, id, u""});
  WriteStations(env.SettingsFolder() / "playlist.rpf", stations);
}

bool HavePrivateDisplay() { return Have("Xvfb") && Have("xdotool"); }

TPrivateDisplay::TPrivateDisplay(const std::filesystem::path& logFolder) {
  gchar* xvfb = g_find_program_in_path("Xvfb");
  std::string server = xvfb ? xvfb : "";
  g_free(xvfb);
  if (server.empty()) return;
  FXvfb = std::make_unique<testkit::ChildProcess>(
      server, std::vector<std::string>{"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
      testkit::ChildProcess::EnvChanges{}, logFolder);
  std::string display;
  if (!WaitFor([&] {
        display = FXvfb->Stdout();
        return display.find('\n') != std::string::npos;
      }))
    return;
  display = ":" + display.substr(0, display.find('\n'));
  FDisplay = std::make_unique<testkit::EnvScope>("DISPLAY", display.c_str());
}

}  // namespace uitest
