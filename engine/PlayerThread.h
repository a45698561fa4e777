// Short-lived worker threads of the players: one per connection attempt.
// A worker gets its inputs in plain fields before Start, does its blocking
// work once and writes only its own result fields. The owner reads the
// results only after it has seen Terminated(), which the worker sets in a
// final clean-up that also runs when the work ends in an exception.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "audio/Audio.h"
#include "engine/Routing.h"

class TWorkerThread {
 public:
  TWorkerThread() = default;
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;
  // Waits for the thread.
  virtual ~TWorkerThread();

  void Start();
  void WaitFor();
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
  // Whether the work ended in an exception (read after Terminated).
  bool Raised() const { return FRaised; }
  // The owner gave up on the result: the worker stops retrying and drops
  // whatever it still opens. Safe from any thread.
  virtual void Abandon() { FAbandoned.store(true); }
  bool Abandoned() const { return FAbandoned.load(); }

 protected:
  virtual void Execute() = 0;
  // The final clean-up, also after an exception; it ends by marking the
  // thread terminated (an override calls MarkTerminated itself, inside
  // whatever lock hands its results over).
  virtual void Finish() { MarkTerminated(); }
  void MarkTerminated() { FTerminated.store(true, std::memory_order_release); }

 private:
  void Run();

  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FAbandoned{false};
  bool FRaised = false;
};

// The BASS player's worker: routes the address and opens it.
class TPlayerThread : public TWorkerThread {
 public:
  // Inputs.
  std::string Address;
  int32_t Attempts = 1;
  TResolverTable Resolvers;
  int RetryDelayMs = 100;

  // Results.
  audio::HSTREAM StreamHandle = 0;
  int32_t ErrorCode = 0;
  std::string ErrorDetail;     // the library's words for the cause
  std::string OpenedAddress;   // the address or path actually opened
  uint32_t AttemptsMade = 0;
  bool OpenedAsFile = false;

  // Frees a stream that was opened after the owner gave up, or that the
  // owner had not taken over yet.
  void Abandon() override;

 protected:
  void Execute() override;
  void Finish() override;

 private:
  void OpenInternet(const std::string& address);
  void OpenFile(const std::string& path);

  std::mutex FHandOver;
};

// The ffmpeg player's worker: resolves the address for the decoder.
class TParserThread : public TWorkerThread {
 public:
  std::string Address;
  TResolverTable Resolvers;
  std::string ResolvedAddress;

 protected:
  void Execute() override;
};
