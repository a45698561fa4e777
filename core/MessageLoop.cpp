// The message layer on the GLib main loop: the handle registry, one queue
// source on the default main context that delivers posted messages and
// calls handed over by other threads, and one timer source that delivers
// every window timer.
//
// One source for all timers, not one GLib timeout each: every turn of the
// loop prepares and checks each attached source, so a program with a dozen
// timers armed paid a dozen source visits (and their cold memory) on every
// wake-up, even the wake-ups no timer was due for.
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/MessageWindow.h"
#include "core/Registry.h"

namespace core {
namespace {

// A SendMessage from another thread, waiting for the user-interface thread.
struct TSentCall {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  std::mutex Lock;
  std::condition_variable Done;
  bool Finished = false;
  LRESULT Result = 0;

  void Finish(LRESULT result) {
    {
      std::lock_guard<std::mutex> guard(Lock);
      Result = result;
      Finished = true;
    }
    Done.notify_all();
  }
};

struct TPosted {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};

// One window timer. Times are microseconds of the monotonic clock.
struct TTimerEntry {
  HWND Window;
  std::uintptr_t Id;
  gint64 Due;
  gint64 PeriodUs;
  gint64 GridUs;  // 0: plain; else ticks fall on multiples of it
  // Unique per SetTimer call: a tick that re-arms or kills its own timer
  // leaves nothing for the end of its call to touch.
  std::uint64_t Serial;
  // Its tick is running (a nested loop inside it does not tick it again).
  bool InCall;
};

struct TState {
  std::mutex Lock;
  std::unordered_map<HWND, TMessageWindow*> Windows;
  HWND NextHandle = 0x10000;
  std::deque<std::shared_ptr<TSentCall>> Sent;
  std::deque<TPosted> Posted;
  // Own lock: no GLib call is made while it is held.
  std::mutex TimerLock;
  // Few, and walked whole: a flat array is the fewest lines to touch.
  std::vector<TTimerEntry> Timers;
  std::uint64_t NextSerial = 1;
  // What every turn of the loop reads, without a lock and on one line:
  // the earliest Due of the timers not in their tick, and how many posted
  // messages and sent calls wait (Sent and Posted, kept under Lock).
  struct alignas(64) THot {
    std::atomic<gint64> NextDue{G_MAXINT64};
    std::atomic<std::size_t> Queued{0};
  } Hot;
  bool UiKnown = false;
  std::thread::id UiThread;
  bool AcceptSends = true;
};

// Never destroyed: worker threads and static destructors may still post
// while the process ends.
TState& State() {
  static TState* state = new TState;
  return *state;
}

std::atomic<bool> gQuit{false};
std::atomic<int> gQuitCode{0};
int gLoopDepth = 0;

bool HasWork() { return State().Hot.Queued.load(std::memory_order_acquire) != 0; }

// Lock held, after Sent or Posted changed.
void CountQueued(TState& s) { s.Hot.Queued.store(s.Sent.size() + s.Posted.size(), std::memory_order_release); }


void RunSentCalls() {
  TState& s = State();
  for (;;) {
    std::shared_ptr<TSentCall> call;
    {
      std::lock_guard<std::mutex> guard(s.Lock);
      if (s.Sent.empty()) return;
      call = s.Sent.front();
      s.Sent.pop_front();
      CountQueued(s);
    }
    LRESULT result = 0;
    if (TMessageWindow* window = detail::LookupWindow(call->Window)) {
      try {
        result = detail::Deliver(window, call->Msg, call->WParam, call->LParam);
      } catch (...) {
        ReportStrayException();
      }
    }
    call->Finish(result);
  }
}

void RunPostedMessages() {
  TState& s = State();
  size_t count;
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    count = s.Posted.size();
  }
  // Only what was queued when this round began, so that a window that posts
  // to itself cannot starve timers and input.
  for (size_t i = 0; i < count; ++i) {
    TPosted message;
    {
      std::lock_guard<std::mutex> guard(s.Lock);
      if (s.Posted.empty()) return;
      message = s.Posted.front();
      s.Posted.pop_front();
      CountQueued(s);
    }
    TMessageWindow* window = detail::LookupWindow(message.Window);
    if (!window) continue;
    try {
      detail::Deliver(window, message.Msg, message.WParam, message.LParam);
    } catch (...) {
      ReportStrayException();
    }
    // Calls from waiting threads go first, as they would on Windows.
    RunSentCalls();
  }
}

gboolean QueuePrepare(GSource*, gint* timeout) {
  *timeout = -1;
  return HasWork();
}

gboolean QueueCheck(GSource*) { return HasWork(); }

gboolean QueueDispatch(GSource*, GSourceFunc, gpointer) {
  RunSentCalls();
  RunPostedMessages();
  return G_SOURCE_CONTINUE;
}

GSourceFuncs gQueueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

void ReleaseWaitingSenders() {
  TState& s = State();
  std::deque<std::shared_ptr<TSentCall>> calls;
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    calls.swap(s.Sent);
    CountQueued(s);
    s.AcceptSends = false;
  }
  for (auto& call : calls) call->Finish(0);
}

