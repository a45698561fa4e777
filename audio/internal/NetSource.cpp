#include "audio/internal/NetSource.h"

#include <curl/curl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "audio/internal/Core.h"
#include "support/AsciiCase.h"

namespace audio::detail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMinBuffer = 16 * 1024;
constexpr size_t kMaxBuffer = 16 * 1024 * 1024;
// Header lines and their number are bounded: a server that sends more is
// not a radio station.
constexpr size_t kMaxHeaderLine = 8192;
constexpr size_t kMaxHeaderLines = 200;
// The socket's low-water mark while playing: a second of audio, within these.
constexpr int kMinLowWater = 512;
constexpr int kMaxLowWater = 64 * 1024;

std::once_flag curlOnce;


std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// Value of the first header `name` (lower case, without colon) in `lines`.
std::string HeaderValue(const std::vector<std::string>& lines, const std::string& name) {
  for (size_t i = 1; i < lines.size(); ++i) {
    size_t colon = lines[i].find(':');
    if (colon != std::string::npos && ascii::EqualsNoCase(Trim(lines[i].substr(0, colon)), name))
      return Trim(lines[i].substr(colon + 1));
  }
  return {};
}

int ErrorFromCurl(CURLcode rc, bool stalled) {
  switch (rc) {
    case CURLE_OPERATION_TIMEDOUT:
      return ERROR_TIMEOUT;
    case CURLE_ABORTED_BY_CALLBACK:
      return stalled ? ERROR_TIMEOUT : ERROR_FILEOPEN;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_ENGINE_INITFAILED:
      return ERROR_SSL;
    case CURLE_COULDNT_RESOLVE_PROXY:
      return ERROR_NONET;
    case CURLE_OUT_OF_MEMORY:
      return ERROR_MEM;
    default:
      return ERROR_FILEOPEN;
  }
}

std::string DetailFromCurl(CURLcode rc, bool stalled) {
  switch (rc) {
    case CURLE_OK: return "the server closed the connection without an answer";
    case CURLE_COULDNT_CONNECT: return "connection refused";
    case CURLE_COULDNT_RESOLVE_HOST: return "host not found";
    case CURLE_COULDNT_RESOLVE_PROXY: return "proxy not found";
    case CURLE_TOO_MANY_REDIRECTS: return "redirect loop";
    case CURLE_OPERATION_TIMEDOUT: return "time-out: the server did not answer";
    case CURLE_ABORTED_BY_CALLBACK: return stalled ? "time-out: the server did not answer" : "aborted";
    case CURLE_UNSUPPORTED_PROTOCOL: return "redirected to an address that is not http";
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING: return "the server closed the connection without an answer";
    default: break;
  }
  if (ErrorFromCurl(rc, stalled) == ERROR_SSL) return "secure connection failed";
  return curl_easy_strerror(rc);
}

}  // namespace

