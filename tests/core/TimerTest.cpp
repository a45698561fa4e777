#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "MainLoop.h"
#include "core/MessageWindow.h"
#include "core/Timer.h"

using namespace core;
using testkit::PumpUntil;

namespace {

class TTickCounter : public TMessageWindow {
 public:
  ~TTickCounter() override { DestroyHandle(); }
  std::map<WPARAM, int> Ticks;
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_TIMER) {
      ++Ticks[m.WParam];
      return;
    }
    TMessageWindow::WndProc(m);
  }
};

// A reference timer that proves time went by without sleeping blindly.
void LetTicksPass(int count, UINT interval = 10) {
  TTimer reference;
  int n = 0;
  reference.SetInterval(interval);
  reference.SetOnTimer([&](TObject*) { ++n; });
  ASSERT_TRUE(PumpUntil([&] { return n >= count; }));
}

TEST(WindowTimers, DeliverTheirIdUntilKilled) {
  TTickCounter w;
  HWND h = w.Handle();
  EXPECT_NE(SetTimer(h, 1001, 5), 0u);
  EXPECT_NE(SetTimer(h, 1004, 5), 0u);
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[1001] >= 3 && w.Ticks[1004] >= 3; }));
  EXPECT_TRUE(KillTimer(h, 1001));
  EXPECT_FALSE(KillTimer(h, 1001));
  int frozen = w.Ticks[1001];
  int other = w.Ticks[1004];
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[1004] >= other + 3; }));
  EXPECT_EQ(w.Ticks[1001], frozen);
  EXPECT_EQ(SetTimer(h + 12345, 1, 5), 0u);
}

// Timers of one tolerance, whatever their phase, tick in the same turn of
// the loop: one wake-up serves them all. The second starts a tick of the
// first later; plain timers of that phase would tick in turns of their own.
TEST(WindowTimers, CoalescableTimersOfOneToleranceTickInOneTurnOfTheLoop) {
  TTickCounter w;
  HWND h = w.Handle();
  ASSERT_NE(SetCoalescableTimer(h, 1, 60, 100), 0u);
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[1] >= 1; }));
  ASSERT_NE(SetCoalescableTimer(h, 2, 60, 100), 0u);
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[2] >= 1; }));
  int turnsWithTicks = 0;
  while (turnsWithTicks < 6) {
    const int first = w.Ticks[1], second = w.Ticks[2];
    g_main_context_iteration(nullptr, TRUE);
    const bool firstTicked = w.Ticks[1] != first, secondTicked = w.Ticks[2] != second;
    if (!firstTicked && !secondTicked) continue;
    ++turnsWithTicks;
    EXPECT_TRUE(firstTicked && secondTicked) << "turn " << turnsWithTicks << ": only one of them ticked";
  }
  EXPECT_TRUE(KillTimer(h, 1));
  EXPECT_TRUE(KillTimer(h, 2));
}

// A tick that pumps the loop (a modal dialog, a wait) lets the other timers
// tick meanwhile, but is not itself ticked again inside its own call.
TEST(WindowTimers, ATickRunningANestedLoopLetsOthersTickButNotItself) {
  struct TNesting : TTickCounter {
    int Depth = 0, Reentered = 0;
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_TIMER && m.WParam == 1) {
        if (Depth) ++Reentered;
        ++Ticks[1];
        if (Ticks[1] == 1) {
          ++Depth;
          Nested = PumpUntil([&] { return Ticks[2] >= 3; });
          --Depth;
        }
        return;
      }
      TTickCounter::WndProc(m);
    }
    bool Nested = false;
  } w;
  HWND h = w.Handle();
  SetTimer(h, 1, 1);
  SetTimer(h, 2, 3);
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[1] >= 3; }));
  EXPECT_TRUE(w.Nested) << "the other timer did not tick inside the nested loop";
  EXPECT_EQ(w.Reentered, 0);
  KillTimer(h, 1);
  KillTimer(h, 2);
}

