// The real qor on the display ($DISPLAY: run it under xvfb-run) playing a
// live 128 kbit/s MP3 stream from 127.0.0.1, in three states (list panel
// closed, list panel open, window hidden), beside mpv on the same stream in
// the same run. For each it prints CPU % of one core, resident memory and
// wake-ups (context switches of all threads) a second, read from /proc
// over the measured time, after a warm-up in which the stream connects.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/ui/player/player_bench [seconds] [hidden]
//
// With "hidden" only the hidden state runs (no mpv beside it). For the
// hidden state it also prints what each thread cost. With "visible" only
// the two visible states and mpv run. QOR_BENCH_PROGRAM names another qor
// to measure (an older build, to compare two in turns on a machine whose
// speed changes from minute to minute).
//
// Goals: visible with the spectrum running at most 1.0 x mpv's CPU, hidden
// at most 0.3 % of a core, resident memory at most 50 MB.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ResidentKinds.h"
#include "ThreadTimes.h"
#include "bench/common/BenchKit.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;

namespace {

struct TSample {
  double cpu = 0;         // user and system seconds of all threads
  long switches = 0;      // voluntary and involuntary, of all threads
  long rssKb = 0;
};

TSample Sample(pid_t pid) {
  TSample s;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  // Fields after the command name, which may hold blanks: utime and stime
  // are the 14th and 15th of the line.
  std::size_t close = text.rfind(')');
  if (close != std::string::npos) {
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) utime = std::stoul(field);
      if (i == 15) stime = std::stoul(field);
    }
    s.cpu = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  if (DIR* dir = opendir(tasks.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      std::ifstream status(tasks + "/" + entry->d_name + "/status");
      std::string line;
      while (std::getline(status, line)) {
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
          s.switches += std::atol(line.c_str() + line.find(':') + 1);
      }
    }
    closedir(dir);
  }
  std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
  std::string line;
  while (std::getline(rollup, line))
    if (line.rfind("Rss:", 0) == 0) s.rssKb = std::atol(line.c_str() + 4);
  return s;
}

struct TResult {
  bool ok = false;
  double cpuPercent = 0;
  double rssMb = 0;
  double wakeups = 0;
  benchkit::TResidentKinds kinds;  // at the end of the measured time
  benchkit::TThreadTimes threads;  // over the measured time
  double seconds = 0;
};

// Starts `argv`, lets it warm up, then measures it for `seconds`.
TResult Measure(const std::vector<std::string>& argv, const std::vector<std::string>& environment, int seconds) {
  child::TSpawn launch;
  launch.Argv = argv;
  launch.Environment = environment;
  launch.StdIn = child::kNull;
  launch.StdOut = child::kNull;
  if (!std::getenv("QOR_BENCH_VERBOSE")) launch.StdErr = child::kNull;
  pid_t pid = -1;
  TResult r;
  if (child::Spawn(launch, pid) != 0) return r;
  std::this_thread::sleep_for(std::chrono::seconds(6));
  const TSample first = Sample(pid);
  const benchkit::TThreadTimes firstThreads = benchkit::ReadThreadTimes(pid);
  const auto start = std::chrono::steady_clock::now();
  long peakKb = first.rssKb;
  TSample last = first;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds)) {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    last = Sample(pid);
    peakKb = std::max(peakKb, last.rssKb);
  }
  r.threads = benchkit::ThreadTimesBetween(firstThreads, benchkit::ReadThreadTimes(pid));
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.seconds = elapsed;
  {
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    r.kinds = benchkit::ReadResidentKinds(smaps, fs::weakly_canonical(argv[0]).string());
  }
  int status = 0;
  r.ok = ::waitpid(pid, &status, WNOHANG) == 0;  // still running: it played through
  ::kill(pid, SIGTERM);
  for (int i = 0; i < 50 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  r.cpuPercent = 100.0 * (last.cpu - first.cpu) / elapsed;
  r.wakeups = static_cast<double>(last.switches - first.switches) / elapsed;
  r.rssMb = static_cast<double>(peakKb) / 1024.0;
  return r;
}

