// Streams whose PCM the caller supplies: pushed with StreamPutData, or
// pulled from a stream procedure on a thread of the stream.
#pragma once

#include <thread>
#include <vector>

#include "audio/internal/Channel.h"

namespace audio::detail {

class TUserStream : public TChannel {
 public:
  TUserStream(DWORD handle, DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc, void* user);
  ~TUserStream() override;

  bool IsPush() const { return proc_ == nullptr; }
  // Queues 16-bit (or float) PCM; returns the bytes now queued, or -1.
  DWORD PutData(const void* buffer, DWORD length);
  void Start();
  void Join() override;

 private:
  void Pull();
  void ToFloat(const void* buffer, size_t bytes, std::vector<float>& out) const;

  STREAMPROC* proc_;
  void* user_;
  std::thread thread_;
};

}  // namespace audio::detail
