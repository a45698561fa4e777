// The download side of an internet stream: libcurl on a thread of its own
// fetches the address (with "Icy-MetaData: 1"), separates the shoutcast
// metadata from the audio bytes, hands every audio block to the download
// procedure, and queues the bytes for the decoder in a bounded buffer. A
// live stream whose connection drops is fetched again for a while; the
// decoder learns of the new connection through a break in the buffer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/Audio.h"
#include "audio/internal/IcyParser.h"

namespace audio::detail {

class TNetSource {
 public:
  struct TOptions {
    std::string url;
    uint64_t offset = 0;
    DWORD flags = 0;
    DOWNLOADPROC* proc = nullptr;
    void* user = nullptr;
    int timeoutMs = 5000;
    int bufferMs = 5000;
    int reconnectMs = 30000;
    std::string proxy;
    std::string agent;
    // The answer's headers must be complete by then (none: only the
    // time-out without data applies).
    std::chrono::steady_clock::time_point openDeadline{};
  };

  explicit TNetSource(TOptions options);
  ~TNetSource();
  TNetSource(const TNetSource&) = delete;
  TNetSource& operator=(const TNetSource&) = delete;

  // New metadata text (download thread).
  std::function<void(const std::string&)> onMeta;
  // Calls the download procedure (download thread); set by the stream so
  // that the call goes through its callback gate.
  std::function<void(const void*, DWORD)> onData;

  // Starts the download and waits for the answer's headers. Returns
  // ERROR_OK, or the error (FILEOPEN, TIMEOUT, SSL, ...).
  int Connect();

  // After a failed Connect: the cause in a few words ("HTTP 404", ...).
  std::string ErrorDetail() const { return connectDetail_; }
  // After Connect: the answer.
  std::string ContentType() const { return contentType_; }
  std::string EffectiveUrl() const { return effectiveUrl_; }
  bool IsIcy() const { return icy_; }
  const std::string& HeaderTags() const { return headerTags_; }  // NUL-separated list
  int64_t ContentLength() const { return contentLength_; }
  int IcyBitrate() const { return icyBitrate_; }

  // Decoder side. Read gives audio bytes, waiting for them; it returns
  // 0 at the end of the stream or at a break left by a reconnection (then
  // TakeBreak is true), -1 when aborted. Once a deadline set has passed it
  // gives 0 however much arrives (then TimedOut is true): while opening, a
  // server that trickles bytes must not hold the open for ever.
  int Read(uint8_t* buffer, int size);
  void SetReadDeadline(std::chrono::steady_clock::time_point until) { readDeadline_ = until.time_since_epoch().count(); }
  void ClearReadDeadline() { readDeadline_ = 0; }
  bool TimedOut() const { return timedOut_.load(); }
  bool TakeBreak() { return breakSeen_.exchange(false); }
  // Audio bytes the decoder has taken so far.
  uint64_t ReadTotal();
  // Waits until `bytes` are buffered, the download ended or `ms` passed;
  // returns a copy of what is buffered (up to `bytes`) without taking it.
  std::string Peek(size_t bytes, int ms);
  // Waits until the download ended (or `maxBytes` are buffered, or `ms`
  // passed) and returns everything buffered.
  std::string ReadWhole(size_t maxBytes, int ms);

  // Buffer size from a bit rate (kbit/s) and the configured length.
  void SizeBufferForBitrate(int kbps);

  // Positions.
  uint64_t Downloaded() const { return downloaded_.load(); }
  uint64_t Buffered();
  uint64_t BufferSize();
  bool Ended() const { return ended_.load(); }
  bool Connected() const { return connected_.load(); }
  int Reconnections() const { return reconnections_.load(); }

  void Abort();
  void Join();

 private:
  static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
  static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
  static int ProgressCallback(void* self, int64_t, int64_t, int64_t, int64_t);
  static int OpenSocketCallback(void* self, int purpose, void* address);
  void Run();
  // One connection's transfer, as curl_easy_perform runs it, except that
  // it sleeps until data comes, curl has work, or the stall check is due:
  // curl's own loop wakes once a second for nothing.
  int Transfer(void* curl);
  // Milliseconds until the progress callback's checks have anything to
  // find (download thread).
  int MsUntilCheck() const;
  void HeadersDone();
  void PushAudio(const char* data, size_t length);
  void CallProc(const void* data, DWORD length);
  void SetCapacityLocked(size_t bytes);

  TOptions options_;
  void* curl_ = nullptr;
  // The transfer's multi handle: made with the source, so that Abort can
  // wake a transfer that sleeps.
  void* multi_ = nullptr;
  std::thread thread_;
  std::atomic<bool> abort_{false};
  std::atomic<int> socket_{-1};

  // Connection result, handed to Connect.
  std::mutex stateMutex_;
  std::condition_variable stateCv_;
  enum class TPhase { Pending, Ready, Failed } phase_ = TPhase::Pending;
  int connectError_ = ERROR_OK;
  std::string connectDetail_;

  // Per-connection parsing (download thread only).
  std::vector<std::string> lines_;
  int status_ = 0;
  bool headersComplete_ = false;
  bool firstConnection_ = true;
  uint64_t connectionBytes_ = 0;
  // The socket's low-water mark: raised once the buffer has filled as
  // much as the pre-buffer (counted from `lowWaterFrom_` bytes of the
  // connection), dropped by the reader when the buffer runs dry.
  std::atomic<bool> lowWaterSet_{false};
  std::atomic<bool> refilling_{false};
  uint64_t lowWaterFrom_ = 0;
  // Bytes the kernel held back below the low-water mark at the last check.
  int heldBack_ = 0;
  TIcyParser icyParser_;
  std::chrono::steady_clock::time_point lastData_;
  std::atomic<bool> writerBlocked_{false};
  std::atomic<bool> answered_{false};

  // Results of the first answer (written before Connect returns).
  std::string contentType_;
  std::string effectiveUrl_;
  std::string headerTags_;
  bool icy_ = false;
  int64_t contentLength_ = -1;
  int icyBitrate_ = 0;

  // The buffer.
  std::mutex bufferMutex_;
  std::condition_variable dataCv_;
  std::condition_variable spaceCv_;
  std::vector<uint8_t> ring_;
  size_t head_ = 0;
  size_t count_ = 0;
  uint64_t readTotal_ = 0;
  uint64_t writeTotal_ = 0;
  std::deque<uint64_t> breaks_;
  std::atomic<std::chrono::steady_clock::rep> readDeadline_{0};
  std::atomic<bool> timedOut_{false};
  std::atomic<bool> breakSeen_{false};

  std::atomic<uint64_t> downloaded_{0};
  std::atomic<bool> ended_{false};
  std::atomic<bool> connected_{false};
  std::atomic<int> reconnections_{0};
};

}  // namespace audio::detail