TNetSource::TNetSource(TOptions options) : options_(std::move(options)) {
  std::call_once(curlOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  ring_.resize(kMinBuffer * 4);
  multi_ = curl_multi_init();
}

TNetSource::~TNetSource() {
  Abort();
  Join();
  if (multi_) curl_multi_cleanup(static_cast<CURLM*>(multi_));
}

int TNetSource::Connect() {
  thread_ = std::thread([this] { Run(); });
  std::unique_lock lock(stateMutex_);
  stateCv_.wait(lock, [&] { return phase_ != TPhase::Pending; });
  return phase_ == TPhase::Ready ? ERROR_OK : connectError_;
}

void TNetSource::Abort() {
  abort_ = true;
  int fd = socket_.load();
  // Wakes a transfer that waits for data at once instead of at its next
  // progress check.
  if (fd >= 0) ::shutdown(fd, SHUT_RDWR);
  // And one that waits for anything else (a name, a connection, a timer).
  if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
  {
    std::lock_guard lock(bufferMutex_);
  }
  dataCv_.notify_all();
  spaceCv_.notify_all();
  stateCv_.notify_all();
}

void TNetSource::Join() {
  if (thread_.joinable()) thread_.join();
}

void TNetSource::Run() {
  pthread_setname_np(pthread_self(), "audio-download");
  CURL* curl = curl_easy_init();
  curl_ = curl;
  curl_slist* headers = curl_slist_append(nullptr, "Icy-MetaData: 1");
  curl_slist* aliases = curl_slist_append(nullptr, "ICY 200 OK");
  aliases = curl_slist_append(aliases, "ICY");
  std::string agent = options_.agent;
  if (curl) {
    curl_easy_setopt(curl, CURLOPT_URL, options_.url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_HTTP200ALIASES, aliases);
    curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TNetSource::HeaderCallback);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TNetSource::WriteCallback);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TNetSource::ProgressCallback);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, &TNetSource::OpenSocketCallback);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    // One receive takes all that a wake-up of the low-water mark brings.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, static_cast<long>(kMaxLowWater));
    if (!options_.proxy.empty()) curl_easy_setopt(curl, CURLOPT_PROXY, options_.proxy.c_str());
    if (options_.offset) curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(options_.offset));
  }

  auto backoff = std::chrono::milliseconds(250);
  auto droppedAt = Clock::now();
  while (curl && !abort_.load()) {
    lines_.clear();
    status_ = 0;
    headersComplete_ = false;
    connectionBytes_ = 0;
    lowWaterSet_ = false;
    refilling_ = false;
    lowWaterFrom_ = 0;
    heldBack_ = 0;
    icyParser_.Reset(0);
    lastData_ = Clock::now();
    const auto rc = static_cast<CURLcode>(Transfer(curl));
    socket_ = -1;
    if (abort_.load()) break;
    if (firstConnection_) {
      std::lock_guard lock(stateMutex_);
      if (phase_ == TPhase::Pending) {
        const bool stalled = Clock::now() - lastData_ >= std::chrono::milliseconds(options_.timeoutMs);
        connectError_ = rc == CURLE_OK ? ERROR_FILEOPEN : ErrorFromCurl(rc, stalled);
        connectDetail_ = DetailFromCurl(rc, stalled);
        phase_ = TPhase::Failed;
      }
      if (phase_ == TPhase::Failed) break;
      firstConnection_ = false;
    }
    // A stream of known length ends with its connection; only live
    // streams are fetched again.
    if (contentLength_ >= 0 || options_.reconnectMs <= 0) break;
    if (connectionBytes_ > 0) {
      droppedAt = Clock::now();
      backoff = std::chrono::milliseconds(250);
      // Mark the break now, so that the decoder plays out what it holds of
      // the old connection instead of waiting for the new one.
      {
        std::lock_guard lock(bufferMutex_);
        breaks_.push_back(writeTotal_);
      }
      dataCv_.notify_all();
    }
    if (Clock::now() - droppedAt > std::chrono::milliseconds(options_.reconnectMs)) break;
    {
      std::unique_lock lock(stateMutex_);
      stateCv_.wait_for(lock, backoff, [&] { return abort_.load(); });
    }
    backoff = std::min(backoff * 2, std::chrono::milliseconds(2000));
    ++reconnections_;
  }
  {
    std::lock_guard lock(stateMutex_);
    if (phase_ == TPhase::Pending) {
      connectError_ = curl ? ERROR_FILEOPEN : ERROR_MEM;
      phase_ = TPhase::Failed;
    }
  }
  stateCv_.notify_all();
  connected_ = false;
  {
    std::lock_guard lock(bufferMutex_);
    ended_ = true;
  }
  dataCv_.notify_all();
  if (options_.proc && phase_ == TPhase::Ready) CallProc(nullptr, 0);
  if (curl) curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  curl_slist_free_all(aliases);
}

int TNetSource::Transfer(void* easy) {
  auto* curl = static_cast<CURL*>(easy);
  auto* multi = static_cast<CURLM*>(multi_);
  if (!multi || curl_multi_add_handle(multi, curl) != CURLM_OK) return curl_easy_perform(curl);
  CURLcode result = CURLE_OK;
  while (true) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
    if (running == 0) {
      int left = 0;
      const CURLMsg* message = curl_multi_info_read(multi, &left);
      if (message && message->msg == CURLMSG_DONE) result = message->data.result;
      break;
    }
    long curlMs = -1;
    int waitMs = MsUntilCheck();
    if (curl_multi_timeout(multi, &curlMs) == CURLM_OK && curlMs >= 0) waitMs = static_cast<int>(std::min<long>(waitMs, curlMs));
    if (curl_multi_poll(multi, nullptr, 0, waitMs, nullptr) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
  }
  curl_multi_remove_handle(multi, curl);
  return result;
}