gint64 OnGrid(gint64 time, gint64 grid) { return (time + grid - 1) / grid * grid; }

// TimerLock held.
void UpdateNextDue(TState& s) {
  gint64 due = G_MAXINT64;
  for (const TTimerEntry& t : s.Timers)
    if (!t.InCall && t.Due < due) due = t.Due;
  s.Hot.NextDue.store(due, std::memory_order_release);
}

// TimerLock held.
TTimerEntry* FindTimer(TState& s, HWND window, std::uintptr_t id) {
  for (TTimerEntry& t : s.Timers)
    if (t.Window == window && t.Id == id) return &t;
  return nullptr;
}

TTimerEntry* FindSerial(TState& s, std::uint64_t serial) {
  for (TTimerEntry& t : s.Timers)
    if (t.Serial == serial) return &t;
  return nullptr;
}

gboolean TimersPrepare(GSource* source, gint* timeout) {
  const gint64 due = State().Hot.NextDue.load(std::memory_order_acquire);
  if (due == G_MAXINT64) {
    *timeout = -1;
    return FALSE;
  }
  const gint64 now = g_source_get_time(source);
  if (due <= now) {
    *timeout = 0;
    return TRUE;
  }
  // Rounded up, as GLib rounds its own timeouts: never woken before due.
  *timeout = static_cast<gint>(std::min<gint64>((due - now + 999) / 1000, INT_MAX));
  return FALSE;
}

gboolean TimersCheck(GSource* source) {
  return State().Hot.NextDue.load(std::memory_order_acquire) <= g_source_get_time(source);
}

// Delivers each timer due at the start of this turn once, earliest first.
gboolean TimersDispatch(GSource* source, GSourceFunc, gpointer) {
  TState& s = State();
  const gint64 now = g_source_get_time(source);
  for (;;) {
    HWND window;
    std::uintptr_t id;
    std::uint64_t serial;
    {
      std::lock_guard<std::mutex> guard(s.TimerLock);
      TTimerEntry* next = nullptr;
      for (TTimerEntry& t : s.Timers)
        if (!t.InCall && t.Due <= now && (!next || t.Due < next->Due)) next = &t;
      if (!next) {
        UpdateNextDue(s);
        return G_SOURCE_CONTINUE;
      }
      // The next tick counts from this one's due time on the grid, not
      // from the moment it ran: a tick that runs a little late keeps its
      // period. After a long hold-up the ticks missed are not made up for.
      // A plain timer counts from this turn, as a GLib timeout does.
      if (next->GridUs) {
        gint64 due = OnGrid(next->Due + next->PeriodUs, next->GridUs);
        next->Due = due > now ? due : OnGrid(now + next->PeriodUs, next->GridUs);
      } else {
        next->Due = now + next->PeriodUs;
      }
      next->InCall = true;
      window = next->Window;
      id = next->Id;
      serial = next->Serial;
      UpdateNextDue(s);
    }
    TMessageWindow* target = detail::LookupWindow(window);
    if (target) {
      try {
        detail::Deliver(target, WM_TIMER, id, 0);
      } catch (...) {
        ReportStrayException();
      }
    }
    std::lock_guard<std::mutex> guard(s.TimerLock);
    if (TTimerEntry* t = FindSerial(s, serial)) {
      if (target) t->InCall = false;
      else s.Timers.erase(s.Timers.begin() + (t - s.Timers.data()));
    }
  }
}

