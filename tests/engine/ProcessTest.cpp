#include "engine/Process.h"

#include <gtest/gtest.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "TempDir.h"

namespace {

// The one-letter state in /proc/<pid>/stat (T: stopped).
char StateOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  auto close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() ? line[close + 2] : '?';
}

// Reads until the end of the stream (or `limit` bytes).
std::string ReadAll(TInputPipeStream* stream, std::size_t limit = 1 << 20) {
  std::string text;
  char buffer[4096];
  while (text.size() < limit) {
    long n = stream->Read(buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

TEST(ProcessCommandLine, BuildQuotesWordsWithBlanks) {
  TProcess p;
  p.SetExecutable("ffmpeg.exe");
  p.Parameters() = {"-i", "http://host/a b.mp3", "-y"};
  EXPECT_EQ(p.BuildCommandLine(), "ffmpeg.exe -i \"http://host/a b.mp3\" -y");
}

TEST(ProcessCommandLine, ACommandLineSetsExecutableAndParameters) {
  using V = std::vector<std::string>;
  TProcess p;
  p.SetCommandLine("ffmpeg -i \"http://h/a b\" -f s16le pipe");
  EXPECT_EQ(p.Executable(), "ffmpeg");
  EXPECT_EQ(p.Parameters(), (V{"-i", "http://h/a b", "-f", "s16le", "pipe"}));
}

TEST(ProcessOptions, ConflictingOptionsAreRemoved) {
  TProcess p;
  p.SetOptions({poNoConsole, poNewConsole, poUsePipes});
  EXPECT_FALSE(p.Options().Contains(poNoConsole));
  EXPECT_TRUE(p.Options().Contains(poNewConsole));
  EXPECT_TRUE(p.Options().Contains(poUsePipes));
  p.SetOptions({poRunSuspended, poWaitOnExit});
  EXPECT_FALSE(p.Options().Contains(poWaitOnExit));
  EXPECT_EQ(TProcessOptions({poRunSuspended}).Bits(), 1u);
  EXPECT_EQ(TProcessOptions({poDebugOnlyThisProcess}).Bits(), 1u << 9);
}

TEST(ProcessExecute, ErrorsRaiseEProcess) {
  TProcess empty;
  try {
    empty.Execute();
    FAIL();
  } catch (const EProcess& e) {
    EXPECT_STREQ(e.what(), "Cannot execute empty command-line");
  }
  TProcess missing;
  missing.SetCommandLine("no-such-program-qor-test --flag");
  try {
    missing.Execute();
    FAIL();
  } catch (const EProcess& e) {
    EXPECT_STREQ(e.what(), "Failed to execute no-such-program-qor-test --flag : 2");
  }
  EXPECT_FALSE(missing.Running());
  TProcess badDir;
  badDir.SetCommandLine("/bin/true");
  badDir.SetCurrentDirectory("/no/such/folder/qor");
  EXPECT_THROW(badDir.Execute(), EProcess);
}

TEST(ProcessExecute, ArgumentsReachTheChildVerbatimWithoutAShell) {
  TProcess p;
  p.SetExecutable("printf");
  p.Parameters() = {"[%s]", "a b", "$HOME;ls", "*", "'q'"};
  p.SetOptions({poUsePipes});
  p.SetShowWindow(swoHIDE);  // accepted, no effect
  p.Execute();
  EXPECT_EQ(ReadAll(p.Output()), "[a b][$HOME;ls][*]['q']");
  EXPECT_TRUE(p.WaitOnExit());
  EXPECT_EQ(p.ExitStatus(), 0u);
}

TEST(ProcessPipes, StderrMergedIntoOutput) {
  TProcess p;
  p.SetCommandLine("/bin/sh -c 'echo out; echo err >&2; echo out2'");
  p.SetOptions({poUsePipes, poStderrToOutPut});
  p.Execute();
  EXPECT_EQ(p.Stderr(), p.Output());
  std::string all = ReadAll(p.Output());
  EXPECT_EQ(all, "out\nerr\nout2\n");
  EXPECT_EQ(p.Output()->Position(), static_cast<int64_t>(all.size()));
  EXPECT_EQ(p.Output()->Seek(0, 0), static_cast<int64_t>(all.size()));
  EXPECT_EQ(p.Output()->Write("x", 1), 0);
  p.WaitOnExit();
}

TEST(ProcessPipes, SeparateStderrAndInput) {
  TProcess p;
  p.SetCommandLine("/bin/sh -c 'cat; echo done >&2; exit 3'");
  p.SetOptions({poUsePipes});
  p.Execute();
  ASSERT_NE(p.Stderr(), p.Output());
  EXPECT_EQ(p.Input()->Write("hello", 5), 5);
  EXPECT_EQ(p.Input()->Position(), 0);
  p.CloseInput();
  EXPECT_EQ(ReadAll(p.Output()), "hello");
  EXPECT_EQ(ReadAll(p.Stderr()), "done\n");
  EXPECT_TRUE(p.WaitOnExit());
  EXPECT_FALSE(p.Running());
  EXPECT_EQ(p.ExitStatus(), 3u);
}

TEST(ProcessLifecycle, RunningEndsAndExitCodeStaysReadable) {
  TProcess p;
  p.SetCommandLine("/bin/sh -c 'exit 7'");
  p.Execute();
  EXPECT_TRUE(p.WaitOnExit(10000));
  EXPECT_FALSE(p.Running());
  EXPECT_FALSE(p.Active());
  EXPECT_EQ(p.ExitStatus(), 7u);
  EXPECT_EQ(p.ExitStatus(), 7u);
}

TEST(ProcessLifecycle, TerminateKillsARunningChildOnce) {
  TProcess p;
  p.SetCommandLine("sleep 30");
  p.Execute();
  EXPECT_TRUE(p.Running());
  EXPECT_EQ(p.ExitStatus(), TProcess::STILL_ACTIVE);
  EXPECT_TRUE(p.Terminate(5));
  EXPECT_FALSE(p.Running());
  EXPECT_EQ(p.ExitStatus(), 5u);
  EXPECT_FALSE(p.Terminate(6));
  EXPECT_EQ(p.ExitStatus(), 5u);

  TProcess never;
  EXPECT_FALSE(never.Terminate(1));
  EXPECT_FALSE(never.WaitOnExit());
  EXPECT_EQ(never.ExitStatus(), 0u);
}

TEST(ProcessLifecycle, WaitOnExitOptionAndSuspendedStart) {
  TProcess waiting;
  waiting.SetCommandLine("/bin/sh -c 'exit 4'");
  waiting.SetOptions({poWaitOnExit});
  waiting.Execute();
  EXPECT_FALSE(waiting.Running());
  EXPECT_EQ(waiting.ExitStatus(), 4u);

  // Stopped by the time Execute returns, so that a Resume right after it
  // is never lost (a child continued before it stopped would stop for good).
  for (int i = 0; i < 20; ++i) {
    TProcess suspended;
    suspended.SetCommandLine("/bin/echo started");
    suspended.SetOptions({poRunSuspended, poUsePipes});
    suspended.Execute();
    EXPECT_EQ(StateOf(suspended.ProcessID()), 'T') << "start " << i;
    EXPECT_TRUE(suspended.Resume());
    ASSERT_TRUE(suspended.Output()->WaitReadable(60000)) << "left stopped, start " << i;
    EXPECT_EQ(ReadAll(suspended.Output()), "started\n");
    EXPECT_TRUE(suspended.WaitOnExit());
  }
  TProcess nowhere;
  nowhere.SetCommandLine("/bin/echo started");
  nowhere.SetCurrentDirectory("/nonexistent-folder");
  nowhere.SetOptions({poRunSuspended});
  EXPECT_THROW(nowhere.Execute(), EProcess) << "a child that ends before it stops is a failed start";
}

// The kernel ties the parent-death signal to the thread that forked: a
// child started from a worker that then ends must go on running.
TEST(ProcessLifecycle, AChildOutlivesTheThreadThatStartedIt) {
  TProcess echo;
  echo.SetCommandLine("cat");
  echo.SetOptions({poUsePipes});
  pid_t starter = 0;
  std::thread([&] {
    starter = static_cast<pid_t>(::syscall(SYS_gettid));
    echo.Execute();
  }).join();
  // Once the thread is gone from the process, the signal would have been sent.
  const auto task = std::filesystem::path("/proc/self/task") / std::to_string(starter);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::filesystem::exists(task) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_FALSE(std::filesystem::exists(task));
  ASSERT_EQ(echo.Input()->Write("ping\n", 5), 5);
  ASSERT_TRUE(echo.Output()->WaitReadable(60000));
  char reply[8] = {};
  EXPECT_EQ(echo.Output()->Read(reply, sizeof reply), 5) << "the child died with the thread";
  EXPECT_STREQ(reply, "ping\n");
  EXPECT_TRUE(echo.Running());
  echo.CloseInput();
  EXPECT_TRUE(echo.WaitOnExit());
  EXPECT_EQ(echo.ExitStatus(), 0u);
}

TEST(ProcessExecute, EnvironmentAndDirectory) {
  testkit::TempDir dir;
  TProcess p;
  p.SetCommandLine("/bin/sh -c 'echo \"$QOR_X|$HOME|$(pwd)\"'");
  p.Environment() = {"QOR_X=one two", "PATH=/usr/bin:/bin"};
  p.SetCurrentDirectory(dir.Path().string());
  p.SetOptions({poUsePipes});
  p.Execute();
  EXPECT_EQ(ReadAll(p.Output()), "one two||" + std::filesystem::canonical(dir.Path()).string() + "\n");
  p.WaitOnExit();
}

TEST(ProcessHostile, EndlessWriterAndInstantExit) {
  auto start = std::chrono::steady_clock::now();
  {
    TProcess endless;
    endless.SetCommandLine("yes qor");
    endless.SetOptions({poUsePipes, poStderrToOutPut});
    endless.Execute();
    EXPECT_EQ(ReadAll(endless.Output(), 1 << 20).size(), static_cast<std::size_t>(1 << 20));
    // Freed while still running: the pipe closes, the writer dies of it and
    // is collected in the background.
  }
  {
    TProcess quick;
    quick.SetCommandLine("/bin/true");
    quick.SetOptions({poUsePipes});
    quick.Execute();
    EXPECT_EQ(ReadAll(quick.Output()), "");
    quick.WaitOnExit();
    // Writing to a child that is gone fails instead of killing the program.
    std::string block(1 << 17, 'x');
    EXPECT_EQ(quick.Input()->Write(block.data(), static_cast<long>(block.size())), -1);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
