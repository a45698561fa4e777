// Creating streams: internet addresses (with playlists and HLS), local
// files and user streams.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "audio/Audio.h"
#include "audio/internal/Core.h"
#include "audio/internal/ContentSniff.h"
#include "audio/internal/DecodeStream.h"
#include "audio/internal/NetSource.h"
#include "audio/internal/Playlist.h"
#include "audio/internal/Registry.h"
#include "audio/internal/UserStream.h"
#include "support/AsciiCase.h"
#include "support/Encoding.h"

namespace audio {

using namespace detail;

namespace {

constexpr int kMaxPlaylistDepth = 3;
constexpr size_t kMaxPlaylistBytes = 64 * 1024;
constexpr int kMaxPlaylistTries = 8;

// Opens in progress, so that CancelPendingOpens can reach them. An entry
// lives on the opening thread's stack and leaves the set before the stream
// and source it names are destroyed.
class TPendingOpen {
 public:
  explicit TPendingOpen(TDecodeStream* stream) : stream_(stream) {
    std::lock_guard lock(Mutex());
    Set().insert(this);
  }
  ~TPendingOpen() {
    std::lock_guard lock(Mutex());
    Set().erase(this);
  }
  TPendingOpen(const TPendingOpen&) = delete;
  TPendingOpen& operator=(const TPendingOpen&) = delete;

  // Before the stream owns the source, the source must be told itself.
  void SetSource(TNetSource* source) {
    std::lock_guard lock(Mutex());
    source_ = source;
    if (cancelled_ && source_) source_->Abort();
  }
  bool Cancelled() const {
    std::lock_guard lock(Mutex());
    return cancelled_;
  }

