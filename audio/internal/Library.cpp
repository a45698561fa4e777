// Initialisation, configuration, plug-ins and the handle registry.
#include <malloc.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "audio/Audio.h"
#include "audio/internal/Channel.h"
#include "audio/internal/Core.h"
#include "audio/internal/Encoder.h"
#include "audio/internal/Output.h"
#include "audio/internal/Registry.h"
#include "support/AsciiCase.h"

namespace audio {

namespace detail {

namespace {

thread_local int lastError = ERROR_OK;
thread_local std::string lastDetail;
constexpr int kMmapThreshold = 128 * 1024;
std::atomic<DWORD> handleCounter{0};

// Releasing a channel waits for its threads and an encoder's program; that
// happens here, so that StreamFree and ChannelStop never wait.
class TJanitor {
 public:
  void Start() {
    quit_ = false;
    thread_ = std::thread([this] { Loop(); });
  }
  void Post(std::function<void()> job) {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    cv_.notify_one();
  }
  // Runs what is left, then ends.
  void Finish() {
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    cv_.notify_one();
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Loop() {
    while (true) {
      std::function<void()> job;
      {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job();
    }
  }
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> jobs_;
  bool quit_ = false;
  std::thread thread_;
};

struct TState {
  std::mutex mutex;
  bool initialized = false;
  std::unique_ptr<TOutput> output;
  std::map<DWORD, std::shared_ptr<TChannel>> channels;
  // The same channels in handle order, for the mixer, which copies them
  // every pass: a short array instead of a walk of the map's nodes.
  std::vector<std::shared_ptr<TChannel>> mixList;
  std::map<DWORD, std::shared_ptr<TEncoder>> encoders;
  std::map<HFX, DWORD> fx;
  std::map<HPLUGIN, std::string> plugins;
  TJanitor janitor;
};

TState& State() {
  static TState* state = new TState;  // outlives static destructors on purpose
  return *state;
}

}  // namespace

void SetError(int code) {
  lastError = code;
  lastDetail.clear();
}

void SetError(int code, std::string detail) {
  lastError = code;
  lastDetail = std::move(detail);
}
int LastError() { return lastError; }

TConfig& Config() {
  static TConfig* config = new TConfig;
  return *config;
}

DWORD NewHandle() {
  DWORD h = ++handleCounter;
  if (h == 0) h = ++handleCounter;
  return h;
}

bool Initialized() {
  std::lock_guard lock(State().mutex);
  return State().initialized;
}

std::shared_ptr<TChannel> FindChannel(DWORD handle) {
  std::lock_guard lock(State().mutex);
  auto it = State().channels.find(handle);
  return it == State().channels.end() ? nullptr : it->second;
}

void AddChannel(const std::shared_ptr<TChannel>& channel) {
  std::lock_guard lock(State().mutex);
  auto& s = State();
  s.channels[channel->handle] = channel;
  auto& list = s.mixList;
  auto at = std::lower_bound(list.begin(), list.end(), channel->handle,
                             [](const auto& c, DWORD handle) { return c->handle < handle; });
  if (at != list.end() && (*at)->handle == channel->handle)
    *at = channel;
  else
    list.insert(at, channel);
}

bool FreeChannel(DWORD handle) {
  std::shared_ptr<TChannel> channel;
  std::vector<std::shared_ptr<TEncoder>> leaving;
  {
    std::lock_guard lock(State().mutex);
    auto& s = State();
    auto it = s.channels.find(handle);
    if (it == s.channels.end()) return false;
    channel = it->second;
    s.channels.erase(it);
    s.mixList.erase(std::find(s.mixList.begin(), s.mixList.end(), channel));
    for (auto e = s.encoders.begin(); e != s.encoders.end();) {
      if (e->second->Channel() == handle && e->second->AutoFree()) {
        leaving.push_back(e->second);
        e = s.encoders.erase(e);
      } else {
        ++e;
      }
    }
    for (auto f = s.fx.begin(); f != s.fx.end();) f = f->second == handle ? s.fx.erase(f) : std::next(f);
  }
  channel->Stop();
  channel->RequestAbort();
  channel->SilenceCallbacks();
  const bool joined = channel->JoinWhenFreed();
  if (joined) channel->Join();
  State().janitor.Post([channel, leaving, joined] {
    for (auto& encoder : leaving) encoder->Stop(10000);
    if (!joined) channel->Join();
  });
  return true;
}

void AddEncoder(const std::shared_ptr<TEncoder>& encoder) {
  std::lock_guard lock(State().mutex);
  State().encoders[encoder->Handle()] = encoder;
}

std::shared_ptr<TEncoder> FindEncoder(HENCODE handle) {
  std::lock_guard lock(State().mutex);
  auto it = State().encoders.find(handle);
  return it == State().encoders.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<TEncoder>> TakeEncoders(DWORD handle) {
  std::lock_guard lock(State().mutex);
  auto& encoders = State().encoders;
  std::vector<std::shared_ptr<TEncoder>> taken;
  auto it = encoders.find(handle);
  if (it != encoders.end()) {
    taken.push_back(it->second);
    encoders.erase(it);
    return taken;
  }
  for (auto e = encoders.begin(); e != encoders.end();) {
    if (e->second->Channel() == handle) {
      taken.push_back(e->second);
      e = encoders.erase(e);
    } else {
      ++e;
    }
  }
  return taken;
}

void WakeOutput() {
  std::lock_guard lock(State().mutex);
  if (State().output) State().output->Wake();
}

void AddFx(HFX fx, DWORD channel) {
  std::lock_guard lock(State().mutex);
  State().fx[fx] = channel;
}

DWORD FxOwner(HFX fx) {
  std::lock_guard lock(State().mutex);
  auto it = State().fx.find(fx);
  return it == State().fx.end() ? 0 : it->second;
}

void RemoveFxOwner(HFX fx) {
  std::lock_guard lock(State().mutex);
  State().fx.erase(fx);
}

}  // namespace detail

using namespace detail;

int ErrorGetCode() { return LastError(); }

const char* ErrorGetDetail() { return lastDetail.c_str(); }

BOOL Init(int device, DWORD freq, DWORD, void*, const void*) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (s.initialized) {
    SetError(ERROR_ALREADY);
    return 0;
  }
  // The library reports through error codes; decoder chatter on the
  // terminal helps nobody.
  av_log_set_level(AV_LOG_QUIET);
#ifdef __GLIBC__
  // A radio plays for days and makes its big buffers anew with every
  // stream (download ring, decoded queue, push streams of up to 30 s):
  // they go straight back to the system when freed, instead of glibc
  // raising its threshold and keeping the largest one ever freed as heap.
  mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
#endif
  if (device < -1) {
    SetError(ERROR_DEVICE);
    return 0;
  }
  auto output = std::make_unique<TOutput>(
      [](std::vector<std::shared_ptr<TChannel>>& list) {
        std::lock_guard inner(State().mutex);
        list.assign(State().mixList.begin(), State().mixList.end());
      },
      [](TChannel& channel) {
        channel.FireSync(SYNC_END, 0);
        if (channel.flags & STREAM_AUTOFREE) FreeChannel(channel.handle);
      });
  if (!output->Open(device, static_cast<int>(freq))) return 0;
  s.output = std::move(output);
  s.janitor.Start();
  s.initialized = true;
  SetError(ERROR_OK);
  return 1;
}

BOOL Free() {
  auto& s = State();
  std::unique_ptr<TOutput> output;
  std::map<DWORD, std::shared_ptr<TChannel>> channels;
  std::map<DWORD, std::shared_ptr<TEncoder>> encoders;
  {
    std::lock_guard lock(s.mutex);
    if (!s.initialized) {
      SetError(ERROR_INIT);
      return 0;
    }
    s.initialized = false;
    output = std::move(s.output);
    channels.swap(s.channels);
    s.mixList.clear();
    encoders.swap(s.encoders);
    s.fx.clear();
  }
  output->Close();
  for (auto& [h, c] : channels) c->RequestAbort();
  for (auto& [h, c] : channels) c->Join();
  for (auto& [h, e] : encoders) e->Stop(10000);
  s.janitor.Finish();
  SetError(ERROR_OK);
  return 1;
}

BOOL SetConfig(DWORD option, DWORD value) {
  auto& c = Config();
  switch (option) {
    case CONFIG_NET_TIMEOUT: c.netTimeout = std::max<DWORD>(value, 1); break;
    case CONFIG_NET_BUFFER: c.netBuffer = std::clamp<DWORD>(value, 100, 600000); break;
    case CONFIG_NET_PREBUF: c.netPrebuf = std::min<DWORD>(value, 100); break;
    case CONFIG_NET_PLAYLIST: c.netPlaylist = value; break;
    case CONFIG_NET_RECONNECT: c.netReconnect = value; break;
    default: SetError(ERROR_ILLTYPE); return 0;
  }
  SetError(ERROR_OK);
  return 1;
}

DWORD GetConfig(DWORD option) {
  auto& c = Config();
  SetError(ERROR_OK);
  switch (option) {
    case CONFIG_NET_TIMEOUT: return c.netTimeout;
    case CONFIG_NET_BUFFER: return c.netBuffer;
    case CONFIG_NET_PREBUF: return c.netPrebuf;
    case CONFIG_NET_PLAYLIST: return c.netPlaylist;
    case CONFIG_NET_RECONNECT: return c.netReconnect;
    default: SetError(ERROR_ILLTYPE); return static_cast<DWORD>(-1);
  }
}

BOOL SetConfigPtr(DWORD option, const void* value) {
  if (option != CONFIG_NET_PROXY && option != CONFIG_NET_AGENT) {
    SetError(ERROR_ILLTYPE);
    return 0;
  }
  std::string text;
  if (value) {
    const char* p = static_cast<const char*>(value);
    // Bounded read: the settings allow 260 characters, more is not a proxy.
    size_t n = 0;
    while (n < 1024 && p[n]) ++n;
    text.assign(p, n);
  }
  auto& c = Config();
  std::lock_guard lock(c.textMutex);
  if (option == CONFIG_NET_PROXY) c.proxy = text;
  else c.agent = text.empty() ? "Qorvela/5.10" : text;
  SetError(ERROR_OK);
  return 1;
}

HPLUGIN PluginLoad(const char* file, DWORD) {
  if (!file) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  std::string name(file);
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  name = ascii::Lower(name);
  size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  if (stem.rfind("lib", 0) == 0) stem = stem.substr(3);
  // The formats these add-ons once brought are decoded here already.
  static const char* const known[] = {"basswma", "bass_aac", "bass_ac3", "basshls", "bassopus",
                                      "bassflac", "bass_mpc", "bass_spx", "bass_ape", "bassalac"};
  if (std::find(std::begin(known), std::end(known), stem) == std::end(known)) {
    SetError(ERROR_FILEOPEN);
    return 0;
  }
  auto& s = State();
  std::lock_guard lock(s.mutex);
  for (auto& [h, n] : s.plugins)
    if (n == stem) {
      SetError(ERROR_ALREADY);
      return h;
    }
  HPLUGIN h = NewHandle();
  s.plugins[h] = stem;
  SetError(ERROR_OK);
  return h;
}

BOOL PluginFree(HPLUGIN handle) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (handle == 0) {
    s.plugins.clear();
  } else if (!s.plugins.erase(handle)) {
    SetError(ERROR_HANDLE);
    return 0;
  }
  SetError(ERROR_OK);
  return 1;
}

}  // namespace audio
