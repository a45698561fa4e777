#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

#include <pthread.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

extern char** environ;

namespace child {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// A process started with its standard descriptors closed gets 0, 1 or 2
// for the next descriptors it opens, and whatever the child puts onto a
// standard descriptor would then replace them: moves `fd` above them
// (close-on-exec). False, with errno set, when that fails.
bool AboveStandard(int& fd) {
  if (fd < 0 || fd > 2) return true;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return false;
  ::close(fd);
  fd = moved;
  return true;
}

// Puts the sources of the three standard descriptors (kInherit: none,
// kNull: the opened /dev/null) in place. Each is first copied above them
// (the copies close on exec): putting one in place must not replace
// another that is still to come. Only async-signal-safe calls: it runs
// between fork and exec. False, with errno set, when one fails.
bool AttachStandard(const int (&sources)[3], int null) {
  int lifted[3] = {-1, -1, -1};
  for (int target = 0; target < 3; ++target) {
    if (sources[target] == kInherit) continue;
    lifted[target] = ::fcntl(sources[target] == kNull ? null : sources[target], F_DUPFD_CLOEXEC, 3);
    if (lifted[target] < 0) return false;
  }
  for (int target = 0; target < 3; ++target)
    if (lifted[target] >= 0 && ::dup2(lifted[target], target) != target) return false;
  return true;
}

int SpawnHere(const TSpawn& launch, pid_t& pid);

// The kernel sends the parent-death signal when the THREAD that forked the
// child ends, not the process: a child started from a worker that then
// returns (a lookup, a player's start) would be killed with it. Children
// that must die with us are therefore forked by one thread that lives as
// long as the process, and die with it however it ends (SIGKILL, a crash),
// when no destructor or handler of ours runs.
class TStarter {
 public:
  static TStarter* Get() {
    // Never freed: its thread waits on it past the destruction of statics.
    // A process forked from ours (without exec) has none of our threads,
    // so it starts one of its own.
    static std::mutex lock;
    static TStarter* starter = nullptr;
    std::lock_guard guard(lock);
    if (starter == nullptr || starter->FOwner != ::getpid()) {
      auto* fresh = new TStarter;
      if (!fresh->Start()) {
        delete fresh;
        return nullptr;
      }
      starter = fresh;
    }
    return starter;
  }

  int Spawn(const TSpawn& launch, pid_t& pid) {
    TJob job{&launch, &pid};
    std::unique_lock lock(FLock);
    FJobs.push_back(&job);
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return job.Done; });
    return job.Result;
  }

 private:
  struct TJob {
    const TSpawn* Launch;
    pid_t* Pid;
    int Result = 0;
    bool Done = false;
  };

  bool Start() {
    // Signals meant for the process are taken by its other threads.
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    bool started = true;
    try {
      std::thread([this] { Run(); }).detach();
    } catch (const std::system_error&) {
      started = false;
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    return started;
  }

  void Run() {
    pthread_setname_np(pthread_self(), "child-starter");
    std::unique_lock lock(FLock);
    for (;;) {
      FChanged.wait(lock, [&] { return !FJobs.empty(); });
      TJob* job = FJobs.front();
      FJobs.pop_front();
      lock.unlock();
      int result = SpawnHere(*job->Launch, *job->Pid);
      lock.lock();
      job->Result = result;
      job->Done = true;
      FChanged.notify_all();
    }
  }

  const pid_t FOwner = ::getpid();
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TJob*> FJobs;
};

}  // namespace

std::string FindOnPath(const std::string& name, int& error) {
  error = 0;
  if (name.empty()) {
    error = ENOENT;
    return {};
  }
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    error = ::access(name.c_str(), F_OK) == 0 ? EACCES : ENOENT;
    return {};
  }
  const char* env = std::getenv("PATH");
  std::string dirs = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    // An empty entry is the current folder.
    const std::string dir = end > start ? dirs.substr(start, end - start) : std::string(".");
    std::string candidate = dir + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  error = ENOENT;
  return {};
}

std::string BesideOrOnPath(const std::string& name, const std::string& folder) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  std::filesystem::path dir = folder;
  if (folder.empty()) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return name;
    dir = self.parent_path();
  }
  std::string beside = (dir / name).string();
  return IsExecutableFile(beside) ? beside : name;
}

