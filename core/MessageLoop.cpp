// The message layer on the GLib main loop: the handle registry, one queue
// source on the default main context that delivers posted messages and
// calls handed over by other threads, and window timers as GLib timeouts.
#include <glib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
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

struct TTimerData {
  HWND Window;
  std::uintptr_t Id;
};

struct TState {
  std::mutex Lock;
  std::unordered_map<HWND, TMessageWindow*> Windows;
  HWND NextHandle = 0x10000;
  std::deque<std::shared_ptr<TSentCall>> Sent;
  std::deque<TPosted> Posted;
  // Own lock, held while sources are attached: never taken inside GLib.
  std::mutex TimerLock;
  std::map<std::pair<HWND, std::uintptr_t>, GSource*> Timers;
  bool UiKnown = false;
  std::thread::id UiThread;
  bool AcceptSends = true;
  GSource* Queue = nullptr;
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

bool HasWork() {
  TState& s = State();
  std::lock_guard<std::mutex> guard(s.Lock);
  return !s.Sent.empty() || !s.Posted.empty();
}


void RunSentCalls() {
  TState& s = State();
  for (;;) {
    std::shared_ptr<TSentCall> call;
    {
      std::lock_guard<std::mutex> guard(s.Lock);
      if (s.Sent.empty()) return;
      call = s.Sent.front();
      s.Sent.pop_front();
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
    s.AcceptSends = false;
  }
  for (auto& call : calls) call->Finish(0);
}

gboolean TimerTick(gpointer data) {
  auto* timer = static_cast<TTimerData*>(data);
  TMessageWindow* window = detail::LookupWindow(timer->Window);
  if (!window) return G_SOURCE_REMOVE;
  try {
    detail::Deliver(window, WM_TIMER, timer->Id, 0);
  } catch (...) {
    ReportStrayException();
  }
  return G_SOURCE_CONTINUE;
}

void DeleteTimerData(gpointer data) { delete static_cast<TTimerData*>(data); }

// A timer whose ticks fall on a grid of the monotonic clock.
struct TGridSource {
  GSource Base;
  gint64 PeriodUs;
  gint64 GridUs;
};

gint64 OnGrid(gint64 time, gint64 grid) { return (time + grid - 1) / grid * grid; }

gboolean GridDispatch(GSource* source, GSourceFunc callback, gpointer data) {
  auto* grid = reinterpret_cast<TGridSource*>(source);
  // The next tick counts from this one's place on the grid, not from the
  // moment it ran: a tick that runs a little late keeps its period. After
  // a long hold-up the ticks missed are not made up for.
  const gint64 now = g_source_get_time(source);
  gint64 next = OnGrid(g_source_get_ready_time(source) + grid->PeriodUs, grid->GridUs);
  if (next <= now) next = OnGrid(now + grid->PeriodUs, grid->GridUs);
  g_source_set_ready_time(source, next);
  return callback ? callback(data) : G_SOURCE_REMOVE;
}

GSourceFuncs gGridFuncs = {nullptr, nullptr, GridDispatch, nullptr, nullptr, nullptr};

GSource* NewGridSource(UINT elapseMs, UINT toleranceMs) {
  GSource* source = g_source_new(&gGridFuncs, sizeof(TGridSource));
  auto* grid = reinterpret_cast<TGridSource*>(source);
  grid->PeriodUs = static_cast<gint64>(std::max<UINT>(elapseMs, 1)) * 1000;
  grid->GridUs = static_cast<gint64>(toleranceMs) * 1000;
  g_source_set_ready_time(source, OnGrid(g_get_monotonic_time() + grid->PeriodUs, grid->GridUs));
  return source;
}

void DropSource(GSource* source) {
  g_source_destroy(source);
  g_source_unref(source);
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
  std::vector<GSource*> timers;
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
  }
  {
    std::lock_guard<std::mutex> guard(s.TimerLock);
    auto it = s.Timers.lower_bound({window, 0});
    while (it != s.Timers.end() && it->first.first == window) {
      timers.push_back(it->second);
      it = s.Timers.erase(it);
    }
  }
  for (auto& call : calls) call->Finish(0);
  for (GSource* source : timers) DropSource(source);
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
  {
    std::lock_guard<std::mutex> guard(s.Lock);
    if (s.UiKnown) return;
    s.UiKnown = true;
    s.UiThread = std::this_thread::get_id();
    s.Queue = queue = g_source_new(&gQueueFuncs, sizeof(GSource));
  }
  g_source_set_priority(queue, G_PRIORITY_DEFAULT);
  g_source_attach(queue, nullptr);
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
  TState& s = State();
  GSource* old = nullptr;
  GSource* source = toleranceMs ? NewGridSource(elapseMs, toleranceMs) : g_timeout_source_new(elapseMs ? elapseMs : 1);
  g_source_set_callback(source, TimerTick, new TTimerData{window, id}, DeleteTimerData);
  if (!IsWindow(window)) {
    g_source_unref(source);
    return 0;
  }
  {
    std::lock_guard<std::mutex> guard(s.TimerLock);
    auto& slot = s.Timers[{window, id}];
    old = slot;
    slot = source;
    g_source_attach(source, nullptr);
  }
  if (old) DropSource(old);
  return id ? id : 1;
}

bool KillTimer(HWND window, std::uintptr_t id) {
  TState& s = State();
  GSource* source = nullptr;
  {
    std::lock_guard<std::mutex> guard(s.TimerLock);
    auto it = s.Timers.find({window, id});
    if (it == s.Timers.end()) return false;
    source = it->second;
    s.Timers.erase(it);
  }
  DropSource(source);
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
