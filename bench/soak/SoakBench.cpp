// soak_bench [minutes] [direct|ffmpeg|both|cli] [drop seconds]
//
// A radio left playing for days must not grow. This serves a 128 kbit/s MP3
// stream from 127.0.0.1 in real time, with a new title every 10 s and the
// connection dropped every 2 minutes, and plays it for the given time
// (default 10 minutes) with the direct player and with the ffmpeg player,
// both at once, each in a process of its own on a server of its own. The
// played process runs the real controller, players and audio library on
// the no-sound device, with a client in the player window's place that
// plays again whenever the station stops (the ffmpeg player ends with its
// decoder when the connection drops; the direct player reconnects by
// itself). "cli" plays with qor-cli instead (direct player only: qor-cli
// ends when the station stops).
//
// Every 10 s it samples the played process's anonymous resident memory
// (RssAnon) and its proportional set size (PSS), with the anonymous part of
// the latter, and the heap in use that the soak player reports; at the end
// it prints the slope of each in KB per minute after the first minute in
// three ways (see SoakTrend.h: a straight line, the line through each
// window's low, the slope inside the levels) and checks the goal
// on the last two of the anonymous figures and the heap: at most 2 KB a
// minute. The whole PSS also counts the pages of shared libraries, whose
// share moves whenever other processes map or drop the same libraries, so
// it is shown but not checked. The ffmpeg player's decoder is a process of
// its own that starts anew on every reconnect, so it is not counted.
//
// "soak_bench --serve [minutes] [drop seconds]" only runs the stream server and prints its
// address, for looking at a player under heaptrack or massif by hand.
// "soak_bench --trend FILE [window minutes]" reads samples ("minutes KB" a
// line, e.g. from a run under heaptrack) and prints their trend as below.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SoakPlayer.h"
#include "SoakTrend.h"
#include "bench/common/BenchKit.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTitleEvery = 10;   // seconds
constexpr int kDropEvery = 120;   // seconds, unless given
constexpr int kSampleEvery = 10;  // seconds
constexpr double kGoalKbPerMinute = 2.0;
// Neighbouring samples further apart than this are on different levels:
// above the heap's page-by-page wander (a few pages), below the half
// second of decoded audio by which a push stream's queue grows (172 KB).
constexpr double kJumpKb = 128;

// The number after `key` in a /proc file of `pid`, in KB; -1 when absent.
long ProcKb(pid_t pid, const char* file, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return -1;
}

struct TSample {
  double minutes;
  long anonKb, pssKb, pssAnonKb;
  long heapKb;  // -1 when the played process does not tell it (qor-cli)
};

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// The trend of one figure of the samples after the first minute.
template <typename Value>
soak::TTrend TrendOf(const std::vector<TSample>& samples, double windowMinutes, Value value) {
  std::vector<soak::TPoint> points;
  for (const auto& s : samples) points.push_back({s.minutes, static_cast<double>(value(s))});
  return soak::Trend(points, 1.0, windowMinutes, kJumpKb);
}

// One qor-cli playing one server's stream; what it prints is counted by a
// reader thread.
struct TPlayer {
  std::string name;
  std::unique_ptr<benchkit::TStreamServer> server;
  pid_t pid = -1;
  int out = -1;
  std::thread reader;
  int titles = 0, playing = 0, stopped = 0;
  std::atomic<long> heapKb{-1};  // the latest the played process told
  bool cli = false;
  std::vector<TSample> samples;
  int status = -1;
  bool exitedEarly = false;
};

void ReadEvents(TPlayer& p) {
  std::string pending;
  char buffer[4096];
  ssize_t n;
  while ((n = read(p.out, buffer, sizeof buffer)) > 0) {
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
      std::string line = pending.substr(0, eol);
      // Lines of the soak player and of qor-cli alike.
      if (size_t at = line.find("heap-used "); at != std::string::npos)
        p.heapKb = std::atol(line.c_str() + at + 10);
      else if (line.find("title") != std::string::npos) ++p.titles;
      else if (line.find("playing") != std::string::npos) ++p.playing;
      else if (line.find("stopped") != std::string::npos) ++p.stopped;
      if (getenv("QOR_BENCH_VERBOSE")) std::fprintf(stderr, "%s: %s\n", p.name.c_str(), line.c_str());
    }
  }
  close(p.out);
}

