#include "CliProcess.h"

#include <cstdlib>

#include "Offline.h"

namespace clitest {

namespace fs = std::filesystem;

std::string CliBinary() {
  const char* build = std::getenv("QOR_BUILD_DIR");
  return (fs::path(build ? build : ".") / "tools" / "qor-cli" / "qor-cli").string();
}

namespace {

testkit::ChildProcess::EnvChanges Environment(const fs::path& configHome) {
  auto changes = testkit::OfflineEnvironment();
  changes.insert(changes.end(),
                 {{"XDG_CONFIG_HOME", configHome.string()}, {"SDL_AUDIODRIVER", "dummy"}, {"DISPLAY", std::nullopt}});
  return changes;
}

}  // namespace

TCliProcess::TCliProcess(const fs::path& configHome, const std::vector<std::string>& args, bool closedStandardFiles)
    : ChildProcess(closedStandardFiles ? "/bin/sh" : CliBinary(), closedStandardFiles ? StandardFilesClosed(CliBinary(), args) : args,
                   Environment(configHome), configHome) {}

std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  size_t nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

}  // namespace clitest
