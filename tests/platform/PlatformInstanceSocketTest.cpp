#include "platform/InstanceSocket.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "MainLoop.h"
#include "TempDir.h"

namespace {

using namespace platform;

struct TRecorder : TInstanceReceiver {
  struct TCall {
    std::uint32_t Msg;
    std::uintptr_t WParam;
    std::intptr_t LParam;
  };
  std::vector<TCall> Calls;
  bool Enabled = true;
  std::function<void()> OnClose;
  std::intptr_t InstanceMessage(std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override {
    Calls.push_back({msg, w, l});
    if (msg == WM_CLOSE_MESSAGE && OnClose) OnClose();
    return msg == UM_ACTIVATE_MESSAGE ? 77 : static_cast<std::intptr_t>(w + 1);
  }
  bool InstanceEnabled() override { return Enabled; }
  std::vector<std::string> Opened;
  std::intptr_t InstanceOpen(const std::string& target) override {
    Opened.push_back(target);
    return static_cast<std::intptr_t>(target.size()) + 1;
  }
};

// Runs work on another thread (the other process, in effect) while this
// thread serves the main loop, as the controller's thread would.
template <typename F>
void RunClient(F work) {
  std::atomic<bool> done{false};
  std::thread client([&] {
    work();
    done = true;
    g_main_context_wakeup(nullptr);
  });
  while (!done) g_main_context_iteration(nullptr, TRUE);
  client.join();
}

std::string Folder(const testkit::TempDir& dir) { return dir.Path().string() + "/"; }

// A client of our own making, blocking, connected to `path`.
int ConnectRaw(const std::string& path) {
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    fd = -1;
  }
  return fd;
}

// Whether the server has hung up on the client's socket (nothing to read
// and the end reached), without waiting.
bool HungUp(int fd) {
  unsigned char byte;
  return ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
}

TEST(PlatformInstanceSocketTest, MessagesAreAnsweredSynchronously) {
  testkit::TempDir dir;
  TRecorder receiver;
  TInstanceServer server(Folder(dir), receiver);
  ASSERT_FALSE(server.Failed()) << server.ErrorText();
  EXPECT_EQ(server.Path().rfind(Folder(dir) + "QORClass.", 0), 0u);

  std::intptr_t a = 0, b = 0, c = 0;
  TSendStatus s1{}, s2{};
  bool enabled = false;
  RunClient([&] {
    auto window = FindInstanceWindow(Folder(dir));
    ASSERT_TRUE(window);
    s1 = SendInstanceMessage(*window, WM_NULL_MESSAGE, 0, 0, &a);
    s2 = SendInstanceMessage(*window, UM_ACTIVATE_MESSAGE, 0, 0, &b);
    SendInstanceMessage(*window, 1234, 0xFFFFFFFFFFull, -5, &c);
    enabled = IsInstanceWindowEnabled(*window);
  });
  EXPECT_EQ(s1, TSendStatus::Ok);
  EXPECT_EQ(s2, TSendStatus::Ok);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 77);
  EXPECT_EQ(c, static_cast<std::intptr_t>(0x10000000000ull));
  EXPECT_TRUE(enabled);
  ASSERT_EQ(receiver.Calls.size(), 3u) << "finding a window sends nothing";
  EXPECT_EQ(receiver.Calls[0].Msg, 0u);
  EXPECT_EQ(receiver.Calls[1].Msg, 37682u);
  EXPECT_EQ(receiver.Calls[2].WParam, 0xFFFFFFFFFFull);
  EXPECT_EQ(receiver.Calls[2].LParam, -5);

  receiver.Enabled = false;
  RunClient([&] { enabled = IsInstanceWindowEnabled(server.Path()); });
  EXPECT_FALSE(enabled);
}

// A busy owner (a program still starting) whose backlog is full of
// finders' connections: a message waits for its turn instead of being
// lost, and the window is still found.
TEST(PlatformInstanceSocketTest, AFullBacklogDelaysAMessageButLosesNothing) {
  testkit::TempDir dir;
  TRecorder receiver;
  TInstanceServer server(Folder(dir), receiver);
  ASSERT_FALSE(server.Failed()) << server.ErrorText();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, server.Path().c_str(), sizeof address.sun_path - 1);
  // Finders connect and hang up; nobody accepts while this thread does
  // not run the loop.
  bool full = false;
  for (int i = 0; i < 256 && !full; ++i) {
    int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(s, 0);
    full = ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno == EAGAIN;
    ::close(s);
  }
  ASSERT_TRUE(full);

  std::size_t found = 0;
  TSendStatus status{};
  std::intptr_t answer = 0;
  std::atomic<bool> asked{false}, done{false};
  std::thread client([&] {
    found = FindInstanceWindows(Folder(dir)).size();
    asked = true;
    status = SendInstanceMessage(server.Path(), 1234, 5, 0, &answer);
    done = true;
    g_main_context_wakeup(nullptr);
  });
  // Still busy a while after the message was sent.
  while (!asked) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  while (!done) g_main_context_iteration(nullptr, TRUE);
  client.join();
  EXPECT_EQ(found, 1u);
  EXPECT_EQ(status, TSendStatus::Ok);
  EXPECT_EQ(answer, 6);
  ASSERT_EQ(receiver.Calls.size(), 1u);
  EXPECT_EQ(receiver.Calls[0].Msg, 1234u);
}