// A settings, data and runtime folder of the run's own, so that the bench
// never reads or changes the user's options or meets a running player.
fs::path PrivateFolders() {
  std::string pattern = (fs::temp_directory_path() / "qor-soak-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return {};
  fs::path root = pattern;
  for (const char* name : {"config", "data", "runtime"}) fs::create_directory(root / name);
  fs::permissions(root / "runtime", fs::perms::owner_all);
  return root;
}

bool Start(TPlayer& p, const std::string& address, int seconds, const fs::path& root) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const fs::path home = root / p.name;
  for (const char* name : {"config", "data", "runtime"}) fs::create_directories(home / name);
  fs::permissions(home / "runtime", fs::perms::owner_all);
  p.pid = fork();
  if (p.pid == 0) {
    dup2(pipeFds[1], 1);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (!getenv("QOR_BENCH_VERBOSE")) {
      FILE* devnull = std::fopen("/dev/null", "w");
      if (devnull) dup2(fileno(devnull), 2);
    }
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    if (p.cli) {
      // A backstop only: the bench ends the run itself.
      const std::string limit = std::to_string(seconds + 120);
      execl(QOR_CLI_PATH, QOR_CLI_PATH, "play", address.c_str(), "--seconds", limit.c_str(), "--no-sound",
            static_cast<char*>(nullptr));
    } else {
      const std::string options = (home / "options.ini").string();
      execl("/proc/self/exe", "soak_bench", "--player", address.c_str(), options.c_str(), static_cast<char*>(nullptr));
    }
    _exit(127);
  }
  close(pipeFds[1]);
  if (p.pid < 0) {
    close(pipeFds[0]);
    return false;
  }
  p.out = pipeFds[0];
  p.reader = std::thread([&p] { ReadEvents(p); });
  return true;
}

void Finish(TPlayer& p) {
  if (p.pid <= 0) return;
  int status = 0;
  if (waitpid(p.pid, &status, WNOHANG) == 0) {
    kill(p.pid, SIGTERM);
    waitpid(p.pid, &status, 0);
  } else {
    p.exitedEarly = true;
  }
  p.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (p.reader.joinable()) p.reader.join();
}

benchkit::TStreamOptions SoakStream(int dropEvery) {
  benchkit::TStreamOptions options;
  options.statusLine = "ICY 200 OK";
  options.dropEvery = dropEvery;
  options.titleEvery = kTitleEvery;
  return options;
}

int Serve(int minutes, int dropEvery) {
  const std::string music = benchkit::MakeMusic();
  if (music.empty()) return 2;
  benchkit::TStreamServer server(music, SoakStream(dropEvery));
  std::printf("%s\n", server.Url().c_str());
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::minutes(minutes));
  return 0;
}

