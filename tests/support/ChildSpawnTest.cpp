// Starting a child from a process whose standard descriptors were closed
// when it started (as a desktop may start it): the descriptors Spawn and
// its caller open then are 0, 1 and 2 themselves. Each case runs in a
// process of its own, which closes them first and tells its result by its
// exit code.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support/ChildProcess.h"

namespace {

void CloseStandardDescriptors() {
  for (int fd = 0; fd < 3; ++fd) ::close(fd);
}

// A folder that cannot be entered fails in the child, after the fork: only
// the status pipe can tell.
int StartInMissingFolder() {
  CloseStandardDescriptors();
  child::TSpawn launch;
  launch.Argv = {"/bin/true"};
  launch.StdOut = child::kNull;
  launch.StdErr = child::kNull;
  launch.Directory = "/no/such/folder";
  pid_t pid = -1;
  const int error = child::Spawn(launch, pid);
  return error == ENOENT && pid == -1 ? 0 : 1;
}

// The caller's pipe sits on descriptor 0 and goes to the child's standard
// output, while /dev/null goes to its standard input.
int OutputThroughDescriptorZero() {
  CloseStandardDescriptors();
  ::open("/dev/null", O_RDONLY);  // 0, kept out of the pipe's way
  int pipe[2];
  if (::pipe(pipe) != 0) return 2;  // 1 and 2
  ::close(0);
  const int writeEnd = ::dup(pipe[1]);  // 0
  ::close(pipe[1]);
  if (writeEnd != 0) return 3;
  child::TSpawn launch;
  launch.Argv = {"/bin/sh", "-c", "echo through"};
  launch.StdIn = child::kNull;
  launch.StdOut = writeEnd;
  pid_t pid = -1;
  if (child::Spawn(launch, pid) != 0) return 4;
  ::close(writeEnd);
  char text[32] = {};
  ssize_t total = 0, n;
  while ((n = ::read(pipe[0], text + total, sizeof text - 1 - static_cast<size_t>(total))) > 0) total += n;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return std::strcmp(text, "through\n") == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 5;
}

}  // namespace

TEST(ChildSpawnWithoutStandardDescriptors, AFailedStartIsReportedAndOutputGoesWhereAsked) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(::_exit(StartInMissingFolder()), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(::_exit(OutputThroughDescriptorZero()), ::testing::ExitedWithCode(0), "");
}
