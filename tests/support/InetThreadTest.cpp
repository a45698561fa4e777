#include "support/InetThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "FixtureServer.h"
#include "MainLoop.h"
#include "core/MessageWindow.h"

namespace {

using testkit::Connection;
using testkit::FixtureServer;
using testkit::HttpRequest;

constexpr core::UINT kDone = 37782;

class TReceiver : public core::TMessageWindow {
 public:
  ~TReceiver() override { DestroyHandle(); }
  void WndProc(core::TMessage& m) override {
    if (m.Msg == kDone) {
      got.push_back({m.WParam, m.LParam});
      return;
    }
    TMessageWindow::WndProc(m);
  }
  std::vector<std::pair<core::WPARAM, core::LPARAM>> got;
};

using testkit::PumpUntil;

class InetThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    core::InitMessages();
    session.StallTimeoutMs = 1000;
    server.Route("/version.xml", [](const HttpRequest&, Connection& c) {
      FixtureServer::Respond(c, 200, "text/xml", "<v>5.4</v>");
    });
  }
  THttpSession session;
  FixtureServer server;
};

TEST_F(InetThreadTest, PostsCompletionWithTheResult) {
  TReceiver receiver;
  TInetThread thread(receiver.Handle(), &session, kDone);
  ASSERT_TRUE(thread.Request().SetMethodAndURL("GET", server.Url("/version.xml?123")));
  EXPECT_FALSE(thread.Finished());
  EXPECT_EQ(server.RequestCount(), 0);  // nothing runs before Resume
  thread.Resume();
  ASSERT_TRUE(PumpUntil([&] { return !receiver.got.empty(); }));
  EXPECT_EQ(receiver.got[0], (std::pair<core::WPARAM, core::LPARAM>{0, 0}));
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(thread.Response().BodyAsText(), "<v>5.4</v>");
  EXPECT_EQ(&thread.Response(), &thread.Request().Response());

  // A failed exchange is reported too, with -1 and an empty body.
  TInetThread failing(receiver.Handle(), nullptr, kDone);
  failing.Request().SetSlot(rsHost, "127.0.0.1");
  failing.Resume();
  ASSERT_TRUE(PumpUntil([&] { return receiver.got.size() == 2; }));
  EXPECT_EQ(receiver.got[1].second, -1);
  EXPECT_EQ(failing.Response().Body, "");
}

TEST_F(InetThreadTest, ClosedTargetReceivesNothing) {
  auto receiver = std::make_unique<TReceiver>();
  core::HWND target = receiver->Handle();
  TReceiver* raw = receiver.get();
  raw->DestroyHandle();
  ASSERT_FALSE(core::IsWindow(target));
  TInetThread thread(target, &session, kDone);
  thread.Request().SetMethodAndURL("GET", server.Url("/version.xml"));
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(thread.Finished());
  EXPECT_EQ(thread.Result(), 0);
  core::ProcessMessages();
  EXPECT_TRUE(raw->got.empty());

  // Destroyed while the exchange is still running: dropped as well.
  server.Route("/slow", [&](const HttpRequest&, Connection& c) {
    server.SleepFor(std::chrono::milliseconds(150));
    FixtureServer::Respond(c, 200, "text/plain", "late");
  });
  TReceiver second;
  TInetThread slow(second.Handle(), &session, kDone);
  slow.Request().SetMethodAndURL("GET", server.Url("/slow"));
  slow.Resume();
  second.DestroyHandle();
  slow.WaitFor();
  core::ProcessMessages();
  EXPECT_TRUE(second.got.empty());
  EXPECT_EQ(slow.Response().Body, "late");
}

TEST_F(InetThreadTest, FreeingARunningThreadCancelsIt) {
  server.Route("/stream", [&](const HttpRequest&, Connection& c) {
    c.Write("HTTP/1.1 200 OK\r\n\r\n");
    while (!server.Stopping() && c.Write("data")) server.SleepFor(std::chrono::milliseconds(2));
  });
  TReceiver receiver;
  auto start = std::chrono::steady_clock::now();
  {
    TInetThread thread(receiver.Handle(), &session, kDone);
    thread.Request().SetMethodAndURL("GET", server.Url("/stream"));
    thread.Resume();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  {
    // Never resumed: freeing it does nothing and posts nothing.
    TInetThread idle(receiver.Handle(), &session, kDone);
    idle.WaitFor();
    EXPECT_FALSE(idle.Finished());
  }
  core::ProcessMessages();
  EXPECT_LE(receiver.got.size(), 1u);
}

}  // namespace