// The trend of samples recorded elsewhere, one "minutes KB" pair a line.
int TrendOfFile(const char* path, double window) {
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path);
    return 2;
  }
  std::vector<soak::TPoint> points;
  double minutes, kb;
  while (in >> minutes >> kb) points.push_back({minutes, kb});
  const soak::TTrend t = soak::Trend(points, 1.0, window, kJumpKb);
  std::printf("%zu samples: line %.2f, lows %.2f, levels %.2f KB a minute, %d jumps\n", points.size(), t.raw,
              t.minima, t.inLevels, t.jumps);
  for (const auto& w : t.windows)
    std::printf("%5.1f-%5.1f min  lowest %8.0f KB  low %8.0f KB  highest %8.0f KB\n", w.from, w.to, w.low, w.floor,
                w.high);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--player") return soak::RunPlayer(argv[2], argv[3]);
  if (argc >= 2 && std::string(argv[1]) == "--serve")
    return Serve(argc >= 3 ? std::max(1, std::atoi(argv[2])) : 60, argc >= 4 ? std::max(5, std::atoi(argv[3])) : kDropEvery);
  if (argc >= 3 && std::string(argv[1]) == "--trend")
    return TrendOfFile(argv[2], argc >= 4 ? std::max(0.5, std::atof(argv[3])) : 10.0);
  const int minutes = argc >= 2 ? std::max(2, std::atoi(argv[1])) : 10;
  const std::string which = argc >= 3 ? argv[2] : "both";
  const int dropEvery = argc >= 4 ? std::max(5, std::atoi(argv[3])) : kDropEvery;
  const int seconds = minutes * 60;

  const std::string music = benchkit::MakeMusic();
  if (music.empty()) {
    std::fprintf(stderr, "ffmpeg could not make the test stream\n");
    return 2;
  }
  const fs::path root = PrivateFolders();
  if (root.empty()) {
    std::fprintf(stderr, "cannot make a temporary folder\n");
    return 2;
  }
  std::vector<std::unique_ptr<TPlayer>> players;
  for (const char* name : {"direct", "ffmpeg", "cli"}) {
    if (which == "both" ? std::string(name) == "cli" : which != name) continue;
    auto p = std::make_unique<TPlayer>();
    p->name = name;
    p->cli = p->name == "cli";
    p->server = std::make_unique<benchkit::TStreamServer>(music, SoakStream(dropEvery));
    // The ffmpeg player is picked by the address's "ffmpeg+" prefix.
    const std::string address = (p->name == "ffmpeg" ? "ffmpeg+" : "") + p->server->Url();
    if (!Start(*p, address, seconds, root)) {
      std::fprintf(stderr, "qor-cli could not start\n");
      return 2;
    }
    players.push_back(std::move(p));
  }
  std::printf("Soak: plays a 128 kbit/s MP3 stream for %d min (title every %d s, connection dropped "
              "every %d s), sampled every %d s.\n",
              minutes, kTitleEvery, dropEvery, kSampleEvery);
  std::fflush(stdout);

  const auto start = Clock::now();
  for (int tick = 1; tick * kSampleEvery <= seconds; ++tick) {
    std::this_thread::sleep_until(start + std::chrono::seconds(tick * kSampleEvery));
    const double at = std::chrono::duration<double>(Clock::now() - start).count() / 60.0;
    bool any = false;
    for (auto& p : players) {
      long anon = ProcKb(p->pid, "status", "RssAnon:");
      long pss = ProcKb(p->pid, "smaps_rollup", "Pss:");
      long pssAnon = ProcKb(p->pid, "smaps_rollup", "Pss_Anon:");
      if (anon < 0 || pss < 0) continue;
      any = true;
      p->samples.push_back({at, anon, pss, pssAnon, p->heapKb.load()});
      if (tick % 6 == 0)
        std::printf("%6.1f min  %-6s RssAnon %7ld KB  PSS %7ld KB (anonymous %7ld)  titles %4d  connects %3d\n", at,
                    p->name.c_str(), anon, pss, pssAnon, p->titles, p->server->Connections());
    }
    std::fflush(stdout);
    if (!any) break;
  }
  for (auto& p : players) Finish(*p);
  std::error_code ignored;
  fs::remove_all(root, ignored);

  // Ten-minute windows, or thirds of a shorter run.
  const double window = std::min(10.0, std::max(1.0, (minutes - 1) / 3.0));
  std::printf("\nKB a minute after the first minute: \"line\" is the least-squares line through all\n"
              "samples; \"lows\" the line through each %.0f-minute window's low (its tenth percentile, so\n"
              "that a sample or two taken between two channels do not count); \"levels\"\n"
              "the slope inside the levels (the samples between two jumps of more than %.0f KB, each\n"
              "run of them at its own height). A bounded buffer that is fuller or emptier moves only\n"
              "the first; growth moves the other two, and the goal is judged on them. \"heap used\" is\n"
              "what the played process's malloc has handed out and not got back: a small leak first\n"
              "fills freed memory that is resident already, so it shows there long before it shows in\n"
              "resident memory.\n",
              window, kJumpKb);
  std::printf("%-8s %8s %9s %11s %11s %7s %7s %7s %6s %7s %9s\n", "player", "samples", "figure", "first KB",
              "last KB", "line", "lows", "levels", "jumps", "titles", "connects");
  bool ok = true;
  for (auto& p : players) {
    const TSample first = p->samples.empty() ? TSample{} : p->samples.front();
    const TSample last = p->samples.empty() ? TSample{} : p->samples.back();
    const soak::TTrend anon = TrendOf(p->samples, window, [](const TSample& s) { return s.anonKb; });
    const soak::TTrend pss = TrendOf(p->samples, window, [](const TSample& s) { return s.pssKb; });
    const soak::TTrend pssAnon = TrendOf(p->samples, window, [](const TSample& s) { return s.pssAnonKb; });
    auto row = [&](const char* figure, long from, long to, const soak::TTrend& t) {
      std::printf("%-8s %8zu %9s %11ld %11ld %7.2f %7.2f %7.2f %6d %7d %9d\n", p->name.c_str(), p->samples.size(),
                  figure, from, to, t.raw, t.minima, t.inLevels, t.jumps, p->titles, p->server->Connections());
    };
    row("RssAnon", first.anonKb, last.anonKb, anon);
    row("PSS", first.pssKb, last.pssKb, pss);
    row("PSS anon", first.pssAnonKb, last.pssAnonKb, pssAnon);
    const bool hasHeap = !p->samples.empty() && first.heapKb >= 0;
    const soak::TTrend heap = TrendOf(p->samples, window, [](const TSample& s) { return s.heapKb; });
    if (hasHeap) row("heap used", first.heapKb, last.heapKb, heap);
    for (const auto& w : anon.windows)
      std::printf("%-8s RssAnon %5.1f-%5.1f min  lowest %8.0f KB  low %8.0f KB  highest %8.0f KB\n", p->name.c_str(),
                  w.from, w.to, w.low, w.floor, w.high);
    if (p->exitedEarly) {
      std::printf("FAIL: the %s player's process ended early (status %d)\n", p->name.c_str(), p->status);
      ok = false;
      continue;
    }
    double worst = std::max({anon.minima, anon.inLevels, pssAnon.minima, pssAnon.inLevels});
    if (hasHeap) worst = std::max({worst, heap.minima, heap.inLevels});
    const bool flat = worst <= kGoalKbPerMinute;
    std::printf("%s: %s player grows at most %.0f KB a minute (lows and levels: RssAnon %.2f and %.2f, "
                "PSS anonymous %.2f and %.2f, heap used %s; line of RssAnon %.2f)\n",
                flat ? "ok" : "MISS", p->name.c_str(), kGoalKbPerMinute, anon.minima, anon.inLevels, pssAnon.minima,
                pssAnon.inLevels,
                hasHeap ? (Fixed(heap.minima) + " and " + Fixed(heap.inLevels)).c_str() : "not told", anon.raw);
    ok = ok && flat;
  }
  return ok ? 0 : 1;
}