int TNetSource::MsUntilCheck() const {
  // The progress callback runs with every wake-up; it has something to
  // find once no byte came for the time-out, or the open's deadline passed.
  auto due = lastData_ + std::chrono::milliseconds(options_.timeoutMs);
  if (!answered_.load() && options_.openDeadline != Clock::time_point{}) due = std::min(due, options_.openDeadline);
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count() + 1;
  return static_cast<int>(std::clamp<int64_t>(left, 1, std::max(options_.timeoutMs, 1)));
}

size_t TNetSource::HeaderCallback(char* data, size_t size, size_t count, void* userData) {
  auto* self = static_cast<TNetSource*>(userData);
  const size_t length = size * count;
  if (self->abort_.load()) return 0;
  std::string line(data, std::min(length, kMaxHeaderLine));
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  // "ICY 200 OK" starts an answer; a header such as "ICY-MetaInt" does not.
  if (line.rfind("HTTP/", 0) == 0 || line.rfind("ICY ", 0) == 0 || line == "ICY") {
    // A new answer (after a redirect or an interim answer) starts over.
    self->lines_.clear();
    self->status_ = 0;
    size_t space = line.find(' ');
    if (space != std::string::npos) self->status_ = std::atoi(line.c_str() + space + 1);
    self->lines_.push_back(line);
    return length;
  }
  if (line.empty()) {
    const int status = self->status_;
    const bool redirect = status >= 300 && status < 400 && !HeaderValue(self->lines_, "location").empty();
    if (status >= 100 && status < 200) return length;
    if (redirect) return length;
    self->HeadersDone();
    return self->status_ >= 200 && self->status_ < 300 ? length : 0;
  }
  if (self->lines_.size() < kMaxHeaderLines) self->lines_.push_back(line);
  return length;
}

