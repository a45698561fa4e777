// The process-wide internet handle: one libcurl share (DNS cache and
// connection cache) that every request of the program goes through. It is
// opened at start-up and closed at the end; closing cancels the transfers
// still running and waits for them to leave before the share goes away.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

typedef void CURLSH;

class THttpSession {
 public:
  THttpSession();
  ~THttpSession();
  THttpSession(const THttpSession&) = delete;
  THttpSession& operator=(const THttpSession&) = delete;

  bool Valid() const { return share_ != nullptr; }
  CURLSH* Share() const { return share_; }

  // A request enters before it starts and leaves when it is done; Enter
  // fails once the session is closing.
  bool Enter();
  void Leave();
  // Makes every running and later transfer end as failed.
  void CancelAll() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  // Cancels, then waits (at most `timeoutMs`) until no request is inside.
  bool Drain(int timeoutMs);
  // Frees the share once no request is inside; the session stays closed.
  void ReleaseShare();

  // Time-outs for requests started later. The stall time-out ends a
  // transfer that receives nothing for that long (rounded up to seconds).
  std::atomic<int> ConnectTimeoutMs{15000};
  std::atomic<int> StallTimeoutMs{30000};

 private:
  CURLSH* share_ = nullptr;
  std::mutex locks_[8];
  std::atomic<bool> cancelled_{false};
  std::mutex activeMutex_;
  std::condition_variable activeChanged_;
  int active_ = 0;

  friend struct THttpSessionLocks;
};

using HINTERNET = THttpSession*;

// Opens the shared handle (closing one that is open first); true when the
// new handle could be opened.
bool OpenInternetHandle();
// Closes the shared handle: running transfers are cancelled and waited for.
void CloseInternetHandle();
// The shared handle, or nullptr when none is open.
HINTERNET InternetHandle();
