// A ring of interleaved float frames. Not locked: its owner locks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace audio::detail {

class TPcmRing {
 public:
  void Reset(int channels, size_t capacityFrames) {
    channels_ = channels;
    data_.assign(capacityFrames * static_cast<size_t>(channels), 0.0f);
    capacity_ = capacityFrames;
    head_ = 0;
    count_ = 0;
  }
  size_t Frames() const { return count_; }
  size_t Capacity() const { return capacity_; }
  size_t Space() const { return capacity_ - count_; }
  int Channels() const { return channels_; }

  // With a step, Reserve grows to what is needed rounded up to whole steps
  // instead of doubling, so that the ring stays near the most it held.
  void SetGrowthStep(size_t frames) { step_ = frames; }

  // Grows (never shrinks) so that `frames` more fit.
  void Reserve(size_t frames) {
    if (Space() >= frames) return;
    size_t wanted = count_ + frames;
    wanted = step_ ? (wanted + step_ - 1) / step_ * step_ : std::max(capacity_ * 2, wanted);
    std::vector<float> bigger(wanted * static_cast<size_t>(channels_));
    Peek(bigger.data(), count_);
    data_.swap(bigger);
    capacity_ = wanted;
    head_ = 0;
  }

  // Appends up to Space() frames; returns the count written.
  size_t Write(const float* in, size_t frames) {
    frames = std::min(frames, Space());
    size_t tail = (head_ + count_) % std::max<size_t>(capacity_, 1);
    size_t first = std::min(frames, capacity_ - tail);
    std::memcpy(&data_[tail * channels_], in, first * channels_ * sizeof(float));
    if (frames > first)
      std::memcpy(&data_[0], in + first * channels_, (frames - first) * channels_ * sizeof(float));
    count_ += frames;
    return frames;
  }

  size_t Peek(float* out, size_t frames) const {
    frames = std::min(frames, count_);
    if (frames == 0) return 0;
    size_t first = std::min(frames, capacity_ - head_);
    std::memcpy(out, &data_[head_ * channels_], first * channels_ * sizeof(float));
    if (frames > first)
      std::memcpy(out + first * channels_, &data_[0], (frames - first) * channels_ * sizeof(float));
    return frames;
  }

  // The newest `frames` frames (or all there are), oldest first, leaving
  // out the `skip` newest.
  size_t PeekLast(float* out, size_t frames, size_t skip = 0) const {
    const size_t before = count_ - std::min(skip, count_);
    frames = std::min(frames, before);
    if (frames == 0) return 0;
    size_t start = (head_ + before - frames) % capacity_;
    size_t first = std::min(frames, capacity_ - start);
    std::memcpy(out, &data_[start * channels_], first * channels_ * sizeof(float));
    if (frames > first)
      std::memcpy(out + first * channels_, &data_[0], (frames - first) * channels_ * sizeof(float));
    return frames;
  }

  size_t Read(float* out, size_t frames) {
    frames = Peek(out, frames);
    Drop(frames);
    return frames;
  }

  void Drop(size_t frames) {
    frames = std::min(frames, count_);
    if (capacity_) head_ = (head_ + frames) % capacity_;
    count_ -= frames;
  }

  void Clear() {
    head_ = 0;
    count_ = 0;
  }

 private:
  std::vector<float> data_;
  int channels_ = 2;
  size_t capacity_ = 0;
  size_t head_ = 0;
  size_t count_ = 0;
  size_t step_ = 0;
};

}  // namespace audio::detail
