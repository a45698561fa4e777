#include "audio/internal/Encoder.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "audio/internal/Core.h"
#include "support/ChildProcess.h"

namespace audio::detail {

namespace {

// At most this much PCM waits for a slow encoder; beyond it new blocks are
// dropped rather than letting memory grow without end.
constexpr size_t kMaxQueuedSeconds = 30;

void PutLe32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void PutLe16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xff));
  s.push_back(static_cast<char>(v >> 8));
}

// A WAV header for a stream of unknown length.
std::string WavHeader(int freq, int chans) {
  std::string h = "RIFF";
  PutLe32(h, 0xFFFFFFFFu);
  h += "WAVEfmt ";
  PutLe32(h, 16);
  PutLe16(h, 1);
  PutLe16(h, static_cast<uint16_t>(chans));
  PutLe32(h, static_cast<uint32_t>(freq));
  PutLe32(h, static_cast<uint32_t>(freq * chans * 2));
  PutLe16(h, static_cast<uint16_t>(chans * 2));
  PutLe16(h, 16);
  h += "data";
  PutLe32(h, 0xFFFFFFFFu);
  return h;
}

}  // namespace

TEncoder::TEncoder(HENCODE handle, DWORD channel, DWORD flags, ENCODEPROC* proc, void* user)
    : handle_(handle), channel_(channel), flags_(flags), proc_(proc), user_(user) {}

TEncoder::~TEncoder() {
  Stop(0);
}

bool TEncoder::Start(const std::vector<std::string>& argv, int freq, int chans) {
  if (argv.empty()) {
    SetError(ERROR_ILLPARAM);
    return false;
  }
  int input[2], output[2] = {-1, -1};
  if (::pipe2(input, O_CLOEXEC) != 0) {
    SetError(ERROR_CREATE);
    return false;
  }
  if (proc_ && ::pipe2(output, O_CLOEXEC) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    SetError(ERROR_CREATE);
    return false;
  }
  // "ffmpeg" without a folder is the program beside ours when there is one.
  child::TSpawn launch;
  launch.Argv = argv;
  launch.Program = child::BesideOrOnPath(argv[0]);
  launch.StdIn = input[0];
  launch.StdOut = proc_ ? output[1] : child::kNull;
  launch.StdErr = child::kNull;
  // No parent-death signal: its input ends with us however we end, and
  // the encoder then finishes the file. A signal would cut the file's end
  // off: the kernel sends it again for each of our threads as it dies, and
  // ffmpeg takes a second one as a demand to stop at once, without the
  // index an M4A file needs.
  int rc = child::Spawn(launch, pid_);
  ::close(input[0]);
  if (proc_) ::close(output[1]);
  if (rc != 0) {
    pid_ = -1;
    ::close(input[1]);
    if (proc_) ::close(output[0]);
    SetError(ERROR_CREATE);
    return false;
  }
  inputFd_ = input[1];
  outputFd_ = proc_ ? output[0] : -1;
  if (!(flags_ & ENCODE_NOHEAD)) header_ = WavHeader(freq, chans);
  writer_ = std::thread([this] { WriterLoop(); });
  if (proc_) {
    // The reader keeps its own copies: it may outlive this object when the
    // program takes longer to finish than Stop waits.
    reader_ = std::thread([fd = outputFd_, proc = proc_, handle = handle_, channel = channel_,
                           user = user_] {
      char buffer[16384];
      while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        proc(handle, channel, buffer, static_cast<DWORD>(n), user);
      }
      ::close(fd);
    });
    outputFd_ = -1;
  }
  return true;
}

void TEncoder::Feed(const float* data, size_t frames, int chans) {
  if (paused_.load() || stopping_.load() || broken_.load() || frames == 0) return;
  std::vector<int16_t> block(frames * static_cast<size_t>(chans));
  for (size_t i = 0; i < block.size(); ++i) {
    float v = std::clamp(data[i], -1.0f, 1.0f) * 32767.0f;
    block[i] = static_cast<int16_t>(std::lrint(v));
  }
  {
    std::lock_guard lock(mutex_);
    // Sized from this block: 100 blocks a second is what the mixer gives.
    const size_t limit = kMaxQueuedSeconds * 48000 * 2 * 8;
    if (queuedBytes_ + block.size() * 2 > limit) return;
    queuedBytes_ += block.size() * 2;
    queue_.push_back(std::move(block));
  }
  cv_.notify_one();
}

void TEncoder::WriterLoop() {
  pthread_setname_np(pthread_self(), "audio-encode");
  // A program that quits early must not kill us with SIGPIPE: block it here
  // and take the pending signal back after a failed write.
  sigset_t pipeSet;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSet, nullptr);
  auto writeAll = [&](const char* p, size_t n) {
    while (n > 0) {
      // Waits in slices so that a program that stopped reading cannot hold
      // Stop (and with it the library's shutdown) for ever.
      pollfd pfd{inputFd_, POLLOUT, 0};
      int ready = ::poll(&pfd, 1, 100);
      if (abandon_.load()) return false;
      if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
      ssize_t w = ::write(inputFd_, p, n);
      if (w < 0) {
        if (errno == EINTR) continue;
        if (errno == EPIPE) {
          timespec zero{0, 0};
          sigtimedwait(&pipeSet, nullptr, &zero);
        }
        return false;
      }
      p += w;
      n -= static_cast<size_t>(w);
    }
    return true;
  };
  if (!header_.empty() && !writeAll(header_.data(), header_.size())) broken_ = true;
  while (!broken_.load()) {
    std::vector<int16_t> block;
    {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [&] { return !queue_.empty() || stopping_.load(); });
      if (queue_.empty()) break;  // stopping and everything written
      block = std::move(queue_.front());
      queue_.pop_front();
      queuedBytes_ -= block.size() * 2;
    }
    if (!writeAll(reinterpret_cast<const char*>(block.data()), block.size() * 2)) broken_ = true;
  }
  ::close(inputFd_);
  inputFd_ = -1;
  writerDone_ = true;
}

bool TEncoder::Reap(int waitMs) {
  if (pid_ < 0 || exited_.load()) return true;
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  while (true) {
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_ || (r < 0 && errno == ECHILD)) {
      exited_ = true;
      return true;
    }
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

DWORD TEncoder::State() {
  if (pid_ < 0 || stopping_.load() || broken_.load() || Reap(0)) return ACTIVE_STOPPED;
  return paused_.load() ? ACTIVE_PAUSED : ACTIVE_PLAYING;
}

void TEncoder::Stop(int waitMs) {
  if (stopping_.exchange(true) && !writer_.joinable() && !reader_.joinable()) return;
  cv_.notify_all();
  if (writer_.joinable()) {
    // Queued PCM still goes out; a program that does not take it within a
    // few seconds is abandoned.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(waitMs, 0) + 3000);
    while (!writerDone_.load() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    abandon_ = true;
    writer_.join();
  }
  if (!Reap(waitMs) && pid_ > 0) {
    // Still finishing its file: let it, and collect it in the background so
    // that it does not stay a zombie.
    pid_t pid = pid_;
    std::thread([pid] {
      int status = 0;
      ::waitpid(pid, &status, 0);
    }).detach();
    exited_ = true;
    if (reader_.joinable()) reader_.detach();
  }
  if (reader_.joinable()) {
    if (pid_ > 0 && !exited_.load()) reader_.detach();
    else reader_.join();
  }
}

}  // namespace audio::detail
