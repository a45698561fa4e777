#include "bench/common/BenchKit.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace benchkit {

using Clock = std::chrono::steady_clock;

std::string MakeMusic(const std::string& codec, int kbps) {
  auto dir = std::filesystem::temp_directory_path() / ("qor-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const bool aac = codec == "aac";
  auto mp3 = dir / (aac ? "music.aac" : "music.mp3");
  std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i \"sine=f=220:d=30\" -f lavfi -i "
                     "\"anoisesrc=d=30:a=0.05\" -filter_complex amix=inputs=2,aformat=channel_layouts=stereo "
                     "-ar 44100 -c:a " + std::string(aac ? "aac -f adts" : "libmp3lame") + " -b:a " +
                     std::to_string(kbps) + "k \"" + mp3.string() + "\"";
  std::string bytes;
  if (std::system(make.c_str()) == 0) {
    std::ifstream in(mp3, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    bytes = text.str();
  }
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return bytes;
}

TChildRun RunChild(const std::vector<std::string>& argv, bool quietErrors) {
  TChildRun result;
  int out[2];
  if (pipe(out) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    if (quietErrors && !getenv("QOR_BENCH_VERBOSE")) {
      int devnull = open("/dev/null", O_WRONLY);
      if (devnull >= 0) dup2(devnull, 2);
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  if (pid < 0) {
    close(out[0]);
    return result;
  }
  char buffer[4096];
  ssize_t n;
  while ((n = read(out[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, static_cast<size_t>(n));
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.cpu = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
  result.peakKb = usage.ru_maxrss;
  return result;
}

namespace {
TStreamOptions Classic(std::string statusLine, int dropEvery) {
  TStreamOptions options;
  options.statusLine = std::move(statusLine);
  options.dropEvery = dropEvery;
  return options;
}
}  // namespace

TStreamServer::TStreamServer(std::string audio, std::string statusLine, int dropEvery)
    : TStreamServer(std::move(audio), Classic(std::move(statusLine), dropEvery)) {}

TStreamServer::TStreamServer(std::string audio, TStreamOptions options)
    : audio_(std::move(audio)), options_(std::move(options)) {
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

TStreamServer::~TStreamServer() {
  stop_ = true;
  shutdown(fd_, SHUT_RDWR);
  close(fd_);
  thread_.join();
  for (auto& t : clients_) t.join();
}

void TStreamServer::Accept() {
  while (!stop_) {
    int c = accept(fd_, nullptr, nullptr);
    if (c < 0) return;
    clients_.emplace_back([this, c] { Serve(c); });
  }
}

void TStreamServer::Serve(int c) {
  char request[4096];
  if (recv(c, request, sizeof request, 0) <= 0 || audio_.empty()) {
    close(c);
    return;
  }
  ++connections_;
  const size_t metaInt = 16000, rate = static_cast<size_t>(options_.kbps) * 125;
  std::string head = options_.statusLine + "\r\nicy-name:Bench\r\n" +
                     (options_.sendBitrate ? "icy-br:" + std::to_string(options_.kbps) + "\r\n" : std::string()) +
                     "content-type:" + options_.contentType + "\r\nicy-metaint:16000\r\n\r\n";
  markReachedAt_ = 0;
  send(c, head.data(), head.size(), MSG_NOSIGNAL);
  size_t pos = 0, sent = 0, since = 0;
  int title = 0;
  auto start = Clock::now();
  while (!stop_) {
    double t = std::chrono::duration<double>(Clock::now() - start).count();
    if (options_.dropEvery && t >= options_.dropEvery) break;
    size_t allowed = options_.burst + static_cast<size_t>(t * rate);
    if (sent >= allowed) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    size_t chunk = std::min<size_t>({allowed - sent, metaInt - since, audio_.size() - pos, size_t{8192}});
    const size_t mark = options_.markBytes;
    if (mark > sent) chunk = std::min(chunk, mark - sent);
    if (send(c, audio_.data() + pos, chunk, MSG_NOSIGNAL) <= 0) break;
    pos = (pos + chunk) % audio_.size();
    sent += chunk;
    if (mark && sent == mark)
      markReachedAt_ = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    since += chunk;
    if (since == metaInt) {
      since = 0;
      const long number =
          options_.titleEvery
              ? static_cast<long>(std::chrono::duration<double>(Clock::now() - started_).count() / options_.titleEvery)
              : title++ / 4;
      std::string meta = "StreamTitle='Bench - Title " + std::to_string(number) + "';";
      size_t blocks = (meta.size() + 15) / 16;
      meta.resize(blocks * 16, '\0');
      meta.insert(meta.begin(), static_cast<char>(blocks));
      if (send(c, meta.data(), meta.size(), MSG_NOSIGNAL) <= 0) break;
    }
  }
  close(c);
}

bool PumpUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& done) {
  guint wake = g_timeout_add(5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool ok = done();
  while (!ok && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    ok = done();
  }
  g_source_remove(wake);
  return ok;
}

}  // namespace benchkit