GSourceFuncs gTimerFuncs = {TimersPrepare, TimersCheck, TimersDispatch, nullptr, nullptr, nullptr};

// A change made off the user-interface thread may move the earliest tick
// before the one the loop sleeps towards.
void WakeForTimers(gint64 previousDue) {
  if (State().Hot.NextDue.load(std::memory_order_acquire) < previousDue && !IsUiThread())
    g_main_context_wakeup(nullptr);
}

std::mutex gReporterLock;
TExceptionReporter gReporter;

}  // namespace

TExceptionReporter SetExceptionReporter(TExceptionReporter reporter) {
  std::lock_guard<std::mutex> guard(gReporterLock);
  std::swap(gReporter, reporter);
  return reporter;
}

void ReportStrayException() {
  std::string what;
  try {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  TExceptionReporter reporter;
  {
    std::lock_guard<std::mutex> guard(gReporterLock);
    reporter = gReporter;
  }
  if (reporter) reporter(what);
  else if (what.empty()) g_warning("unhandled exception in a window procedure");
  else g_warning("unhandled exception in a window procedure: %s", what.c_str());
}

namespace detail {

HWND RegisterWindow(TMessageWindow* window) {
  InitMessages();
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  HWND handle = s.NextHandle++;
  s.Windows[handle] = window;
  return handle;
}

void UnregisterWindow(HWND window) {
  TState& s = State();
  std::vector<std::shared_ptr<TSentCall>> calls;
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    s.Windows.erase(window);
    for (auto it = s.Sent.begin(); it != s.Sent.end();) {
      if ((*it)->Window == window) {
        calls.push_back(*it);
        it = s.Sent.erase(it);
      } else {
        ++it;
      }
    }
    CountQueued(s);
  }
  {
    std::lock_guard<std::mutex> guard(s.TimerLock);
    std::erase_if(s.Timers, [window](const TTimerEntry& t) { return t.Window == window; });
    UpdateNextDue(s);
  }
  for (auto& call : calls) call->Finish(0);
}

TMessageWindow* LookupWindow(HWND window) {
  if (!window) return nullptr;
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto it = s.Windows.find(window);
  return it == s.Windows.end() ? nullptr : it->second;
}

LRESULT Deliver(TMessageWindow* window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  window->WndProc(message);
  return message.Result;
}

}  // namespace detail

void InitMessages() {
  TState& s = State();
  GSource* queue;
  GSource* timers;
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    if (s.UiKnown) return;
    s.UiKnown = true;
    s.UiThread = std::this_thread::get_id();
    queue = g_source_new(&gQueueFuncs, sizeof(GSource));
    timers = g_source_new(&gTimerFuncs, sizeof(GSource));
  }
  g_source_set_priority(queue, G_PRIORITY_DEFAULT);
  g_source_attach(queue, nullptr);
  g_source_set_priority(timers, G_PRIORITY_DEFAULT);
  g_source_set_name(timers, "qor timers");
  // A tick that runs a nested loop (a modal dialog, a wait that pumps)
  // still lets the other timers tick in it.
  g_source_set_can_recurse(timers, TRUE);
  g_source_attach(timers, nullptr);
}

