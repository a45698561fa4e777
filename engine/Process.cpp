#include "engine/Process.h"

#include "support/ChildProcess.h"
#include "support/CommandLine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

int NiceFor(TProcessPriority priority) {
  switch (priority) {
    case ppHigh: return -5;
    case ppIdle: return 19;
    case ppRealTime: return -10;
    case ppNormal: break;
  }
  return 0;
}

// A child that outlives its TProcess must still be collected, or it would
// stay behind as a zombie until the program ends.
void ReapLater(pid_t pid) {
  std::thread([pid] {
    int status;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

}  // namespace

// ---- pipe streams ------------------------------------------------------

TInputPipeStream::~TInputPipeStream() {
  if (fd_ >= 0) ::close(fd_);
}

long TInputPipeStream::Read(void* buffer, long count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::read(fd_, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  if (n > 0) position_ += n;
  return static_cast<long>(n);
}

long TInputPipeStream::NumBytesAvailable() const {
  int available = 0;
  if (::ioctl(fd_, FIONREAD, &available) != 0) return 0;
  return available;
}

bool TInputPipeStream::WaitReadable(int timeoutMs) const {
  pollfd p{fd_, POLLIN, 0};
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int wait = timeoutMs;
    if (timeoutMs >= 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    int r = ::poll(&p, 1, wait);
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR) return true;  // let the read report the error
  }
}

TOutputPipeStream::~TOutputPipeStream() {
  if (fd_ >= 0) ::close(fd_);
}

long TOutputPipeStream::Write(const void* buffer, long count) {
  if (count <= 0) return 0;
  // Block SIGPIPE for this thread while writing, and swallow the one our
  // write raised, so that a child that went away gives EPIPE instead of
  // ending the whole program.
  sigset_t pipeSet, oldSet, pending;
  sigemptyset(&pipeSet);
  sigaddset(&pipeSet, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
  sigpending(&pending);
  bool wasPending = sigismember(&pending, SIGPIPE);

  const char* data = static_cast<const char*>(buffer);
  long written = 0;
  while (written < count) {
    ssize_t n = ::write(fd_, data + written, static_cast<size_t>(count - written));
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EPIPE && !wasPending) {
        timespec zero{0, 0};
        sigtimedwait(&pipeSet, nullptr, &zero);
      }
      written = written > 0 ? written : -1;
      break;
    }
    written += n;
  }
  pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
  return written;
}

// ---- process -------------------------------------------------------------

TProcess::TProcess() = default;

TProcess::~TProcess() {
  ClosePipes();
  if (pid_ > 0 && !reaped_) {
    int status;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == 0) ReapLater(pid_);
  }
}

void TProcess::SetOptions(TProcessOptions value) {
  if (value.Contains(poNewConsole)) value.Exclude(poNoConsole);
  if (value.Contains(poRunSuspended)) value.Exclude(poWaitOnExit);
  Options_ = value;
}

void TProcess::SetApplicationName(const std::string& value) { ApplicationName_ = value; }

void TProcess::SetCommandLine(const std::string& value) {
  if (value == CommandLine_) return;
  CommandLine_ = value;
  std::vector<std::string> words = cmdline::Split(value);
  Executable_ = words.empty() ? std::string() : words.front();
  Parameters_.assign(words.empty() ? words.end() : words.begin() + 1, words.end());
}

std::string TProcess::BuildCommandLine() const {
  std::vector<std::string> words{Executable_};
  words.insert(words.end(), Parameters_.begin(), Parameters_.end());
  return cmdline::Join(words);
}

std::vector<std::string> TProcess::BuildArgv() const {
  if (!CommandLine_.empty()) return cmdline::Split(CommandLine_);
  if (!ApplicationName_.empty() && Executable_.empty()) return {ApplicationName_};
  std::vector<std::string> argv{Executable_};
  argv.insert(argv.end(), Parameters_.begin(), Parameters_.end());
  return argv;
}

