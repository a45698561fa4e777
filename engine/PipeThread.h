// Reads a child's diagnostic output line by line on a thread of its own
// and hands every non-empty line to OnLine, on that thread.
//
// A line ends at a NUL, LF or CR byte (programs that redraw a progress
// line end it with CR alone); the line is trimmed, and empty lines, such as
// the second half of CR LF, are dropped. The thread ends when asked to, or
// when the output ends because the child has gone.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class TInputPipeStream;

class TPipeThread {
 public:
  using TLineEvent = std::function<void(TPipeThread* Sender, const std::string& line)>;

  // Created suspended: set Source and OnLine, then Start.
  TPipeThread() = default;
  // Asks the thread to end and waits for it.
  ~TPipeThread();
  TPipeThread(const TPipeThread&) = delete;
  TPipeThread& operator=(const TPipeThread&) = delete;

  // Not owned; must live until the thread has ended.
  TInputPipeStream* Source = nullptr;
  TLineEvent OnLine;

  void Start();
  // Asks the thread to end; it notices within a short slice even while no
  // output comes.
  void Terminate() { FTerminated.store(true); }
  bool Terminated() const { return FTerminated.load(); }
  void WaitFor();
  // Whether the reading loop has returned.
  bool Finished() const { return FFinished.load(); }
  std::string LastLine() const;
  // Lines delivered so far.
  long LineCount() const { return FLineCount.load(); }

  // Removes leading and trailing blanks, tabs and other control bytes.
  static std::string TrimLine(const std::string& line);

 private:
  void Execute();
  void Deliver(std::string& line);

  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<long> FLineCount{0};
  mutable std::mutex FLineLock;
  std::string FLastLine;
};