TEST(PlatformInstanceSocketTest, CloseInsideTheHandlerStillAnswersAndHidesTheWindow) {
  testkit::TempDir dir;
  TRecorder receiver;
  auto server = std::make_unique<TInstanceServer>(Folder(dir), receiver);
  ASSERT_FALSE(server->Failed());
  // Like a window destroyed by its own WM_CLOSE: gone before the answer.
  receiver.OnClose = [&] { server.reset(); };
  std::string path = server->Path();
  TSendStatus status{};
  std::intptr_t result = -1;
  std::optional<std::string> after;
  RunClient([&] {
    status = SendInstanceMessage(path, WM_CLOSE_MESSAGE, 4, 0, &result);
    after = FindInstanceWindow(Folder(dir));
  });
  EXPECT_EQ(status, TSendStatus::Ok);
  EXPECT_EQ(result, 5);
  EXPECT_FALSE(after);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(SendInstanceMessage(path, WM_NULL_MESSAGE, 0, 0), TSendStatus::NoWindow);
}

TEST(PlatformInstanceSocketTest, FindsLiveWindowsAndRemovesStaleOnes) {
  testkit::TempDir dir;
  std::string folder = Folder(dir);
  // A socket left by a crashed process: bound, nobody listening.
  std::string stale = folder + "QORClass.99999.1";
  {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, stale.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
  }
  testkit::TempDir::WriteFile(folder + "QORClass.1.1", "not a socket");
  TRecorder r1, r2, other;
  TInstanceServer s1(folder, r1);
  TInstanceServer s2(folder, r2);
  TInstanceServer s3(folder, other, "OtherClass");
  std::vector<std::string> found;
  RunClient([&] { found = FindInstanceWindows(folder); });
  ASSERT_EQ(found.size(), 2u);
  EXPECT_NE(found[0], found[1]);
  EXPECT_FALSE(std::filesystem::exists(stale));
  EXPECT_TRUE(std::filesystem::exists(folder + "QORClass.1.1")) << "only sockets are ours to remove";
  s1.Close();
  s1.Close();
  RunClient([&] { found = FindInstanceWindows(folder); });
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0], s2.Path());
  EXPECT_TRUE(FindInstanceWindows("").empty());
  EXPECT_TRUE(FindInstanceWindows(folder + "missing/").empty());
}

TEST(PlatformInstanceSocketTest, SilentPeerTimesOutAndBadFolderFails) {
  testkit::TempDir dir;
  std::string path = Folder(dir) + "QORClass.5.5";
  // Listening but never answering, as a hung process would.
  int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  std::intptr_t result = 9;
  EXPECT_EQ(SendInstanceMessage(path, WM_CLOSE_MESSAGE, 0, 0, &result, 100), TSendStatus::TimedOut);
  EXPECT_EQ(result, 0);
  ::close(fd);

  TRecorder receiver;
  TInstanceServer nowhere(Folder(dir) + "missing/", receiver);
  EXPECT_TRUE(nowhere.Failed());
  EXPECT_FALSE(nowhere.ErrorText().empty());
  TInstanceServer tooLong(Folder(dir) + std::string(200, 'x') + "/", receiver);
  EXPECT_TRUE(tooLong.Failed());
}