void TProcess::Execute() {
  InheritHandles = true;
  if (ApplicationName_.empty() && CommandLine_.empty() && Executable_.empty())
    throw EProcess("Cannot execute empty command-line");

  std::vector<std::string> argv = BuildArgv();
  std::string shownLine = !CommandLine_.empty() ? CommandLine_ : BuildCommandLine();
  auto fail = [&](int error) {
    throw EProcess("Failed to execute " + shownLine + " : " + std::to_string(error));
  };
  const bool usePipes = Options_.Contains(poUsePipes);
  const bool merge = Options_.Contains(poStderrToOutPut);
  const bool suspended = Options_.Contains(poRunSuspended);

  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
  auto closeAll = [&] {
    for (int* p : {in, out, err}) {
      CloseFd(p[0]);
      CloseFd(p[1]);
    }
  };
  if (usePipes) {
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || (!merge && ::pipe2(err, O_CLOEXEC) != 0)) {
      int e = errno;
      closeAll();
      fail(e);
    }
  }
  child::TSpawn launch;
  launch.Argv = argv;
  launch.Program = ApplicationName_;
  if (usePipes) {
    launch.StdIn = in[0];
    launch.StdOut = out[1];
    launch.StdErr = merge ? out[1] : err[1];
  }
  launch.Environment = Environment_;
  launch.Directory = CurrentDirectory_;
  launch.NewProcessGroup = Options_.Contains(poNewProcessGroup);
  launch.Nice = NiceFor(Priority_);
  launch.Stopped = suspended;
  // Nothing this program starts (the decoder, the video-site helper) may
  // go on without it.
  launch.ParentDeathSignal = SIGKILL;
  pid_t pid = -1;
  if (int e = argv.empty() ? ENOENT : child::Spawn(launch, pid); e != 0) {
    closeAll();
    fail(e);
  }
  CloseFd(in[0]);
  CloseFd(out[1]);
  CloseFd(err[1]);

  ClosePipes();
  // A child of an earlier Execute that still runs is collected later.
  if (pid_ > 0 && !reaped_) {
    int st;
    if (::waitpid(pid_, &st, WNOHANG) == 0) ReapLater(pid_);
  }
  pid_ = pid;
  reaped_ = false;
  terminated_ = false;
  exitCode_ = 0;
  if (usePipes) {
    Input_ = std::make_unique<TOutputPipeStream>(in[1]);
    Output_ = std::make_unique<TInputPipeStream>(out[0]);
    if (!merge) Stderr_ = std::make_unique<TInputPipeStream>(err[0]);
  }
  merged_ = usePipes && merge;
  running_ = true;
  if (Options_.Contains(poWaitOnExit) && !suspended) WaitOnExit();
}

void TProcess::Reap(int status) {
  reaped_ = true;
  running_ = false;
  if (terminated_) {
    exitCode_ = terminateCode_;
  } else if (WIFEXITED(status)) {
    exitCode_ = static_cast<uint32_t>(WEXITSTATUS(status));
  } else if (WIFSIGNALED(status)) {
    exitCode_ = 128u + static_cast<uint32_t>(WTERMSIG(status));
  }
}

bool TProcess::Running() {
  if (running_ && pid_ > 0 && !reaped_) {
    int status;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      Reap(status);
    } else if (r < 0 && errno == ECHILD) {
      reaped_ = true;
      running_ = false;
    }
  }
  return running_;
}

void TProcess::SetActive(bool value) {
  if (value)
    Execute();
  else
    Terminate(0);
}

uint32_t TProcess::ExitStatus() {
  if (Running()) return STILL_ACTIVE;
  return exitCode_;
}

bool TProcess::Terminate(uint32_t exitCode) {
  if (pid_ <= 0 || ExitStatus() != STILL_ACTIVE) return false;
  if (::kill(pid_, SIGKILL) != 0) return false;
  terminated_ = true;
  terminateCode_ = exitCode;
  int status;
  pid_t r;
  while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  if (r == pid_) Reap(status);
  return true;
}

bool TProcess::WaitOnExit() {
  if (pid_ <= 0) {
    running_ = false;
    return false;
  }
  bool ok = true;
  if (!reaped_) {
    int status;
    pid_t r;
    while ((r = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    if (r == pid_)
      Reap(status);
    else
      ok = false;
  }
  running_ = false;
  return ok;
}

bool TProcess::WaitOnExit(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Running()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return pid_ > 0;
}

bool TProcess::Suspend() { return pid_ > 0 && Running() && ::kill(pid_, SIGSTOP) == 0; }

bool TProcess::Resume() { return pid_ > 0 && Running() && ::kill(pid_, SIGCONT) == 0; }

void TProcess::CloseInput() { Input_.reset(); }

void TProcess::CloseOutput() {
  Output_.reset();
  merged_ = false;
}

void TProcess::CloseStderr() { Stderr_.reset(); }

void TProcess::ClosePipes() {
  Input_.reset();
  Output_.reset();
  Stderr_.reset();
  merged_ = false;
}