void TNetSource::HeadersDone() {
  headersComplete_ = true;
  const bool ok = status_ >= 200 && status_ < 300;
  if (!firstConnection_) {
    if (ok) icyParser_.Reset(ParseMetaInt(HeaderValue(lines_, "icy-metaint")));
    return;
  }
  if (!ok) {
    std::lock_guard lock(stateMutex_);
    connectError_ = ERROR_FILEOPEN;
    connectDetail_ = status_ >= 300 && status_ < 400 ? "HTTP " + std::to_string(status_) + " without a usable address"
                                                      : "HTTP " + std::to_string(status_);
    if (!lines_.empty() && lines_[0].size() > 4 && lines_[0].size() < 200) {
      // The reason phrase the server gave ("HTTP/1.1 404 Not Found").
      const size_t space = lines_[0].find(' ', lines_[0].find(' ') + 1);
      if (space != std::string::npos) connectDetail_ += " " + lines_[0].substr(space + 1);
    }
    phase_ = TPhase::Failed;
    stateCv_.notify_all();
    return;
  }
  icy_ = !lines_.empty() && lines_[0].rfind("ICY", 0) == 0;
  headerTags_.clear();
  for (const auto& line : lines_) {
    headerTags_ += line;
    headerTags_.push_back('\0');
  }
  contentType_ = HeaderValue(lines_, "content-type");
  icyBitrate_ = std::atoi(HeaderValue(lines_, "icy-br").c_str());
  std::string length = HeaderValue(lines_, "content-length");
  if (!length.empty() && length.size() < 19 &&
      std::all_of(length.begin(), length.end(), [](char c) { return c >= '0' && c <= '9'; }))
    contentLength_ = std::stoll(length);
  char* effective = nullptr;
  if (curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
    effectiveUrl_ = effective;
  else
    effectiveUrl_ = options_.url;
  icyParser_.Reset(ParseMetaInt(HeaderValue(lines_, "icy-metaint")));
  {
    std::lock_guard lock(bufferMutex_);
    if (contentLength_ >= 0 && static_cast<uint64_t>(contentLength_) <= kMaxBuffer)
      SetCapacityLocked(std::max<size_t>(static_cast<size_t>(contentLength_), 1));
    else
      SetCapacityLocked(static_cast<size_t>(icyBitrate_ > 0 ? icyBitrate_ : 128) * 125 *
                        static_cast<size_t>(options_.bufferMs) / 1000);
  }
  connected_ = true;
  answered_ = true;
  if (options_.proc && (options_.flags & STREAM_STATUS)) CallProc(headerTags_.c_str(), 0);
  std::lock_guard lock(stateMutex_);
  phase_ = TPhase::Ready;
  stateCv_.notify_all();
}

size_t TNetSource::WriteCallback(char* data, size_t size, size_t count, void* userData) {
  auto* self = static_cast<TNetSource*>(userData);
  const size_t length = size * count;
  if (self->abort_.load()) return 0;
  if (!self->headersComplete_) {
    // An old server that sends the audio without any answer line.
    if (!self->lines_.empty()) return 0;
    self->status_ = 200;
    self->lines_.push_back("HTTP/0.9 200 OK");
    self->HeadersDone();
  }
  self->lastData_ = Clock::now();
  self->heldBack_ = 0;
  self->icyParser_.Feed(
      data, length, [self](const char* audio, size_t n) { self->PushAudio(audio, n); },
      [self](const std::string& text) {
        if (self->onMeta) self->onMeta(text);
      });
  return self->abort_.load() ? 0 : length;
}

void TNetSource::PushAudio(const char* data, size_t length) {
  if (options_.proc) CallProc(data, static_cast<DWORD>(length));
  downloaded_ += length;
  connectionBytes_ += length;
  std::unique_lock lock(bufferMutex_);
  while (length > 0 && !abort_.load()) {
    if (count_ == ring_.size()) {
      // Full: the decoder is behind (or paused, or not playing yet).
      // Waiting here lets TCP slow the server down; the stall check must
      // not count it. Reading and aborting wake it, nothing else need.
      writerBlocked_ = true;
      spaceCv_.wait(lock, [&] { return abort_.load() || count_ < ring_.size(); });
      continue;
    }
    size_t tail = (head_ + count_) % ring_.size();
    size_t n = std::min({length, ring_.size() - count_, ring_.size() - tail});
    std::memcpy(&ring_[tail], data, n);
    count_ += n;
    writeTotal_ += n;
    data += n;
    length -= n;
    dataCv_.notify_all();
  }
  writerBlocked_ = false;
  lastData_ = Clock::now();
  if (refilling_.exchange(false)) lowWaterFrom_ = connectionBytes_;
  if (!lowWaterSet_ && contentLength_ < 0 && connectionBytes_ - lowWaterFrom_ >= ring_.size() / 2) {
    // Once the pre-buffer is in, wake for a second of audio at a time
    // instead of for every packet: the buffer holds seconds anyway, and a
    // radio stream costs about one wake-up a second instead of dozens. Not
    // before: every byte of the pre-buffer is a moment the listener waits
    // for. What arrived counts, not what the download buffer holds: the
    // decoder takes its share at once, and once playing, a buffer longer
    // than the server's burst never gets half full again. A buffer that
    // runs dry takes every byte at once again (Read) until it has filled
    // as much once more.
    lowWaterSet_ = true;
    const int second = static_cast<int>(ring_.size() * 1000 / static_cast<size_t>(std::max(options_.bufferMs, 1000)));
    const int bytes = std::clamp(second, kMinLowWater, kMaxLowWater);
    int fd = socket_.load();
    if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &bytes, sizeof bytes);
  }
}

int TNetSource::ProgressCallback(void* userData, int64_t, int64_t, int64_t, int64_t) {
  auto* self = static_cast<TNetSource*>(userData);
  if (self->abort_.load()) return 1;
  if (self->writerBlocked_.load()) return 0;
  const auto now = Clock::now();
  // Bytes that the kernel holds back below the low-water mark are bytes
  // the server sent: a slow server is not a silent one.
  int fd = self->socket_.load();
  int pending = 0;
  if (self->lowWaterSet_.load() && fd >= 0 && ::ioctl(fd, FIONREAD, &pending) == 0 && pending > self->heldBack_) {
    self->heldBack_ = pending;
    self->lastData_ = now;
  }
  // No byte for the time-out: the server is gone even if the socket is not.
  if (now - self->lastData_ > std::chrono::milliseconds(self->options_.timeoutMs)) return 1;
  // Headers that trickle in keep no open waiting past its deadline.
  if (!self->answered_.load() && self->options_.openDeadline != Clock::time_point{} &&
      now >= self->options_.openDeadline) {
    self->lastData_ = now - std::chrono::milliseconds(self->options_.timeoutMs);
    return 1;
  }
  return 0;
}

int TNetSource::OpenSocketCallback(void* userData, int, void* address) {
  auto* self = static_cast<TNetSource*>(userData);
  auto* a = static_cast<curl_sockaddr*>(address);
  int fd = ::socket(a->family, a->socktype | SOCK_CLOEXEC, a->protocol);
  self->socket_ = fd;
  if (self->abort_.load() && fd >= 0) ::shutdown(fd, SHUT_RDWR);
  return fd < 0 ? CURL_SOCKET_BAD : fd;
}

