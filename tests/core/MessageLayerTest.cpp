#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "MainLoop.h"
#include "core/MessageWindow.h"

using namespace core;
using testkit::PumpUntil;

namespace {

constexpr UINT UM_ADD = WM_USER + 1;
constexpr UINT UM_RECORD = WM_USER + 2;

class TRecorder : public TMessageWindow {
 public:
  ~TRecorder() override { DestroyHandle(); }
  std::vector<TMessage> Seen;
  std::vector<std::vector<int>> PerSender;
  int Destroyed = 0;

  void WndProc(TMessage& m) override {
    switch (m.Msg) {
      case UM_ADD:
        m.Result = static_cast<LRESULT>(m.WParam) + m.LParam;
        return;
      case UM_RECORD:
        if (PerSender.size() <= m.WParam) PerSender.resize(m.WParam + 1);
        PerSender[m.WParam].push_back(static_cast<int>(m.LParam));
        return;
      case WM_DESTROY:
        ++Destroyed;
        break;
      default:
        break;
    }
    Seen.push_back(m);
    TMessageWindow::WndProc(m);
  }
};

TEST(MessageLayer, HandlesAreRegisteredAndNeverReused) {
  HWND first;
  {
    TRecorder r;
    EXPECT_FALSE(r.HandleAllocated());
    first = r.Handle();
    EXPECT_NE(first, 0u);
    EXPECT_TRUE(IsWindow(first));
    EXPECT_EQ(TMessageWindow::FromHandle(first), &r);
  }
  EXPECT_FALSE(IsWindow(first));
  TRecorder again;
  EXPECT_NE(again.Handle(), first);
  EXPECT_FALSE(IsWindow(0));
}

TEST(MessageLayer, SendOnTheUiThreadIsDirectAndPostIsQueued) {
  TRecorder r;
  HWND h = r.Handle();
  EXPECT_EQ(SendMessage(h, UM_ADD, 2, 40), 42);
  EXPECT_EQ(SendMessage(h + 999, UM_ADD, 2, 40), 0);
  EXPECT_FALSE(PostMessage(h + 999, UM_RECORD, 0, 1));

  ASSERT_TRUE(PostMessage(h, UM_RECORD, 0, 1));
  ASSERT_TRUE(PostMessage(h, UM_RECORD, 0, 2));
  EXPECT_TRUE(r.PerSender.empty()) << "posting must not deliver synchronously";
  ProcessMessages();
  ASSERT_EQ(r.PerSender.size(), 1u);
  EXPECT_EQ(r.PerSender[0], (std::vector<int>{1, 2}));
}

TEST(MessageLayer, MessagesForADestroyedWindowAreDropped) {
  auto* r = new TRecorder;
  HWND h = r->Handle();
  ASSERT_TRUE(PostMessage(h, UM_RECORD, 0, 1));
  EXPECT_TRUE(DestroyWindow(h));
  EXPECT_EQ(r->Destroyed, 1);
  EXPECT_FALSE(r->HandleAllocated());
  ProcessMessages();
  EXPECT_TRUE(r->PerSender.empty());
  EXPECT_FALSE(DestroyWindow(h));
  delete r;
}

TEST(MessageLayer, WmCloseByDefaultDestroysTheHandle) {
  TRecorder r;
  HWND h = r.Handle();
  SendMessage(h, WM_CLOSE);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(r.Destroyed, 1);
}

TEST(MessageLayer, ManyThreadsPostingLoseNothingAndKeepTheirOrder) {
  TRecorder r;
  HWND h = r.Handle();
  constexpr int kThreads = 6;
  constexpr int kEach = 5000;
  std::atomic<int> sendErrors{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        PostMessage(h, UM_RECORD, static_cast<WPARAM>(t), i);
        // Every so often a synchronous call in between: it must see its own
        // result and must not overtake the order of this thread's posts.
        if (i % 500 == 0 && SendMessage(h, UM_ADD, static_cast<WPARAM>(t), i) != t + i) ++sendErrors;
      }
    });
  }
  auto total = [&] {
    size_t n = 0;
    for (auto& v : r.PerSender) n += v.size();
    return n;
  };
  EXPECT_TRUE(PumpUntil([&] { return total() == size_t(kThreads) * kEach; }, 60000));
  for (auto& th : threads) th.join();
  ProcessMessages();
  EXPECT_EQ(sendErrors, 0);
  ASSERT_EQ(r.PerSender.size(), size_t(kThreads));
  for (int t = 0; t < kThreads; ++t) {
    ASSERT_EQ(r.PerSender[t].size(), size_t(kEach)) << "sender " << t;
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(r.PerSender[t][i], i) << "sender " << t;
  }
}

