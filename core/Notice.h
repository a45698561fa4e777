// A call that any thread asks for and the user-interface thread makes, once
// for however many asks came before it ran:
//
//   TNotice titles([this] { TellTitle(); });
//   titles.Post();     // from a library thread, as often as it likes
//
// One posted message per batch of asks, not a timer: a thread that tells of
// a new title wakes the program once, where arming a short timer woke it
// twice (once to arm it, once for its tick). Cancel drops an ask not yet
// answered; the notice's own handle goes with the object.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "core/MessageWindow.h"

namespace core {

class TNotice {
 public:
  explicit TNotice(std::function<void()> call);
  ~TNotice();
  TNotice(const TNotice&) = delete;
  TNotice& operator=(const TNotice&) = delete;

  // Any thread.
  void Post();
  void Cancel();
  bool Pending() const { return FPending; }

 private:
  class TNoticeWindow;
  std::function<void()> FCall;
  std::atomic<bool> FPending{false};
  std::unique_ptr<TNoticeWindow> FWindow;
};

}  // namespace core