// The loop sleeps towards its earliest tick; a timer set from another
// thread that is due sooner wakes it.
TEST(WindowTimers, ATimerSetFromAnotherThreadWakesTheSleepingLoop) {
  TTickCounter w;
  HWND h = w.Handle();
  SetTimer(h, 1, 20000);
  ProcessMessages();
  const auto start = std::chrono::steady_clock::now();
  std::thread library([h] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    SetTimer(h, 2, 1);
  });
  // No other source of this process wakes the loop: without the wake-up it
  // sleeps until the 20 s timer.
  while (w.Ticks[2] == 0 && std::chrono::steady_clock::now() - start < std::chrono::seconds(15))
    g_main_context_iteration(nullptr, TRUE);
  library.join();
  EXPECT_GE(w.Ticks[2], 1);
  EXPECT_EQ(w.Ticks[1], 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  KillTimer(h, 1);
  KillTimer(h, 2);
}

TEST(WindowTimers, StopWithTheWindow) {
  auto* w = new TTickCounter;
  HWND h = w->Handle();
  SetTimer(h, 7, 1);
  ASSERT_TRUE(PumpUntil([&] { return w->Ticks[7] >= 1; }));
  w->DestroyHandle();
  int frozen = w->Ticks[7];
  LetTicksPass(3);
  EXPECT_EQ(w->Ticks[7], frozen);
  EXPECT_FALSE(KillTimer(h, 7));
  delete w;
}

TEST(WinTimer, StartsOnlyForAWindowAndStopsOnDisable) {
  TTickCounter w;
  TWinTimer early(0, 5, 1);
  early.SetEnabled(true);
  EXPECT_FALSE(early.Enabled()) << "no window, no timer";

  TWinTimer timer(w.Handle(), 5, 1009);
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Enabled());
  ASSERT_TRUE(PumpUntil([&] { return w.Ticks[1009] >= 2; }));
  timer.SetEnabled(false);
  int frozen = w.Ticks[1009];
  LetTicksPass(3);
  EXPECT_EQ(w.Ticks[1009], frozen);
}

TEST(ComponentTimer, NeverFiresWithoutIntervalOrHandler) {
  int fired = 0;
  TTimer zero;
  zero.SetInterval(0);
  zero.SetOnTimer([&](TObject*) { ++fired; });
  EXPECT_TRUE(zero.Enabled());
  EXPECT_FALSE(zero.Armed());

  TTimer noHandler;
  noHandler.SetInterval(1);
  EXPECT_FALSE(noHandler.Armed());

  TTimer disabled;
  disabled.SetInterval(1);
  disabled.SetEnabled(false);
  disabled.SetOnTimer([&](TObject*) { ++fired; });
  EXPECT_FALSE(disabled.Armed());

  LetTicksPass(5);
  EXPECT_EQ(fired, 0);
}

TEST(ComponentTimer, IsRearmedOnEveryChangeAndPassesItself) {
  TTimer timer;
  TObject* sender = nullptr;
  int fired = 0;
  timer.SetInterval(5);
  timer.SetOnTimer([&](TObject* s) {
    sender = s;
    ++fired;
  });
  EXPECT_TRUE(timer.Armed());
  ASSERT_TRUE(PumpUntil([&] { return fired >= 2; }));
  EXPECT_EQ(sender, &timer);

  timer.SetOnTimer(nullptr);
  EXPECT_FALSE(timer.Armed());
  int frozen = fired;
  LetTicksPass(3);
  EXPECT_EQ(fired, frozen);

  timer.SetOnTimer([&](TObject*) { ++fired; });
  ASSERT_TRUE(PumpUntil([&] { return fired > frozen; }));
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Armed());
}

