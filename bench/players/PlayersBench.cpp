// players_bench [seconds]
//
// What the ffmpeg pipe player costs beside the direct player. A 128 kbit/s
// MP3 stream with metadata is served from 127.0.0.1 in real time; each
// player then plays it on the no-sound device for the given time (default
// 60 s), in a child process of its own so that the server is not counted.
// For each it prints the CPU seconds of the player's own process during
// playback, those of the ffmpeg decoder it ran (the direct player runs
// none), and the total per minute of playback.
#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; }
double CpuOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Runs the user-interface loop until `done` or the deadline.
bool PumpUntil(Clock::time_point deadline, const std::function<bool()>& done) {
  guint wake = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool ok = done();
  while (!ok && Clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    ok = done();
  }
  g_source_remove(wake);
  return ok;
}

// The child: plays `url` with one player for `seconds` after it reached
// psPlaying. Prints "<own CPU s> <decoder CPU s> <seconds played>".
int PlayChild(const std::string& kind, const std::string& url, int seconds) {
  if (!InitBass(0)) {
    std::fprintf(stderr, "audio library did not start\n");
    return 2;
  }
  std::unique_ptr<TBaseRadioPlayer> player;
  if (kind == "ffmpeg") {
    auto avconv = std::make_unique<TAVConvRadioPlayer>();
    avconv->Resolvers = {};
    avconv->PrebufferBytes = 262144;  // as the controller sets it
    player = std::move(avconv);
  } else {
    auto bass = std::make_unique<TBassRadioPlayer>();
    bass->Resolvers = {};
    player = std::move(bass);
  }
  player->Address = url;
  if (!player->Play()) return 3;
  if (!PumpUntil(Clock::now() + std::chrono::seconds(15), [&] { return player->State == psPlaying; })) {
    std::fprintf(stderr, "%s player did not start playing (error %d)\n", kind.c_str(), player->LastError);
    return 4;
  }
  const double ownStart = CpuOf(RUSAGE_SELF);
  const auto start = Clock::now();
  PumpUntil(start + std::chrono::seconds(seconds), [&] { return player->State == psStopped; });
  const double played = std::chrono::duration<double>(Clock::now() - start).count();
  const double own = CpuOf(RUSAGE_SELF) - ownStart;
  const bool stillPlaying = player->State == psPlaying || player->State == psStalled;
  // Stop reaps the decoder, so its whole run is counted below.
  player->Stop();
  const double decoder = CpuOf(RUSAGE_CHILDREN);
  player.reset();
  FreeBass();
  std::printf("%.3f %.3f %.3f\n", own, decoder, played);
  return stillPlaying ? 0 : 5;
}

struct TRun {
  double own = 0, decoder = 0, played = 0;
  int status = -1;
};

TRun Measure(const std::string& kind, const std::string& url, int seconds) {
  TRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    execl("/proc/self/exe", "players_bench", "--play", kind.c_str(), url.c_str(), std::to_string(seconds).c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[512];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::sscanf(text.c_str(), "%lf %lf %lf", &run.own, &run.decoder, &run.played);
  return run;
}

// A live stream: the file looped, paced at its bit rate after a burst,
// with metadata every 16000 bytes.
class TServer {
 public:
  explicit TServer(std::string audio) : audio_(std::move(audio)) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(fd_, 16);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Accept(); });
  }
  ~TServer() {
    stop_ = true;
    shutdown(fd_, SHUT_RDWR);
    close(fd_);
    thread_.join();
    for (auto& t : clients_) t.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/stream"; }

 private:
  void Accept() {
    while (!stop_) {
      int c = accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      clients_.emplace_back([this, c] { Serve(c); });
    }
  }
  void Serve(int c) {
    char request[4096];
    if (recv(c, request, sizeof request, 0) <= 0) {
      close(c);
      return;
    }
    const size_t metaInt = 16000, rate = 16000;
    std::string head = "HTTP/1.0 200 OK\r\nicy-name:Bench\r\nicy-br:128\r\ncontent-type:audio/mpeg\r\n"
                       "icy-metaint:16000\r\n\r\n";
    send(c, head.data(), head.size(), MSG_NOSIGNAL);
    size_t pos = 0, sent = 0, since = 0;
    int title = 0;
    auto start = Clock::now();
    while (!stop_) {
      double t = std::chrono::duration<double>(Clock::now() - start).count();
      size_t allowed = 64000 + static_cast<size_t>(t * rate);
      if (sent >= allowed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      size_t chunk = std::min<size_t>({allowed - sent, metaInt - since, audio_.size() - pos, size_t{8192}});
      if (send(c, audio_.data() + pos, chunk, MSG_NOSIGNAL) <= 0) break;
      pos = (pos + chunk) % audio_.size();
      sent += chunk;
      since += chunk;
      if (since == metaInt) {
        since = 0;
        std::string meta = "StreamTitle='Bench - Title " + std::to_string(title++ / 4) + "';";
        size_t blocks = (meta.size() + 15) / 16;
        meta.resize(blocks * 16, '\0');
        meta.insert(meta.begin(), static_cast<char>(blocks));
        if (send(c, meta.data(), meta.size(), MSG_NOSIGNAL) <= 0) break;
      }
    }
    close(c);
  }
  std::string audio_;
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<std::thread> clients_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "--play") return PlayChild(argv[2], argv[3], std::atoi(argv[4]));
  const int seconds = argc >= 2 ? std::max(5, std::atoi(argv[1])) : 60;

  auto dir = std::filesystem::temp_directory_path() / ("qor-players-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto mp3 = dir / "music.mp3";
  std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i \"sine=f=220:d=30\" -f lavfi -i "
                     "\"anoisesrc=d=30:a=0.05\" -filter_complex amix=inputs=2,aformat=channel_layouts=stereo "
                     "-ar 44100 -c:a libmp3lame -b:a 128k \"" + mp3.string() + "\"";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "ffmpeg could not make the test stream\n");
    return 2;
  }
  std::ifstream in(mp3, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  std::filesystem::remove_all(dir);
  TServer server(bytes.str());

  std::printf("Playing a 128 kbit/s MP3 stream for %d s with each player (no-sound device)...\n", seconds);
  struct TRow {
    const char* name;
    TRun run;
  } rows[] = {{"direct (audio library)", Measure("bass", server.Url(), seconds)},
              {"ffmpeg pipe player", Measure("ffmpeg", server.Url(), seconds)}};
  std::printf("%-24s %10s %12s %12s %14s %10s\n", "player", "played s", "player CPU", "decoder CPU", "CPU s/minute",
              "% core");
  bool ok = true;
  for (const auto& row : rows) {
    const TRun& r = row.run;
    if (r.status != 0 || r.played <= 0) {
      std::printf("%-24s failed (status %d)\n", row.name, r.status);
      ok = false;
      continue;
    }
    const double total = r.own + r.decoder;
    std::printf("%-24s %10.1f %12.2f %12.2f %14.2f %9.2f%%\n", row.name, r.played, r.own, r.decoder,
                total * 60.0 / r.played, 100.0 * total / r.played);
  }
  if (ok && rows[0].run.own + rows[0].run.decoder > 0) {
    const double direct = (rows[0].run.own + rows[0].run.decoder) / rows[0].run.played;
    const double piped = (rows[1].run.own + rows[1].run.decoder) / rows[1].run.played;
    std::printf("the ffmpeg pipe player costs %.1f times the direct player's CPU\n", piped / direct);
  }
  return ok ? 0 : 1;
}
