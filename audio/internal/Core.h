// Shared internals of the audio library: the per-thread error code, the
// process-wide configuration and the handle counter.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "audio/Audio.h"

namespace audio::detail {

// What the mixer keeps queued ahead of the device.
inline constexpr int kOutputLatencyMs = 100;

// Sets the calling thread's error code (read by ErrorGetCode).
void SetError(int code);
// Sets the code and what caused it (ErrorGetDetail).
void SetError(int code, std::string detail);
int LastError();

struct TConfig {
  std::atomic<DWORD> netTimeout{5000};
  std::atomic<DWORD> netBuffer{5000};
  std::atomic<DWORD> netPrebuf{75};
  std::atomic<DWORD> netPlaylist{0};
  std::atomic<DWORD> netReconnect{30000};
  std::mutex textMutex;
  std::string proxy;
  std::string agent = "Qorvela/5.10";

  std::string Proxy() {
    std::lock_guard lock(textMutex);
    return proxy;
  }
  std::string Agent() {
    std::lock_guard lock(textMutex);
    return agent;
  }
};

TConfig& Config();

// Every handle kind draws from one counter so that no two handles are equal.
DWORD NewHandle();

}  // namespace audio::detail