// Requests are read as their bytes come, between the loop's other work: a
// client that connects and says nothing (or says it slowly) holds up
// neither the loop nor another instance's request, and is hung up on when
// its time is up; silent clients beyond the limit push out the oldest.
TEST(PlatformInstanceSocketTest, SlowAndSilentClientsDelayNobody) {
  testkit::TempDir dir;
  TRecorder receiver;
  TInstanceServer server(Folder(dir), receiver);
  ASSERT_FALSE(server.Failed()) << server.ErrorText();
  server.RequestTimeoutMs = 600000;  // nobody is hung up on here for being slow
  int silent = ConnectRaw(server.Path());
  int slow = ConnectRaw(server.Path());
  ASSERT_GE(silent, 0);
  ASSERT_GE(slow, 0);
  // "QORM", kind 1 (send), message 4321, wParam 8: the first half now.
  unsigned char frame[28] = {0x51, 0x4F, 0x52, 0x4D, 1, 0, 0, 0, 0xE1, 0x10, 0, 0, 8};
  ASSERT_EQ(::send(slow, frame, 10, MSG_NOSIGNAL), 10);

  // The loop goes on with its other work...
  bool idled = false;
  g_idle_add(
      [](void* flag) {
        *static_cast<bool*>(flag) = true;
        return G_SOURCE_REMOVE;
      },
      &idled);
  ASSERT_TRUE(testkit::PumpUntil([&] { return idled; }));
  EXPECT_FALSE(HungUp(silent));
  // ...and another instance is answered while both still wait.
  TSendStatus status{};
  std::intptr_t answer = 0;
  RunClient([&] { status = SendInstanceMessage(server.Path(), 1234, 5, 0, &answer); });
  EXPECT_EQ(status, TSendStatus::Ok);
  EXPECT_EQ(answer, 6);
  EXPECT_FALSE(HungUp(silent)) << "the silent client was given up on first";
  EXPECT_FALSE(HungUp(slow));
  EXPECT_EQ(server.PendingRequests(), 2u);

  // The slow one's rest: answered like anyone.
  ASSERT_EQ(::send(slow, frame + 10, sizeof frame - 10, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof frame - 10));
  unsigned char reply[12] = {};
  ASSERT_TRUE(testkit::PumpUntil([&] { return ::recv(slow, reply, sizeof reply, MSG_DONTWAIT | MSG_PEEK) == 12; }));
  EXPECT_EQ(reply[4], 9);
  ASSERT_EQ(receiver.Calls.size(), 2u);
  EXPECT_EQ(receiver.Calls[1].Msg, 4321u);
  ::close(slow);

  // More silent clients than are read at once: the oldest go first, and a
  // request still gets through.
  std::vector<int> crowd;
  RunClient([&] {
    for (std::size_t i = 0; i < TInstanceServer::MaxPendingRequests + 3; ++i) crowd.push_back(ConnectRaw(server.Path()));
  });
  ASSERT_TRUE(testkit::PumpUntil([&] { return HungUp(silent) && HungUp(crowd[0]) && HungUp(crowd[1]); }));
  EXPECT_TRUE(testkit::PumpUntil([&] { return server.PendingRequests() == TInstanceServer::MaxPendingRequests; }));
  EXPECT_FALSE(HungUp(crowd.back()));
  RunClient([&] { status = SendInstanceMessage(server.Path(), 1234, 6, 0, &answer); });
  EXPECT_EQ(status, TSendStatus::Ok);
  EXPECT_EQ(answer, 7);
  for (int fd : crowd) ::close(fd);
  ::close(silent);

  // The time limit still holds.
  server.RequestTimeoutMs = 50;
  int late = ConnectRaw(server.Path());
  ASSERT_GE(late, 0);
  EXPECT_TRUE(testkit::PumpUntil([&] { return HungUp(late); }));
  ::close(late);
  EXPECT_TRUE(testkit::PumpUntil([&] { return server.PendingRequests() == 0; }));
}

TEST(PlatformInstanceSocketTest, OpenCarriesTextsWhole) {
  testkit::TempDir dir;
  TRecorder receiver;
  TInstanceServer server(Folder(dir), receiver);
  ASSERT_FALSE(server.Failed()) << server.ErrorText();
  const std::string path = "/home/kullanıcı/Müzik/Şarkılar listesi.rpf";
  const std::string address = "http://127.0.0.1:8000/stream?a=1&b=" + std::string(5000, 'x');
  std::intptr_t r1 = 0, r2 = 0, r3 = 0, r4 = 7;
  TSendStatus tooLong{};
  RunClient([&] {
    SendInstanceOpen(server.Path(), path, &r1);
    SendInstanceOpen(server.Path(), address, &r2);
    SendInstanceOpen(server.Path(), "", &r3);
    tooLong = SendInstanceOpen(server.Path(), std::string(MaxInstanceTextSize + 1, 'a'), &r4);
  });
  ASSERT_EQ(receiver.Opened.size(), 3u);
  EXPECT_EQ(receiver.Opened[0], path);
  EXPECT_EQ(receiver.Opened[1], address);
  EXPECT_EQ(receiver.Opened[2], "");
  EXPECT_EQ(r1, static_cast<std::intptr_t>(path.size()) + 1);
  EXPECT_EQ(r2, static_cast<std::intptr_t>(address.size()) + 1);
  EXPECT_EQ(r3, 1);
  EXPECT_EQ(tooLong, TSendStatus::Failed);
  EXPECT_EQ(r4, 0);
  EXPECT_TRUE(receiver.Calls.empty());
}

TEST(PlatformInstanceSocketTest, HugeClaimedTextLengthIsRefusedUnread) {
  testkit::TempDir dir;
  TRecorder receiver;
  TInstanceServer server(Folder(dir), receiver);
  ASSERT_FALSE(server.Failed()) << server.ErrorText();
  ssize_t answered = -2;
  TSendStatus after{};
  RunClient([&] {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, server.Path().c_str());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      // "QORM", kind 3 (open), message 0, a text length of 2^40, lParam 0.
      unsigned char frame[28] = {0x51, 0x4F, 0x52, 0x4D, 3};
      frame[12 + 5] = 1;
      ::send(fd, frame, sizeof frame, MSG_NOSIGNAL);
      unsigned char reply[16];
      answered = ::recv(fd, reply, sizeof reply, 0);
    }
    ::close(fd);
    after = SendInstanceOpen(server.Path(), "http://127.0.0.1/");
  });
  EXPECT_EQ(answered, 0) << "the server hangs up without an answer";
  EXPECT_EQ(after, TSendStatus::Ok) << "and goes on serving";
  ASSERT_EQ(receiver.Opened.size(), 1u);
  EXPECT_EQ(receiver.Opened[0], "http://127.0.0.1/");
}

}  // namespace