// An environment of our own for one qor run: private settings, data and
// runtime folders, options for the state to measure, no sound device.
std::vector<std::string> QorEnvironment(const fs::path& root, const std::string& options) {
  fs::create_directories(root / "config" / "Kelvarin" / "QOR");
  fs::create_directories(root / "data");
  fs::create_directories(root / "runtime");
  fs::permissions(root / "runtime", fs::perms::owner_all);
  std::ofstream(root / "config" / "Kelvarin" / "QOR" / "options.ini")
      << "[player]\nautoplay=0\ncheckversion=0\nleft=40\ntop=40\n" << options
      << "[application]\nfirstrun=0\nshowbanner=0\nsingleinstance=0\n";
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0 ||
        entry.rfind("XDG_RUNTIME_DIR=", 0) == 0 || entry.rfind("SDL_AUDIODRIVER=", 0) == 0)
      continue;
    env.push_back(entry);
  }
  env.push_back("XDG_CONFIG_HOME=" + (root / "config").string());
  env.push_back("XDG_DATA_HOME=" + (root / "data").string());
  env.push_back("XDG_RUNTIME_DIR=" + (root / "runtime").string());
  env.push_back("SDL_AUDIODRIVER=dummy");
  return env;
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc >= 2 ? std::max(5, std::atoi(argv[1])) : 60;
  const bool hiddenOnly = argc >= 3 && std::string(argv[2]) == "hidden";
  const bool visibleOnly = argc >= 3 && std::string(argv[2]) == "visible";
  const char* other = std::getenv("QOR_BENCH_PROGRAM");
  const std::string program = other && *other ? other : QOR_PATH;
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "needs a display: run it under xvfb-run\n");
    return 2;
  }
  const std::string music = benchkit::MakeMusic();
  if (music.empty()) {
    std::fprintf(stderr, "ffmpeg could not make the test stream\n");
    return 2;
  }
  benchkit::TStreamServer server(music, "HTTP/1.0 200 OK");
  char pattern[] = "/tmp/qor-player-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 2;
  const fs::path root = pattern;

  struct TRow {
    const char* name;
    std::string options;
    TResult result;
  } rows[] = {{"qor, list panel closed", "[playlist]\nvisible=0\n", {}},
              {"qor, list panel open", "[playlist]\nvisible=1\n", {}},
              {"qor, window hidden", "autohide=1\n[playlist]\nvisible=0\n", {}}};
  std::printf("Playing %s for %d s in each state (%s)...\n", server.Url().c_str(), seconds, program.c_str());
  int n = 0;
  for (auto& row : rows) {
    const fs::path home = root / std::to_string(n++);
    if ((hiddenOnly && &row != &rows[2]) || (visibleOnly && &row == &rows[2])) continue;
    row.result = Measure({program, server.Url()}, QorEnvironment(home, row.options), seconds);
  }
  std::vector<std::string> own;
  for (char** e = environ; *e; ++e) own.push_back(*e);
  TResult mpv;
  if (!hiddenOnly) mpv = Measure({"mpv", "--no-video", "--ao=null", "--really-quiet", server.Url()}, own, seconds);
  std::error_code ec;
  fs::remove_all(root, ec);

  std::printf("%-26s %10s %10s %12s\n", "program", "% core", "RSS MB", "wake-ups/s");
  auto print = [](const char* name, const TResult& r) {
    if (!r.ok) {
      std::printf("%-26s failed (ended early or did not start)\n", name);
      return;
    }
    std::printf("%-26s %9.2f%% %10.1f %12.0f\n", name, r.cpuPercent, r.rssMb, r.wakeups);
  };
  for (const auto& row : rows)
    if ((!hiddenOnly || &row == &rows[2]) && (!visibleOnly || &row != &rows[2])) print(row.name, row.result);
  if (!hiddenOnly) print("mpv --no-video --ao=null", mpv);
  if (mpv.ok && mpv.cpuPercent > 0) {
    for (int i = 0; i < 2; ++i)
      if (rows[i].result.ok)
        std::printf("%s: %.2f x mpv's CPU (goal: at most 1.0)\n", rows[i].name, rows[i].result.cpuPercent / mpv.cpuPercent);
  }
  if (rows[2].result.ok) {
    const TResult& hidden = rows[2].result;
    std::printf("hidden: %.2f %% of a core (goal: at most 0.3 %%)\n", hidden.cpuPercent);
    std::printf("  %-18s %10s %12s %14s\n", "thread", "% core", "wake-ups/s", "page faults/s");
    double cpu = 0, switches = 0, faults = 0;
    for (const auto& [name, t] : hidden.threads) {
      cpu += t.CpuSeconds;
      switches += static_cast<double>(t.Switches);
      faults += static_cast<double>(t.MinorFaults);
      std::printf("  %-18s %9.3f%% %12.1f %14.1f\n", name.c_str(), 100.0 * t.CpuSeconds / hidden.seconds,
                  static_cast<double>(t.Switches) / hidden.seconds, static_cast<double>(t.MinorFaults) / hidden.seconds);
    }
    std::printf("  %-18s %9.3f%% %12.1f %14.1f\n", "all", 100.0 * cpu / hidden.seconds, switches / hidden.seconds,
                faults / hidden.seconds);
  }
  std::printf("where the resident memory of each qor state lies (MB):\n");
  for (const auto& row : rows) {
    if (!row.result.ok) continue;
    const benchkit::TResidentKinds& k = row.result.kinds;
    auto mb = [](long kb) { return static_cast<double>(kb) / 1024.0; };
    std::printf("  %-24s heap %.1f, other anonymous %.1f, %d libraries %.1f (of it relocated data %.1f), "
                "program %.1f, fonts %.1f, other files %.1f\n",
                row.name, mb(k.HeapKb), mb(k.AnonymousKb), k.Libraries, mb(k.LibraryFileKb + k.LibraryDataKb),
                mb(k.LibraryDataKb), mb(k.ProgramKb), mb(k.FontKb), mb(k.OtherFileKb));
  }
  long worst = 0;
  for (const auto& row : rows) worst = std::max(worst, static_cast<long>(row.result.rssMb + 0.5));
  std::printf("largest resident memory: %ld MB (goal: at most 50 MB)\n", worst);
  bool ok = hiddenOnly ? rows[2].result.ok : mpv.ok;
  for (const auto& row : rows)
    ok = ok && (row.result.ok || (hiddenOnly && &row != &rows[2]) || (visibleOnly && &row == &rows[2]));
  return ok ? 0 : 1;
}