int Spawn(const TSpawn& launch, pid_t& pid) {
  pid = -1;
  if (launch.ParentDeathSignal == 0) return SpawnHere(launch, pid);
  TStarter* starter = TStarter::Get();
  return starter ? starter->Spawn(launch, pid) : EAGAIN;
}

namespace {

int SpawnHere(const TSpawn& launch, pid_t& pid) {
  pid = -1;
  if (launch.Argv.empty()) return EINVAL;
  int error = 0;
  const std::string program = FindOnPath(launch.Program.empty() ? launch.Argv[0] : launch.Program, error);
  if (program.empty()) return error;

  // Everything the child needs is laid out before fork: between fork and
  // exec the child may only make async-signal-safe calls.
  std::vector<char*> argv;
  for (const auto& a : launch.Argv) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  char** env = environ;
  if (!launch.Environment.empty()) {
    for (const auto& e : launch.Environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    env = envp.data();
  }
  const char* directory = launch.Directory.empty() ? nullptr : launch.Directory.c_str();
  int null = -1;
  if (launch.StdIn == kNull || launch.StdOut == kNull || launch.StdErr == kNull) {
    null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0 || !AboveStandard(null)) {
      int e = errno;
      CloseFd(null);
      return e;
    }
  }
  // Closes on a successful exec; carries the error number otherwise. On a
  // standard descriptor it would be replaced in the child, and a program
  // that cannot run would read as started.
  int status[2] = {-1, -1};
  if (::pipe2(status, O_CLOEXEC) != 0 || !AboveStandard(status[0]) || !AboveStandard(status[1])) {
    int e = errno;
    CloseFd(null);
    CloseFd(status[0]);
    CloseFd(status[1]);
    return e;
  }

  const pid_t parent = ::getpid();
  const pid_t forked = ::fork();
  if (forked < 0) {
    int e = errno;
    CloseFd(null);
    CloseFd(status[0]);
    CloseFd(status[1]);
    return e;
  }
  if (forked == 0) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction dfl;
    std::memset(&dfl, 0, sizeof dfl);
    dfl.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &dfl, nullptr);
    if (launch.ParentDeathSignal != 0) {
      ::prctl(PR_SET_PDEATHSIG, launch.ParentDeathSignal);
      // A parent that died before the request was made is never signalled
      // for: we have been handed to another parent already.
      if (::getppid() != parent) ::_exit(127);
    }
    if (launch.NewProcessGroup) ::setpgid(0, 0);
    if (!AttachStandard({launch.StdIn, launch.StdOut, launch.StdErr}, null)) {
      int e = errno;
      (void)!::write(status[1], &e, sizeof e);
      ::_exit(127);
    }
#ifdef CLOSE_RANGE_CLOEXEC
    // Sockets and pipes that other parts of the program opened without
    // close-on-exec must not leak into the child.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
    if (directory && ::chdir(directory) != 0) {
      int e = errno;
      (void)!::write(status[1], &e, sizeof e);
      ::_exit(127);
    }
    if (launch.Nice != 0) ::setpriority(PRIO_PROCESS, 0, launch.Nice);
    if (launch.Stopped) ::raise(SIGSTOP);
    ::execve(program.c_str(), argv.data(), env);
    int e = errno;
    (void)!::write(status[1], &e, sizeof e);
    ::_exit(127);
  }

  CloseFd(null);
  CloseFd(status[1]);
  bool reaped = false;
  if (launch.Stopped) {
    // Back only once the child has stopped: a caller that continues it at
    // once would otherwise send SIGCONT before the SIGSTOP, and the child
    // would then stop for good.
    int st = 0;
    pid_t r;
    while ((r = ::waitpid(forked, &st, WUNTRACED)) < 0 && errno == EINTR) {
    }
    // Ended instead (its folder was missing): the error is in the pipe.
    reaped = r == forked && !WIFSTOPPED(st);
  }
  int childError = 0;
  if (!launch.Stopped || reaped) {
    ssize_t n;
    do {
      n = ::read(status[0], &childError, sizeof childError);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof childError)) childError = 0;
  }
  CloseFd(status[0]);
  if (reaped) return childError != 0 ? childError : ECHILD;
  if (childError != 0) {
    int st;
    while (::waitpid(forked, &st, 0) < 0 && errno == EINTR) {
    }
    return childError;
  }
  pid = forked;
  return 0;
}

}  // namespace

}  // namespace child