TEST(ComponentTimer, SurvivesAnExceptionInItsHandlerAndReportsIt) {
  std::vector<std::string> reports;
  auto previous = SetExceptionReporter([&](const std::string& what) { reports.push_back(what); });
  TTimer timer;
  int fired = 0;
  timer.SetInterval(2);
  timer.SetOnTimer([&](TObject*) {
    ++fired;
    if (fired % 2) throw std::runtime_error("poll failed");
    throw 42;
  });
  ASSERT_TRUE(PumpUntil([&] { return fired >= 3; }));
  timer.SetEnabled(false);
  SetExceptionReporter(previous);
  ASSERT_EQ(reports.size(), static_cast<size_t>(fired));
  EXPECT_EQ(reports[0], "poll failed");
  EXPECT_EQ(reports[1], "") << "an exception that is not std::exception is reported without text";
}

TEST(ComponentTimer, OneShotDisablingItselfAndFreeingInTheHandler) {
  TComponent owner;
  auto* oneShot = new TTimer(&owner);
  int fired = 0;
  oneShot->SetInterval(2);
  oneShot->SetOnTimer([&](TObject* s) {
    ++fired;
    static_cast<TTimer*>(s)->SetEnabled(false);
  });
  ASSERT_TRUE(PumpUntil([&] { return fired == 1; }));
  LetTicksPass(3);
  EXPECT_EQ(fired, 1);

  auto* selfFreeing = new TTimer(&owner);
  bool ran = false;
  selfFreeing->SetInterval(1);
  selfFreeing->SetOnTimer([&](TObject* s) {
    ran = true;
    delete s;
  });
  ASSERT_TRUE(PumpUntil([&] { return ran; }));
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(ComponentTimer, CanBeEnabledFromAnotherThread) {
  TTimer timer;
  timer.SetEnabled(false);
  timer.SetInterval(2);
  std::atomic<int> fired{0};
  timer.SetOnTimer([&](TObject*) { ++fired; });
  std::thread library([&] { timer.SetEnabled(true); });
  library.join();
  EXPECT_TRUE(PumpUntil([&] { return fired >= 2; }));
}

// A library thread speeds a poll up while another slows it down: the pair
// one of them set wins whole, so a quick poll never keeps the slow one's
// tolerance (which holds its ticks back to the next whole second).
TEST(ComponentTimer, IntervalAndToleranceSetFromTwoThreadsStayOnePair) {
  TTimer timer;
  timer.SetOnTimer([](TObject*) {});
  int mixed = 0;
  for (int round = 0; round < 400; ++round) {
    std::atomic<int> ready{0};
    auto writer = [&](UINT interval, UINT tolerance) {
      ++ready;
      while (ready < 2) std::this_thread::yield();
      for (int i = 0; i < 20; ++i) timer.SetInterval(interval, tolerance);
    };
    std::thread quick(writer, 7u, 0u), slow(writer, 2000u, 1000u);
    quick.join();
    slow.join();
    const bool isQuick = timer.Interval() == 7 && timer.Tolerance() == 0;
    const bool isSlow = timer.Interval() == 2000 && timer.Tolerance() == 1000;
    if (!isQuick && !isSlow) ++mixed;
    // The re-arming both handed over runs with what was set last.
    ProcessMessages();
  }
  EXPECT_EQ(mixed, 0) << "rounds that left an interval with the other's tolerance";
  EXPECT_TRUE(timer.Armed());
}

TEST(Components, OwnerFreesWhatItOwns) {
  struct TProbe : TComponent {
    int* Count;
    TProbe(TComponent* o, int* c) : TComponent(o), Count(c) {}
    ~TProbe() override { ++*Count; }
  };
  int freed = 0;
  auto* owner = new TComponent;
  new TProbe(owner, &freed);
  auto* second = new TProbe(owner, &freed);
  new TProbe(owner, &freed);
  delete second;
  EXPECT_EQ(owner->ComponentCount(), 2);
  delete owner;
  EXPECT_EQ(freed, 3);
}

}  // namespace
