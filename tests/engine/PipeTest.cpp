// The decoder's FIFO and the output-line reader, against real pipes and
// real child processes.
#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "Shell.h"
#include "TempDir.h"
#include "engine/PipeServer.h"
#include "engine/PipeThread.h"
#include "engine/Process.h"

namespace {

bool IsFifo(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

TEST(PipeServer, FifoLivesInTheRuntimeFolderAndReadsNeverWait) {
  testkit::TempDir runtime;
  testkit::EnvScope env("XDG_RUNTIME_DIR", runtime.Path().c_str());
  EXPECT_EQ(TPipeServer::MakePipeName(42), runtime.Path().string() + "/kestrowave_42");

  TPipeServer pipe;
  pipe.SetName(TPipeServer::MakePipeName(7));
  pipe.Open();
  ASSERT_TRUE(IsFifo(pipe.PipeName));
  // No writer yet: nothing waiting, and a read returns at once with 0.
  char buffer[64];
  EXPECT_FALSE(pipe.HasData());
  EXPECT_EQ(pipe.Read(buffer, sizeof buffer), 0);

  int writer = ::open(pipe.PipeName.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0) << "a writer must find the read end open";
  EXPECT_FALSE(pipe.HasData());
  ASSERT_EQ(::write(writer, "hello pipe", 10), 10);
  EXPECT_TRUE(pipe.HasData());
  EXPECT_EQ(pipe.Available(), 10);
  EXPECT_EQ(pipe.Read(buffer, 5), 5);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(pipe.Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), " pipe");
  // The writer has gone: that is not data, and reading still returns 0.
  ::close(writer);
  EXPECT_FALSE(pipe.HasData());
  EXPECT_EQ(pipe.Read(buffer, sizeof buffer), 0);

  pipe.Close();
  EXPECT_FALSE(pipe.IsOpen());
  EXPECT_FALSE(IsFifo(pipe.PipeName));
  EXPECT_EQ(pipe.Read(buffer, sizeof buffer), 0);
  EXPECT_FALSE(pipe.HasData());
}

TEST(PipeServer, RuntimeFolderFallsBackToTmp) {
  {
    testkit::EnvScope env("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(TPipeServer::RuntimeFolder(), "/tmp");
  }
  {
    testkit::EnvScope env("XDG_RUNTIME_DIR", "/no/such/runtime/folder");
    EXPECT_EQ(TPipeServer::RuntimeFolder(), "/tmp");
  }
  {
    testkit::EnvScope env("XDG_RUNTIME_DIR", "relative/folder");
    EXPECT_EQ(TPipeServer::RuntimeFolder(), "/tmp");
  }
}

TEST(PipeServer, FailuresRaiseAndLeaveNothingBehind) {
  testkit::TempDir runtime;
  // A file already there under the name is never taken over or removed.
  std::string taken = (runtime / "kestrowave_5").string();
  testkit::TempDir::WriteFile(taken, "someone else's");
  {
    TPipeServer pipe;
    pipe.SetName(taken);
    try {
      pipe.Open();
      FAIL() << "opened over an existing file";
    } catch (const EIPCError& e) {
      EXPECT_EQ(std::string(e.what()), "Failed to create named pipe: " + taken);
    }
    EXPECT_FALSE(pipe.IsOpen());
  }
  EXPECT_EQ(testkit::TempDir::ReadFile(taken), "someone else's");

  // A folder where no FIFO can be made.
  TPipeServer pipe;
  pipe.SetName("/proc/kestrowave_1");
  EXPECT_THROW(pipe.Open(), EIPCError);
  TPipeServer unnamed;
  EXPECT_THROW(unnamed.Open(), EIPCError);
}

TEST(PipeServer, ClosingTwiceAndDestroyingOpenPipeRemoveTheFifo) {
  testkit::TempDir runtime;
  std::string name = (runtime / "kestrowave_9").string();
  {
    TPipeServer pipe;
    pipe.SetName(name);
    pipe.Open();
    ASSERT_TRUE(IsFifo(name));
    // Opening again makes a fresh FIFO of the same name.
    pipe.Open();
    ASSERT_TRUE(IsFifo(name));
  }
  EXPECT_FALSE(IsFifo(name));
  TPipeServer pipe;
  pipe.SetName(name);
  pipe.Open();
  pipe.Close();
  pipe.Close();
  EXPECT_FALSE(IsFifo(name));
}

namespace {

struct TLines {
  std::mutex mutex;
  std::vector<std::string> lines;
  void Add(const std::string& line) {
    std::lock_guard<std::mutex> guard(mutex);
    lines.push_back(line);
  }
};

}  // namespace

TEST(PipeThread, SplitsAtNulLfAndCrTrimsAndDropsEmptyLines) {
  TProcess process;
  process.SetOptions({poUsePipes, poStderrToOutPut});
  process.SetExecutable("/bin/sh");
  process.Parameters() = {"-c", "printf 'first\\r\\nsecond\\0third\\n\\n   padded  \\rerr' ; printf ' tail\\n' >&2; "
                                "printf 'no end'"};
  process.Execute();
  TLines seen;
  TPipeThread thread;
  thread.Source = process.Output();
  thread.OnLine = [&](TPipeThread* sender, const std::string& line) {
    EXPECT_EQ(sender, &thread);
    seen.Add(line);
  };
  thread.Start();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  process.WaitOnExit();
  EXPECT_EQ(seen.lines, (std::vector<std::string>{"first", "second", "third", "padded", "err tail", "no end"}));
  EXPECT_EQ(thread.LastLine(), "no end");
  EXPECT_EQ(thread.LineCount(), 6);
}

TEST(PipeThread, TerminateEndsTheReaderWhileTheChildIsSilent) {
  TProcess process;
  process.SetOptions({poUsePipes, poStderrToOutPut});
  process.SetExecutable("/bin/sh");
  process.Parameters() = {"-c", "echo ready; exec sleep 30"};
  process.Execute();
  TLines seen;
  {
    TPipeThread thread;
    thread.Source = process.Output();
    thread.OnLine = [&](TPipeThread*, const std::string& line) { seen.Add(line); };
    thread.Start();
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (thread.LineCount() == 0 && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    auto start = std::chrono::steady_clock::now();
    thread.Terminate();
    thread.WaitFor();
    // Far below the child's 30 s of silence, however loaded the machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(thread.Finished());
  }
  EXPECT_EQ(seen.lines, std::vector<std::string>{"ready"});
  EXPECT_TRUE(process.Running());
  process.Terminate(0);
}

TEST(PipeThread, WithoutSourceOrWhenNeverStartedEndsCleanly) {
  TPipeThread idle;  // never started: destruction must not wait
  TPipeThread empty;
  empty.Start();
  empty.WaitFor();
  EXPECT_TRUE(empty.Finished());
  EXPECT_EQ(empty.LineCount(), 0);
  EXPECT_EQ(TPipeThread::TrimLine(" \t x y \r"), "x y");
  EXPECT_EQ(TPipeThread::TrimLine("   "), "");
}
