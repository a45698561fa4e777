#include <glib.h>
#include <gtest/gtest.h>

#include <atomic>
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
