#include "engine/PlayerThread.h"

#include <chrono>

#include "engine/RecorderLink.h"
#include "support/Encoding.h"

namespace {

// Raw stream bytes go to the process-wide recorder whatever the stream.
void DownloadProc(const void* buffer, audio::DWORD length, void* /*user*/) {
  FeedProcessRecorder(buffer, length);
}

constexpr audio::DWORD kUrlFlags = audio::STREAM_STATUS | audio::STREAM_BLOCK | audio::STREAM_AUTOFREE;
constexpr audio::DWORD kFileFlags = audio::UNICODE | audio::STREAM_AUTOFREE;

}  // namespace

TWorkerThread::~TWorkerThread() { WaitFor(); }

void TWorkerThread::Start() {
  if (FThread.joinable() || Terminated()) return;
  FThread = std::thread([this] { Run(); });
}

void TWorkerThread::WaitFor() {
  if (FThread.joinable()) FThread.join();
}

void TWorkerThread::Run() {
  // The clean-up runs whatever ends the work: the owner polls Terminated
  // and would otherwise wait for ever.
  struct TFinally {
    TWorkerThread* Self;
    ~TFinally() {
      try {
        Self->Finish();
      } catch (...) {
      }
      Self->MarkTerminated();
    }
  } finally{this};
  try {
    Execute();
  } catch (...) {
    FRaised = true;
  }
}

void TPlayerThread::Execute() {
  TRoute route = RoutePlayerAddress(Address, Resolvers);
  OpenedAddress = route.Target;
  OpenedAsFile = route.Kind == TRouteKind::File;
  if (OpenedAsFile)
    OpenFile(route.Target);
  else
    OpenInternet(route.Target);
}

void TPlayerThread::OpenInternet(const std::string& address) {
  int32_t attempts = Attempts < 1 ? 1 : Attempts;
  while (true) {
    StreamHandle = 0;
    ErrorCode = 0;
    audio::HSTREAM handle = audio::StreamCreateURL(address.c_str(), 0, kUrlFlags, &DownloadProc, nullptr);
    ++AttemptsMade;
    if (handle != 0) {
      std::lock_guard<std::mutex> guard(FHandOver);
      StreamHandle = handle;
      return;
    }
    ErrorCode = audio::ErrorGetCode();
    ErrorDetail = audio::ErrorGetDetail();
    std::this_thread::sleep_for(std::chrono::milliseconds(RetryDelayMs));
    if (static_cast<int32_t>(AttemptsMade) >= attempts || Abandoned()) return;
  }
}

void TPlayerThread::OpenFile(const std::string& path) {
  // A relative name such as "C:/music/a.mp3" must not read as an address
  // with the scheme "C" further down.
  std::string name = path;
  if (!name.empty() && name[0] != '/' && name.find(':') != std::string::npos) name = "./" + name;
  std::u16string widePath = enc::Utf8ToUtf16(name);
  ++AttemptsMade;
  audio::HSTREAM handle = audio::StreamCreateFile(0, widePath.c_str(), 0, 0, kFileFlags);
  std::lock_guard<std::mutex> guard(FHandOver);
  StreamHandle = handle;
  if (handle == 0) {
    ErrorCode = audio::ErrorGetCode();
    ErrorDetail = audio::ErrorGetDetail();
    if (ErrorDetail.empty() && ErrorCode == audio::ERROR_FILEOPEN) ErrorDetail = "the file could not be opened";
  }
}

void TPlayerThread::Finish() {
  std::lock_guard<std::mutex> guard(FHandOver);
  if (Abandoned() && StreamHandle != 0) {
    audio::StreamFree(StreamHandle);
    StreamHandle = 0;
  }
  MarkTerminated();
}

void TPlayerThread::Abandon() {
  std::lock_guard<std::mutex> guard(FHandOver);
  TWorkerThread::Abandon();
  // Finished already: its stream was never taken over, so nobody else
  // will free it (and it must not feed a recording of another station).
  if (Terminated() && StreamHandle != 0) {
    audio::StreamFree(StreamHandle);
    StreamHandle = 0;
  }
}

void TParserThread::Execute() {
  ResolvedAddress = Address;
  ResolvedAddress = RouteParserAddress(Address, Resolvers);
}
