#include "engine/Process.h"

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

extern char** environ;

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program as the child will exec it: names without a slash are looked
// up on PATH in this process, so that the child only calls execve.
bool ResolveProgram(const std::string& name, std::string& path, int& error) {
  if (name.empty()) {
    error = ENOENT;
    return false;
  }
  if (name.find('/') != std::string::npos) {
    path = name;
    if (IsExecutableFile(path)) return true;
    error = ::access(path.c_str(), F_OK) == 0 ? EACCES : ENOENT;
    return false;
  }
  const char* env = std::getenv("PATH");
  std::string dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) {
      path = candidate;
      return true;
    }
    start = end + 1;
  }
  error = ENOENT;
  return false;
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
  std::vector<std::string> words = SplitCommandLine(value);
  Executable_ = words.empty() ? std::string() : words.front();
  Parameters_.assign(words.empty() ? words.end() : words.begin() + 1, words.end());
}

std::vector<std::string> TProcess::SplitCommandLine(const std::string& text) {
  auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  auto isQuote = [](char c) { return c == '"' || c == '\''; };
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    while (i < n && isSpace(text[i])) ++i;
    std::size_t start = i;
    bool inQuote = false;
    char quote = 0;
    while (i < n && (!isSpace(text[i]) || inQuote)) {
      if (isQuote(text[i])) {
        if (inQuote) {
          inQuote = text[i] != quote;
        } else {
          inQuote = true;
          quote = text[i];
        }
      }
      ++i;
    }
    std::string word = text.substr(start, i - start);
    if (!word.empty() && word.front() == word.back() && isQuote(word.front()))
      word = word.size() >= 2 ? word.substr(1, word.size() - 2) : std::string();
    if (!word.empty()) words.push_back(std::move(word));
  }
  return words;
}

std::string TProcess::BuildCommandLine() const {
  auto quoted = [](const std::string& s) {
    return s.find(' ') != std::string::npos ? "\"" + s + "\"" : s;
  };
  std::string line = quoted(Executable_);
  for (const auto& p : Parameters_) line += " " + quoted(p);
  return line;
}

std::vector<std::string> TProcess::BuildArgv() const {
  if (!CommandLine_.empty()) return SplitCommandLine(CommandLine_);
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
  std::string program;
  int error = 0;
  const std::string& name = !ApplicationName_.empty() ? ApplicationName_ : (argv.empty() ? ApplicationName_ : argv[0]);
  if (argv.empty() || !ResolveProgram(name, program, error)) fail(error ? error : ENOENT);

  // Everything the child needs is laid out before fork: between fork and
  // exec the child may only make async-signal-safe calls.
  std::vector<char*> argvPtrs;
  for (auto& a : argv) argvPtrs.push_back(const_cast<char*>(a.c_str()));
  argvPtrs.push_back(nullptr);
  std::vector<char*> envPtrs;
  char** envp = environ;
  if (!Environment_.empty()) {
    for (auto& e : Environment_) envPtrs.push_back(const_cast<char*>(e.c_str()));
    envPtrs.push_back(nullptr);
    envp = envPtrs.data();
  }
  const bool usePipes = Options_.Contains(poUsePipes);
  const bool merge = Options_.Contains(poStderrToOutPut);
  const bool suspended = Options_.Contains(poRunSuspended);
  const bool newGroup = Options_.Contains(poNewProcessGroup);
  const int niceValue = NiceFor(Priority_);
  const char* directory = CurrentDirectory_.empty() ? nullptr : CurrentDirectory_.c_str();

  int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1}, status[2] = {-1, -1};
  auto closeAll = [&] {
    for (int* p : {in, out, err, status}) {
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
  if (::pipe2(status, O_CLOEXEC) != 0) {
    int e = errno;
    closeAll();
    fail(e);
  }

  pid_t pid = ::fork();
  if (pid < 0) {
    int e = errno;
    closeAll();
    fail(e);
  }
  if (pid == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    if (newGroup) ::setpgid(0, 0);
    if (usePipes) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(merge ? out[1] : err[1], 2);
    }
#ifdef CLOSE_RANGE_CLOEXEC
    // Descriptors that other parts of the program opened without
    // close-on-exec must not leak into the child.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
    if (directory && ::chdir(directory) != 0) {
      int e = errno;
      (void)!::write(status[1], &e, sizeof e);
      ::_exit(127);
    }
    if (niceValue != 0) ::setpriority(PRIO_PROCESS, 0, niceValue);
    if (suspended) ::raise(SIGSTOP);
    ::execve(program.c_str(), argvPtrs.data(), envp);
    int e = errno;
    (void)!::write(status[1], &e, sizeof e);
    ::_exit(127);
  }

  CloseFd(in[0]);
  CloseFd(out[1]);
  CloseFd(err[1]);
  CloseFd(status[1]);
  if (!suspended) {
    // The status pipe closes on a successful exec; an error number arrives
    // when the child could not start.
    int childError = 0;
    ssize_t n;
    do {
      n = ::read(status[0], &childError, sizeof childError);
    } while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof childError)) {
      int st;
      while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
      closeAll();
      fail(childError);
    }
  }
  CloseFd(status[0]);

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
