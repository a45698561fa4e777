#include "audio/internal/UserStream.h"

#include <chrono>
#include <cstring>

#include "audio/internal/Core.h"

namespace audio::detail {

TUserStream::TUserStream(DWORD handle, DWORD freqValue, DWORD chansValue, DWORD flags, STREAMPROC* proc,
                         void* user)
    : TChannel(handle, flags), proc_(proc == STREAMPROC_PUSH ? nullptr : proc), user_(user) {
  freq = static_cast<int>(freqValue);
  chans = static_cast<int>(chansValue);
  ctype = CTYPE_STREAM;
  origres = (flags & SAMPLE_FLOAT) ? 32 : 16;
  // Pushed data is queued without a limit, as the pusher decides the pace;
  // a pulled stream is asked for a quarter second ahead.
  SetupQueue(proc_ ? static_cast<size_t>(freq) / 4 : 0);
}

TUserStream::~TUserStream() {
  RequestAbort();
  Join();
}

void TUserStream::ToFloat(const void* buffer, size_t bytes, std::vector<float>& out) const {
  if (flags & SAMPLE_FLOAT) {
    out.resize(bytes / sizeof(float));
    std::memcpy(out.data(), buffer, out.size() * sizeof(float));
  } else {
    out.resize(bytes / 2);
    const auto* in = static_cast<const int16_t*>(buffer);
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<float>(in[i]) / 32768.0f;
  }
  out.resize(out.size() - out.size() % static_cast<size_t>(chans));
}

DWORD TUserStream::PutData(const void* buffer, DWORD length) {
  if (!IsPush()) {
    SetError(ERROR_NOTAVAIL);
    return static_cast<DWORD>(-1);
  }
  if (SourceEnded()) {
    SetError(ERROR_ENDED);
    return static_cast<DWORD>(-1);
  }
  const bool end = (length & STREAMPROC_END) != 0;
  const size_t bytes = length & ~STREAMPROC_END;
  if (bytes > 0) {
    if (!buffer) {
      SetError(ERROR_ILLPARAM);
      return static_cast<DWORD>(-1);
    }
    std::vector<float> samples;
    ToFloat(buffer, bytes, samples);
    FillPcm(samples.data(), samples.size() / static_cast<size_t>(chans), false);
  }
  if (end) EndOfSource();
  return static_cast<DWORD>(QueuedFrames() * static_cast<size_t>(chans) * BytesPerSample());
}

void TUserStream::Start() {
  if (proc_) thread_ = std::thread([this] { Pull(); });
}

void TUserStream::Pull() {
  const size_t bytes = static_cast<size_t>(freq / 20) * chans * BytesPerSample();
  std::vector<uint8_t> raw(bytes);
  std::vector<float> samples;
  while (!Aborting()) {
    // Through Callback: once the stream is freed the caller's procedure
    // is neither running nor called again.
    DWORD got = 0;
    bool called = false;
    Callback([&] {
      called = true;
      got = proc_(handle, raw.data(), static_cast<DWORD>(bytes), user_);
    });
    if (!called) break;
    const bool end = (got & STREAMPROC_END) != 0;
    const size_t n = std::min<size_t>(got & ~STREAMPROC_END, bytes);
    if (n > 0) {
      ToFloat(raw.data(), n, samples);
      if (!FillPcm(samples.data(), samples.size() / static_cast<size_t>(chans), true)) break;
    }
    if (end) break;
    if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EndOfSource();
}

void TUserStream::Join() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace audio::detail
