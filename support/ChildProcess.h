// Starting a child program from an argument vector, never through a shell:
// the one starter under TProcess (the ffmpeg player, the video resolver)
// and the audio library's encoder feed.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace child {

// What a standard descriptor (0, 1, 2) of the child is: one of ours
// (duplicated onto it), ours as it is, or /dev/null.
inline constexpr int kInherit = -1;
inline constexpr int kNull = -2;

struct TSpawn {
  // Argv[0] names the program: a path, or a name looked up on PATH.
  std::vector<std::string> Argv;
  // The program to run when it differs from Argv[0] (looked up the same way).
  std::string Program;
  int StdIn = kInherit, StdOut = kInherit, StdErr = kInherit;
  // "NAME=value" entries; empty gives the child our environment.
  std::vector<std::string> Environment;
  // The child's working folder; empty keeps ours.
  std::string Directory;
  bool NewProcessGroup = false;
  int Nice = 0;
  // The child stops itself (SIGSTOP) just before it runs the program, and
  // Spawn returns once it has; a program that cannot run is then only seen
  // when it is continued.
  bool Stopped = false;
  // A signal the child gets when this process ends, however it ends
  // (SIGKILL, a crash), e.g. SIGKILL for a child that must not outlive us;
  // 0 for none. It may come more than once (again for each of our threads
  // as it dies), so a signal the child handles is a poor choice. Such a
  // child is forked by a thread of the starter's own that lives as long as
  // the process, since the kernel sends the signal when the forking thread
  // ends: the calling thread may end whenever it likes.
  int ParentDeathSignal = 0;
};

// Starts the child with default signal handling, an empty signal mask and
// none of our other descriptors. Returns 0 with `pid` set, or the error
// number of what failed (the lookup, the fork, the folder change or the
// exec itself: a program that cannot run is reported here, not later as
// an exit status).
int Spawn(const TSpawn& launch, pid_t& pid);

// The program's path as Spawn runs it: a name with a slash as it is, a bare
// name from PATH. Empty, with `error` set, when there is none.
std::string FindOnPath(const std::string& name, int& error);

// A bare program name (e.g. "ffmpeg") means the program of that name in
// `folder` when it is an executable file there, else the name itself (then
// found on PATH). An empty folder means the folder of the running program.
std::string BesideOrOnPath(const std::string& name, const std::string& folder = {});

}  // namespace child
