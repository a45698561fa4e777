#include "engine/PipeThread.h"

#include "engine/Process.h"

namespace {

// How long one wait for output lasts before Terminated is looked at again.
constexpr int kSliceMs = 50;
// A line longer than this is handed on in pieces: a child that never ends
// its lines must not make us hold its whole output.
constexpr std::size_t kMaxLine = 64 * 1024;

}  // namespace

TPipeThread::~TPipeThread() {
  Terminate();
  WaitFor();
}

void TPipeThread::Start() {
  if (FThread.joinable() || FFinished.load()) return;
  FThread = std::thread([this] { Execute(); });
}

void TPipeThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

std::string TPipeThread::LastLine() const {
  std::lock_guard<std::mutex> guard(FLineLock);
  return FLastLine;
}

std::string TPipeThread::TrimLine(const std::string& line) {
  std::size_t begin = 0, end = line.size();
  while (begin < end && static_cast<unsigned char>(line[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(line[end - 1]) <= ' ') --end;
  return line.substr(begin, end - begin);
}

void TPipeThread::Deliver(std::string& line) {
  std::string trimmed = TrimLine(line);
  line.clear();
  {
    std::lock_guard<std::mutex> guard(FLineLock);
    FLastLine = trimmed;
  }
  if (trimmed.empty()) return;
  ++FLineCount;
  if (OnLine) OnLine(this, trimmed);
}

void TPipeThread::Execute() {
  std::string line;
  char buffer[4096];
  while (!Terminated() && Source != nullptr) {
    // Waits in slices so that Terminate is noticed even when the child is
    // silent, and reads only what is there, so a read never blocks.
    if (!Source->WaitReadable(kSliceMs)) continue;
    long n = Source->Read(buffer, sizeof buffer);
    if (n <= 0) break;  // the child has gone: nothing more can come
    for (long i = 0; i < n && !Terminated(); ++i) {
      char c = buffer[i];
      if (c == '\0' || c == '\n' || c == '\r') {
        Deliver(line);
      } else {
        line.push_back(c);
        if (line.size() >= kMaxLine) Deliver(line);
      }
    }
  }
  if (!line.empty() && !Terminated()) Deliver(line);
  FFinished.store(true);
}
