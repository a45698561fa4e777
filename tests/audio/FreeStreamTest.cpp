// Once StreamFree returns, the stream touches nothing of its caller's any
// more: a pull stream's procedure is neither running nor called again, and
// a file held in memory is no longer read (the caller may free both).
#include <gtest/gtest.h>

#include <dirent.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "AudioTestUtil.h"
#include "TempDir.h"

using namespace audio;
using audiotest::Media;
using audiotest::WaitFor;
using namespace std::chrono_literals;

namespace {

// Threads of this process named `name` that have not yet returned. One
// that has may still be listed after pthread_join returned: the join wakes
// as the exiting thread lets go of the process's memory, which then waits
// for the memory map's lock while another thread unmaps (the freed
// stream's buffers go meanwhile). Such a thread is marked exiting in its
// flags, the ninth field of its stat line.
int ThreadsNamed(const std::string& name) {
  constexpr unsigned long kExiting = 0x4;
  int count = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      const std::string task = std::string("/proc/self/task/") + e->d_name;
      std::ifstream comm(task + "/comm");
      std::string line;
      if (!std::getline(comm, line) || line != name) continue;
      std::ifstream statFile(task + "/stat");
      std::string stat;
      std::getline(statFile, stat);
      // The name in brackets may hold spaces; the fields after it do not.
      const size_t close = stat.rfind(')');
      if (close == std::string::npos) continue;  // gone meanwhile
      std::istringstream fields(stat.substr(close + 1));
      std::string state, ppid, pgrp, session, tty, tpgid;
      unsigned long flags = 0;
      if (fields >> state >> ppid >> pgrp >> session >> tty >> tpgid >> flags && !(flags & kExiting)) ++count;
    }
    closedir(d);
  }
  return count;
}

}  // namespace

TEST(FreeStream, ThePullProcedureIsDoneAndTheMemoryFileUnreadWhenFreeReturns) {
  audiotest::TLibrary library;
  ASSERT_TRUE(library.ok);

  // A procedure that takes its time (a source waiting for its own data):
  // freeing the stream meanwhile waits for it to return.
  struct TSource {
    std::atomic<bool> slow{false};
    std::atomic<bool> inside{false};
    std::atomic<int> calls{0};
  } source;
  HSTREAM pulled = StreamCreate(44100, 2, 0,
                                [](HSTREAM, void* buffer, DWORD length, void* user) -> DWORD {
                                  auto* s = static_cast<TSource*>(user);
                                  ++s->calls;
                                  if (s->slow.load()) {
                                    s->inside = true;
                                    std::this_thread::sleep_for(300ms);
                                    s->inside = false;
                                    return 0;
                                  }
                                  std::memset(buffer, 0, length);
                                  return length;
                                },
                                &source);
  ASSERT_NE(pulled, 0u);
  ASSERT_TRUE(WaitFor([&] { return source.calls.load() > 0; }, 5s));
  source.slow = true;
  // The queue is full: the procedure is asked again once some has played.
  ASSERT_TRUE(ChannelPlay(pulled, 0));
  ASSERT_TRUE(WaitFor([&] { return source.inside.load(); }, 5s));
  ASSERT_TRUE(StreamFree(pulled));
  EXPECT_FALSE(source.inside.load()) << "the procedure still runs after StreamFree returned";
  const int callsAtFree = source.calls.load();
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(source.calls.load(), callsAtFree) << "the procedure was called after StreamFree";

  // A file in memory: its decoder, which reads the caller's bytes, has
  // ended when StreamFree returns.
  const int before = ThreadsNamed("audio-decode");
  std::string mp3 = testkit::ReadBytes(Media("sine440_2s.mp3"));
  HSTREAM held = StreamCreateFile(1, mp3.data(), 0, mp3.size(), 0);
  ASSERT_NE(held, 0u) << ErrorGetCode();
  ASSERT_TRUE(ChannelPlay(held, 0));
  ASSERT_TRUE(WaitFor([&] { return ThreadsNamed("audio-decode") > before; }, 5s));
  ASSERT_TRUE(StreamFree(held));
  EXPECT_EQ(ThreadsNamed("audio-decode"), before) << "the decoder still reads the caller's memory";
  std::fill(mp3.begin(), mp3.end(), '\0');
}
