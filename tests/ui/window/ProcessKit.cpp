#include "ProcessKit.h"

#include "PlayerWindowKit.h"

namespace uitest {

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

}  // namespace uitest
