// One HTTP exchange on its own thread. The owner creates it (nothing runs
// yet), fills Request(), calls Resume(), and learns of the end by the
// completion message posted to its window: wParam 0, lParam the result of
// TRequest::Execute (0 or -1). Nothing is posted when the window is gone by
// then. The owner frees the object after the message has arrived, or at
// shutdown: setting Cancel (or freeing) ends a running exchange early.
#pragma once

#include <atomic>
#include <thread>

#include "support/Request.h"
#include "core/Messages.h"

class TInetThread {
 public:
  TInetThread(core::HWND target, HINTERNET handle, core::UINT message);
  // Cancels a running exchange and waits for the thread.
  ~TInetThread();
  TInetThread(const TInetThread&) = delete;
  TInetThread& operator=(const TInetThread&) = delete;

  TRequest& Request() { return request_; }
  TResponse& Response() { return request_.Response(); }

  // Starts the exchange; later calls do nothing.
  void Resume();
  // Blocks until the exchange is over (at once when it never started).
  void WaitFor();
  bool Finished() const { return finished_; }
  int Result() const { return result_; }

  core::HWND Target() const { return target_; }
  core::UINT Message() const { return message_; }

  std::atomic<bool> Cancel{false};

 private:
  void Run();

  TRequest request_;
  HINTERNET handle_;
  core::HWND target_;
  core::UINT message_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
  std::atomic<int> result_{-1};
};