void TNetSource::CallProc(const void* data, DWORD length) {
  if (onData) onData(data, length);
  else options_.proc(data, length, options_.user);
}

void TNetSource::SetCapacityLocked(size_t bytes) {
  bytes = std::clamp(bytes, kMinBuffer, kMaxBuffer);
  bytes = std::max(bytes, count_);
  if (bytes == ring_.size()) return;
  std::vector<uint8_t> fresh(bytes);
  for (size_t i = 0; i < count_; ++i) fresh[i] = ring_[(head_ + i) % ring_.size()];
  ring_.swap(fresh);
  head_ = 0;
  spaceCv_.notify_all();
}

void TNetSource::SizeBufferForBitrate(int kbps) {
  if (kbps <= 0 || contentLength_ >= 0) return;
  std::lock_guard lock(bufferMutex_);
  SetCapacityLocked(static_cast<size_t>(kbps) * 125 * static_cast<size_t>(options_.bufferMs) / 1000);
}

uint64_t TNetSource::Buffered() {
  std::lock_guard lock(bufferMutex_);
  return count_;
}

uint64_t TNetSource::BufferSize() {
  if (contentLength_ >= 0 && static_cast<uint64_t>(contentLength_) <= kMaxBuffer)
    return static_cast<uint64_t>(contentLength_);
  std::lock_guard lock(bufferMutex_);
  return ring_.size();
}

uint64_t TNetSource::ReadTotal() {
  std::lock_guard lock(bufferMutex_);
  return readTotal_;
}

int TNetSource::Read(uint8_t* buffer, int size) {
  std::unique_lock lock(bufferMutex_);
  const auto deadlineRep = readDeadline_.load();
  const auto deadline = Clock::time_point(Clock::duration(deadlineRep));
  while (true) {
    if (abort_.load()) return -1;
    if (deadlineRep != 0 && Clock::now() >= deadline) {
      timedOut_ = true;
      return 0;
    }
    if (!breaks_.empty() && breaks_.front() <= readTotal_) {
      breaks_.pop_front();
      breakSeen_ = true;
      return 0;
    }
    if (count_ > 0) {
      size_t limit = count_;
      if (!breaks_.empty()) limit = std::min<size_t>(limit, breaks_.front() - readTotal_);
      size_t n = std::min({static_cast<size_t>(size), limit, ring_.size() - head_});
      std::memcpy(buffer, &ring_[head_], n);
      head_ = (head_ + n) % ring_.size();
      count_ -= n;
      readTotal_ += n;
      spaceCv_.notify_all();
      return static_cast<int>(n);
    }
    if (ended_.load()) return 0;
    if (lowWaterSet_.exchange(false)) {
      // Ran dry: what the kernel holds back below the low-water mark is
      // wanted now, and so is every byte until the buffer has filled as
      // at the start (PushAudio raises the mark again then).
      const int one = 1;
      const int fd = socket_.load();
      if (fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof one);
      refilling_ = true;
    }
    // Every change looked at here (data, a break, the end, an abort) is
    // made under the lock and notified: the decoder sleeps until one comes,
    // or its deadline.
    if (deadlineRep != 0)
      dataCv_.wait_until(lock, deadline);
    else
      dataCv_.wait(lock);
  }
}

std::string TNetSource::Peek(size_t bytes, int ms) {
  std::unique_lock lock(bufferMutex_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (count_ < bytes && !ended_.load() && !abort_.load() && Clock::now() < deadline &&
         count_ < ring_.size())
    dataCv_.wait_for(lock, std::chrono::milliseconds(50));
  std::string out(std::min(bytes, count_), '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(ring_[(head_ + i) % ring_.size()]);
  return out;
}

std::string TNetSource::ReadWhole(size_t maxBytes, int ms) {
  std::unique_lock lock(bufferMutex_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (!ended_.load() && !abort_.load() && count_ < maxBytes && count_ < ring_.size() &&
         Clock::now() < deadline)
    dataCv_.wait_for(lock, std::chrono::milliseconds(50));
  std::string out(std::min(maxBytes, count_), '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(ring_[(head_ + i) % ring_.size()]);
  return out;
}

}  // namespace audio::detail