  static void CancelAll() {
    std::lock_guard lock(Mutex());
    for (TPendingOpen* open : Set()) {
      open->cancelled_ = true;
      if (open->source_) open->source_->Abort();
      open->stream_->RequestAbort();
    }
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::set<TPendingOpen*>& Set() {
    static std::set<TPendingOpen*> set;
    return set;
  }

  TDecodeStream* stream_;
  TNetSource* source_ = nullptr;
  bool cancelled_ = false;
};

std::string Lower(std::string s) { return ascii::Lower(s); }

bool OpenedByLibavformat(const std::string& url) {
  std::string lower = Lower(url);
  for (const char* scheme : {"rtmp://", "rtmps://", "rtmpt://", "rtmpe://", "rtmpte://", "rtsp://",
                             "mmsh://", "mmst://", "hls+http://", "hls+https://"})
    if (lower.rfind(scheme, 0) == 0) return true;
  std::string path = lower.substr(0, lower.find_first_of("?#"));
  return (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0) &&
         path.size() > 5 && path.compare(path.size() - 5, 5, ".m3u8") == 0;
}

// What an open that failed with `code` after the answer tells the user.
std::string OpenDetail(int code) {
  switch (code) {
    case ERROR_TIMEOUT: return "time-out: no audio arrived";
    case ERROR_FILEFORM:
    case ERROR_NOTAUDIO: return "not audio";
    case ERROR_CODEC: return "no decoder for the stream's codec";
    case ERROR_FORMAT: return "unsupported sample format";
    case ERROR_ENDED: return "cancelled";
    default: return {};
  }
}

HSTREAM Publish(const std::shared_ptr<TDecodeStream>& stream) {
  AddChannel(stream);
  stream->Start();
  SetError(ERROR_OK);
  return stream->handle;
}

HSTREAM OpenDirect(std::string url, DWORD flags, DOWNLOADPROC* proc, void* user) {
  if (Lower(url).rfind("hls+", 0) == 0) url = url.substr(4);
  auto stream = std::make_shared<TDecodeStream>(NewHandle(), flags, TDecodeStream::TKind::Direct);
  TPendingOpen pending(stream.get());
  int error = stream->OpenDirect(url, proc, user);
  if (pending.Cancelled()) error = ERROR_ENDED;
  if (error != ERROR_OK) {
    stream->RequestAbort();
    SetError(error, OpenDetail(error));
    return 0;
  }
  return Publish(stream);
}

HSTREAM OpenUrl(const std::string& url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user,
                int depth) {
  std::string lower = Lower(url);
  if (lower.rfind("mms://", 0) == 0) {
    // "mms" names two transports; the HTTP one is what servers still speak.
    HSTREAM h = OpenDirect("mmsh://" + url.substr(6), flags, proc, user);
    return h ? h : OpenDirect("mmst://" + url.substr(6), flags, proc, user);
  }
  if (OpenedByLibavformat(url)) return OpenDirect(url, flags, proc, user);
  if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  auto& config = Config();
  const int timeout = static_cast<int>(config.netTimeout.load());
  // Everything up to the first decoded audio shares one time-out, however
  // slowly the server trickles its answer.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
  const auto remaining = [&] {
    return static_cast<int>(std::max<int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count()));
  };
  TNetSource::TOptions options;
  options.url = url;
  options.offset = offset;
  options.flags = flags;
  options.proc = proc;
  options.user = user;
  options.timeoutMs = timeout;
  options.bufferMs = static_cast<int>(config.netBuffer.load());
  options.reconnectMs = static_cast<int>(config.netReconnect.load());
  options.proxy = config.Proxy();
  options.agent = config.Agent();
  options.openDeadline = deadline;
  // Made before connecting, so that no metadata that arrives early is lost;
  // declared before the source, so that it outlives the source's thread.
  auto stream = std::make_shared<TDecodeStream>(NewHandle(), flags, TDecodeStream::TKind::Net);
  auto net = std::make_unique<TNetSource>(options);
  TPendingOpen pending(stream.get());
  pending.SetSource(net.get());
  net->onMeta = [raw = stream.get()](const std::string& text) { raw->OnMeta(text); };
  if (proc)
    net->onData = [raw = stream.get(), proc, user](const void* data, DWORD length) {
      raw->Callback([&] { proc(data, length, user); });
    };
  int error = net->Connect();
  if (pending.Cancelled()) error = ERROR_ENDED;
  if (error != ERROR_OK) {
    SetError(error, error == ERROR_ENDED ? OpenDetail(error) : net->ErrorDetail());
    return 0;
  }
  const std::string head = net->Peek(2048, remaining());
  if (pending.Cancelled()) {
    SetError(ERROR_ENDED);
    return 0;
  }
  if (head.empty()) {
    // Answered, then nothing: closed at once, or silent for the time-out.
    if (net->Ended()) SetError(ERROR_FILEFORM, "the server closed the connection before any data");
    else SetError(ERROR_TIMEOUT, OpenDetail(ERROR_TIMEOUT));
    return 0;
  }
  TPlaylistKind kind = DetectPlaylist(net->ContentType(), net->EffectiveUrl(), head);
  if (kind == TPlaylistKind::Hls) {
    std::string address = net->EffectiveUrl();
    net->Abort();
    net->Join();
    return OpenDirect(address, flags, proc, user);
  }
  if (kind != TPlaylistKind::None) {
    if (config.netPlaylist.load() == 0 || depth >= kMaxPlaylistDepth) {
      SetError(ERROR_FILEFORM);
      return 0;
    }
    std::string text = net->ReadWhole(kMaxPlaylistBytes, remaining());
    std::string base = net->EffectiveUrl();
    net->Abort();
    net->Join();
    auto entries = ParsePlaylist(kind, text, base);
    int lastError = ERROR_FILEFORM;
    int tries = 0;
    for (const auto& entry : entries) {
      if (++tries > kMaxPlaylistTries || pending.Cancelled()) break;
      HSTREAM h = OpenUrl(entry, 0, flags, proc, user, depth + 1);
      if (h) return h;
      lastError = ErrorGetCode();
    }
    SetError(lastError);
    return 0;
  }
  TNetSource* source = net.get();
  stream->SetOpenDeadline(deadline);
  error = stream->OpenNet(std::move(net), FormatFor(source->ContentType(), head));
  if (pending.Cancelled()) error = ERROR_ENDED;
  if (error != ERROR_OK) {
    stream->RequestAbort();
    SetError(error, OpenDetail(error));
    return 0;
  }
  // Pre-buffering inside the call, when asked for.
  const DWORD prebuf = config.netPrebuf.load();
  if (prebuf > 0) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    while (std::chrono::steady_clock::now() < until && !source->Ended() && !pending.Cancelled()) {
      QWORD size = source->BufferSize();
      if (size == 0 || source->Buffered() * 100 / size >= prebuf) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (pending.Cancelled()) {
    stream->RequestAbort();
    SetError(ERROR_ENDED);
    return 0;
  }
  return Publish(stream);
}

}  // namespace

void CancelPendingOpens() { TPendingOpen::CancelAll(); }

HSTREAM StreamCreateURL(const char* url, DWORD offset, DWORD flags, DOWNLOADPROC* proc, void* user) {
  if (!Initialized()) {
    SetError(ERROR_INIT);
    return 0;
  }
  if (!url || !*url) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  std::string address(url, std::find(url, url + 8192, '\0'));
  return OpenUrl(address, offset, flags, proc, user, 0);
}

HSTREAM StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  if (!Initialized()) {
    SetError(ERROR_INIT);
    return 0;
  }
  if (!file) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  if (mem) {
    if (length == 0) {
      SetError(ERROR_ILLPARAM);
      return 0;
    }
    auto stream = std::make_shared<TDecodeStream>(NewHandle(), flags & ~UNICODE, TDecodeStream::TKind::File);
    stream->SetMemory(static_cast<const uint8_t*>(file) + offset, length);
    int error = stream->OpenFile("");
    if (error != ERROR_OK) {
      SetError(error);
      return 0;
    }
    return Publish(stream);
  }
  std::string path;
  if (flags & UNICODE) {
    const auto* p = static_cast<const char16_t*>(file);
    size_t n = 0;
    while (n < 32768 && p[n]) ++n;
    path = enc::Utf16ToUtf8(std::u16string_view(p, n));
  } else {
    path = static_cast<const char*>(file);
  }
  if (path.empty()) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  auto stream = std::make_shared<TDecodeStream>(NewHandle(), flags & ~UNICODE, TDecodeStream::TKind::File);
  int error = stream->OpenFile(path);
  if (error != ERROR_OK) {
    SetError(error);
    return 0;
  }
  return Publish(stream);
}

HSTREAM StreamCreate(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user) {
  if (!Initialized()) {
    SetError(ERROR_INIT);
    return 0;
  }
  if (!proc || freq < 100 || freq > 384000 || chans < 1 || chans > 8) {
    SetError(ERROR_ILLPARAM);
    return 0;
  }
  auto stream = std::make_shared<TUserStream>(NewHandle(), freq, chans, flags, proc, user);
  AddChannel(stream);
  stream->Start();
  SetError(ERROR_OK);
  return stream->handle;
}

DWORD StreamPutData(HSTREAM handle, const void* buffer, DWORD length) {
  auto channel = FindChannel(handle);
  auto* user = dynamic_cast<TUserStream*>(channel.get());
  if (!user) {
    SetError(channel ? ERROR_NOTAVAIL : ERROR_HANDLE);
    return static_cast<DWORD>(-1);
  }
  DWORD queued = user->PutData(buffer, length);
  if (queued != static_cast<DWORD>(-1)) SetError(ERROR_OK);
  return queued;
}

BOOL StreamFree(HSTREAM handle) {
  if (!FreeChannel(handle)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  SetError(ERROR_OK);
  return 1;
}

QWORD StreamGetFilePosition(HSTREAM handle, DWORD mode) {
  auto channel = FindChannel(handle);
  if (!channel) {
    SetError(ERROR_HANDLE);
    return static_cast<QWORD>(-1);
  }
  if (mode == FILEPOS_WMA_BUFFER) {
    SetError(ERROR_NOTAVAIL);
    return static_cast<QWORD>(-1);
  }
  SetError(ERROR_OK);
  return channel->FilePosition(mode);
}

}  // namespace audio
