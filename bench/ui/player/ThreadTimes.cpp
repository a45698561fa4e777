#include "ThreadTimes.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace benchkit {

TThreadTimes ReadThreadTimes(pid_t pid) {
  TThreadTimes times;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return times;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const std::string task = tasks + "/" + entry->d_name;
    std::string name;
    std::getline(std::ifstream(task + "/comm"), name);
    if (name.empty()) continue;
    TThreadTime& t = times[name];
    unsigned long long ns = 0;
    if (std::ifstream(task + "/schedstat") >> ns) t.CpuSeconds += static_cast<double>(ns) / 1e9;
    std::string stat;
    std::getline(std::ifstream(task + "/stat"), stat);
    // After the name, which may hold blanks: the state is the 3rd field,
    // the minor faults the 10th.
    if (std::size_t close = stat.rfind(')'); close != std::string::npos) {
      std::istringstream rest(stat.substr(close + 2));
      std::string field;
      for (int i = 3; i <= 10 && rest >> field; ++i)
        if (i == 10) t.MinorFaults += std::atol(field.c_str());
    }
    std::ifstream status(task + "/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
        t.Switches += std::atol(line.c_str() + line.find(':') + 1);
  }
  closedir(dir);
  return times;
}

TThreadTimes ThreadTimesBetween(const TThreadTimes& first, const TThreadTimes& last) {
  TThreadTimes between;
  for (const auto& [name, now] : last) {
    TThreadTime t = now;
    if (auto before = first.find(name); before != first.end()) {
      t.CpuSeconds -= before->second.CpuSeconds;
      t.Switches -= before->second.Switches;
      t.MinorFaults -= before->second.MinorFaults;
    }
    between[name] = t;
  }
  return between;
}

}  // namespace benchkit
