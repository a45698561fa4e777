// The single-instance marker "QORMutex": an advisory lock on a file of that
// name in the runtime folder. A process that runs with the single-instance
// option holds a shared lock while its message loop runs; a starting
// process asks whether any such lock exists without taking one, so that two
// processes starting at once never see each other's probe.
#pragma once

#include <string>

namespace platform {

inline constexpr const char* InstanceMutexName = "QORMutex";

class TInstanceLock {
 public:
  // folder: the runtime folder with "/" (see RuntimeFolder).
  explicit TInstanceLock(std::string folder, std::string name = InstanceMutexName);
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // True when some running process holds the lock.
  bool OtherInstanceExists() const;
  // Takes the shared lock; false when the lock file cannot be opened.
  bool Hold();
  void Release();
  bool Held() const { return FFd >= 0; }

 private:
  std::string FPath;
  int FFd = -1;
};

}  // namespace platform