bool IsUiThread() {
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  return s.UiKnown && s.UiThread == std::this_thread::get_id();
}

bool IsWindow(HWND window) {
  if (!window) return false;
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  return s.Windows.count(window) != 0;
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsUiThread()) {
    TMessageWindow* target = detail::LookupWindow(window);
    return target ? detail::Deliver(target, msg, wParam, lParam) : 0;
  }
  auto call = std::make_shared<TSentCall>();
  call->Window = window;
  call->Msg = msg;
  call->WParam = wParam;
  call->LParam = lParam;
  TState& s = State();
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    if (!s.AcceptSends || !s.Windows.count(window)) return 0;
    s.Sent.push_back(call);
    CountQueued(s);
  }
  g_main_context_wakeup(nullptr);
  std::unique_lock<std::mutex> lock(call->Lock);
  call->Done.wait(lock, [&] { return call->Finished; });
  return call->Result;
}

bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  TState& s = State();
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    if (!s.Windows.count(window)) return false;
    s.Posted.push_back({window, msg, wParam, lParam});
    CountQueued(s);
  }
  g_main_context_wakeup(nullptr);
  return true;
}

void PostQuitMessage(int exitCode) {
  gQuitCode = exitCode;
  gQuit = true;
  g_main_context_wakeup(nullptr);
}

void AcceptSendsAgain() {
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  s.AcceptSends = true;
}

int RunMessageLoop() {
  InitMessages();
  if (gLoopDepth++ == 0) AcceptSendsAgain();
  while (!gQuit) g_main_context_iteration(nullptr, TRUE);
  int code = gQuitCode;
  if (--gLoopDepth == 0) {
    gQuit = false;
    ReleaseWaitingSenders();
  }
  return code;
}

void ProcessMessages() {
  InitMessages();
  if (!IsUiThread()) return;
  AcceptSendsAgain();
  // Bounded, because a due 1 ms timer is always ready again.
  for (int i = 0; i < 10000 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

void ProcessSentMessages() {
  if (!IsUiThread()) return;
  AcceptSendsAgain();
  RunSentCalls();
}

std::uintptr_t SetTimer(HWND window, std::uintptr_t id, UINT elapseMs) {
  return SetCoalescableTimer(window, id, elapseMs, 0);
}

std::uintptr_t SetCoalescableTimer(HWND window, std::uintptr_t id, UINT elapseMs, UINT toleranceMs) {
  if (!IsWindow(window)) return 0;
  TState& s = State();
  const gint64 period = static_cast<gint64>(std::max<UINT>(elapseMs, 1)) * 1000;
  const gint64 grid = static_cast<gint64>(toleranceMs) * 1000;
  const gint64 now = g_get_monotonic_time();
  gint64 previous;
  {
    std::lock_guard<std::mutex> guard(s.TimerLock);
    previous = s.Hot.NextDue.load(std::memory_order_relaxed);
    TTimerEntry entry{window, id, grid ? OnGrid(now + period, grid) : now + period, period, grid, s.NextSerial++, false};
    if (TTimerEntry* old = FindTimer(s, window, id)) *old = entry;
    else s.Timers.push_back(entry);
    UpdateNextDue(s);
  }
  WakeForTimers(previous);
  return id ? id : 1;
}

bool KillTimer(HWND window, std::uintptr_t id) {
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.TimerLock);
  TTimerEntry* t = FindTimer(s, window, id);
  if (!t) return false;
  s.Timers.erase(s.Timers.begin() + (t - s.Timers.data()));
  // A later earliest tick needs no wake-up: the loop finds nothing due
  // and sleeps on.
  UpdateNextDue(s);
  return true;
}

bool DestroyWindow(HWND window) {
  TMessageWindow* target = detail::LookupWindow(window);
  if (!target) return false;
  target->DestroyHandle();
  return true;
}

DWORD GetTickCount() { return static_cast<DWORD>(g_get_monotonic_time() / 1000); }


}  // namespace core