TEST(MessageLayer, CrossThreadSendRunsOnTheUiThread) {
  std::thread::id uiThread = std::this_thread::get_id();
  struct TProbe : TMessageWindow {
    std::thread::id Ran;
    ~TProbe() override { DestroyHandle(); }
    void WndProc(TMessage& m) override {
      if (m.Msg == UM_ADD) {
        Ran = std::this_thread::get_id();
        m.Result = 7;
        return;
      }
      TMessageWindow::WndProc(m);
    }
  } probe;
  HWND h = probe.Handle();
  std::atomic<LRESULT> result{-1};
  std::thread worker([&] { result = SendMessage(h, UM_ADD); });
  EXPECT_TRUE(PumpUntil([&] { return result != -1; }));
  worker.join();
  EXPECT_EQ(result, 7);
  EXPECT_EQ(probe.Ran, uiThread);
}

// A worker that has begun a SendMessage to `h` (its answer lands in
// `result`) while this thread does not pump.
std::thread WaitingSender(HWND h, std::atomic<LRESULT>& result) {
  std::atomic<bool> started{false};
  std::thread worker([h, &result, &started] {
    started = true;
    result = SendMessage(h, UM_ADD, 1, 1);
  });
  while (!started) std::this_thread::yield();
  return worker;
}

TEST(MessageLayer, WaitingSenderIsReleasedWhenTheWindowIsDestroyed) {
  TRecorder r;
  std::atomic<LRESULT> result{-1};
  std::thread worker = WaitingSender(r.Handle(), result);
  // Not pumping: the call cannot run; destroying the window must free it
  // whether it was already queued or arrives afterwards.
  r.DestroyHandle();
  worker.join();
  EXPECT_EQ(result, 0);
}

TEST(MessageLayer, WaitingSenderIsReleasedWhenTheLoopEnds) {
  TRecorder r;
  HWND h = r.Handle();
  std::atomic<LRESULT> result{-1};
  std::thread worker = WaitingSender(h, result);
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(), 3);
  worker.join();  // must not hang
  EXPECT_TRUE(result == 0 || result == 2);
  // After the loop ended a late sender is refused at once.
  std::thread late([&] { result = SendMessage(h, UM_ADD, 1, 1); });
  late.join();
  EXPECT_EQ(result, 0);
}

TEST(MessageLayer, ProcessSentMessagesLetsAJoinedWorkerFinish) {
  TRecorder r;
  HWND h = r.Handle();
  ProcessMessages();  // this thread pumps from here on
  std::atomic<bool> done{false};
  std::atomic<LRESULT> result{-1};
  std::thread worker([&] {
    result = SendMessage(h, UM_ADD, 20, 22);
    done = true;
  });
  gint64 deadline = g_get_monotonic_time() + 10'000'000;
  while (!done && g_get_monotonic_time() < deadline) {
    ProcessSentMessages();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(result, 42);
}

TEST(MessageLayer, QuitEndsNestedLoopsAndReturnsTheCode) {
  TRecorder r;
  HWND h = r.Handle();
  int inner = -1;
  struct TNest : TMessageWindow {
    std::function<void()> Run;
    ~TNest() override { DestroyHandle(); }
    void WndProc(TMessage& m) override {
      if (m.Msg == UM_ADD) {
        Run();
        return;
      }
      TMessageWindow::WndProc(m);
    }
  } nest;
  nest.Run = [&] {
    PostMessage(h, UM_RECORD, 0, 5);
    PostQuitMessage(9);
    inner = RunMessageLoop();
  };
  PostMessage(nest.Handle(), UM_ADD);
  EXPECT_EQ(RunMessageLoop(), 9);
  EXPECT_EQ(inner, 9);
}

TEST(MessageLayer, LParamPackingKeepsNegativeCoordinates) {
  LPARAM p = MAKELPARAM(-5, 300);
  EXPECT_EQ(GET_X_LPARAM(p), -5);
  EXPECT_EQ(GET_Y_LPARAM(p), 300);
  EXPECT_EQ(static_cast<std::int16_t>(HIWORD(MAKEWPARAM(4, static_cast<unsigned>(-120)))), -120);
}

}  // namespace

namespace {

TEST(MessageLayer, SendersAndPostersSurviveTheWindowGoingAway) {
  auto* target = new TRecorder;
  HWND h = target->Handle();
  std::atomic<bool> stop{false};
  std::atomic<int> answered{0}, refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; !stop; ++i) {
        PostMessage(h, UM_RECORD, static_cast<WPARAM>(t), i);
        if (SendMessage(h, UM_ADD, 1, 1) == 2)
          ++answered;
        else
          ++refused;
      }
    });
  }
  ASSERT_TRUE(PumpUntil([&] { return answered > 200; }));
  target->DestroyHandle();  // with calls queued and threads still sending
  ASSERT_TRUE(PumpUntil([&] { return refused > 100; }));
  stop = true;
  for (auto& th : threads) th.join();
  ProcessMessages();
  EXPECT_FALSE(IsWindow(h));
  delete target;
}

}  // namespace
