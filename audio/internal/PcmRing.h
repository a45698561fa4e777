// A ring of interleaved float frames. Not locked: its owner locks.
//
// It may also keep the frames read last readable behind its head
// (`keepFrames`): what was played recently stays where it lay instead of
// being copied to a history of its own on every read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace audio::detail {

class TPcmRing {
 public:
  // Frames of the ring in place: up to two runs, the second one empty
  // unless the frames wrap around the ring's end.
  struct TRuns {
    float* first = nullptr;
    size_t firstFrames = 0;
    float* second = nullptr;
    size_t secondFrames = 0;
  };

  void Reset(int channels, size_t capacityFrames, size_t keepFrames = 0) {
    channels_ = channels;
    capacity_ = capacityFrames;
    keep_ = keepFrames;
    slots_ = capacity_ + keep_;
    data_.assign(slots_ * static_cast<size_t>(channels), 0.0f);
    head_ = 0;
    count_ = 0;
    kept_ = 0;
  }
  size_t Frames() const { return count_; }
  size_t Capacity() const { return capacity_; }
  size_t Space() const { return capacity_ - count_; }
  int Channels() const { return channels_; }
  // Frames read that can still be read again (at most `keepFrames`).
  size_t Kept() const { return kept_; }

  // With a step, Reserve grows to what is needed rounded up to whole steps
  // instead of doubling, so that the ring stays near the most it held.
  void SetGrowthStep(size_t frames) { step_ = frames; }

  // Grows (never shrinks) so that `frames` more fit; the kept frames stay.
  void Reserve(size_t frames) {
    if (Space() >= frames) return;
    size_t wanted = count_ + frames;
    wanted = step_ ? (wanted + step_ - 1) / step_ * step_ : std::max(capacity_ * 2, wanted);
    std::vector<float> bigger((wanted + keep_) * static_cast<size_t>(channels_));
    CopyOut(bigger.data(), (head_ + slots_ - kept_) % std::max<size_t>(slots_, 1), kept_ + count_);
    data_.swap(bigger);
    capacity_ = wanted;
    slots_ = capacity_ + keep_;
    head_ = kept_;
  }

  // Appends up to Space() frames; returns the count written. The kept
  // frames lie outside the free slots, so writing never reaches them.
  size_t Write(const float* in, size_t frames) {
    frames = std::min(frames, Space());
    if (frames == 0) return 0;
    size_t tail = (head_ + count_) % slots_;
    size_t first = std::min(frames, slots_ - tail);
    std::memcpy(&data_[tail * channels_], in, first * channels_ * sizeof(float));
    if (frames > first)
      std::memcpy(&data_[0], in + first * channels_, (frames - first) * channels_ * sizeof(float));
    count_ += frames;
    return frames;
  }

  // Room for `frames` more frames (at most Space()) at the tail, in place,
  // to be written and then added with Commit. Valid until the ring is
  // next changed.
  TRuns Back(size_t frames) {
    TRuns runs;
    frames = std::min(frames, Space());
    if (frames == 0) return runs;
    const size_t tail = (head_ + count_) % slots_;
    runs.first = &data_[tail * channels_];
    runs.firstFrames = std::min(frames, slots_ - tail);
    runs.secondFrames = frames - runs.firstFrames;
    if (runs.secondFrames) runs.second = &data_[0];
    return runs;
  }
  void Commit(size_t frames) { count_ += std::min(frames, Space()); }

  // Moves the queued frames to the ring's start, so that all its free room
  // follows them in one run. Only for a ring that keeps nothing, and only
  // while at most half of it is queued (then the pieces moved never
  // overlap what is still to be moved); false otherwise.
  bool Compact() {
    if (keep_ != 0 || count_ * 2 > slots_) return false;
    if (count_ > 0) {
      const size_t c = static_cast<size_t>(channels_);
      const size_t toEnd = slots_ - head_;
      if (count_ <= toEnd) {
        std::memmove(&data_[0], &data_[head_ * c], count_ * c * sizeof(float));
      } else {
        const size_t wrapped = count_ - toEnd;
        std::memmove(&data_[toEnd * c], &data_[0], wrapped * c * sizeof(float));
        std::memmove(&data_[0], &data_[head_ * c], toEnd * c * sizeof(float));
      }
    }
    head_ = 0;
    return true;
  }

  size_t Peek(float* out, size_t frames) const {
    frames = std::min(frames, count_);
    CopyOut(out, head_, frames);
    return frames;
  }

  // The first `frames` queued frames (or all there are) in place, to be
  // worked on and then dropped. Valid until the ring is next changed.
  TRuns Front(size_t frames) {
    TRuns runs;
    frames = std::min(frames, count_);
    if (frames == 0) return runs;
    runs.first = &data_[head_ * channels_];
    runs.firstFrames = std::min(frames, slots_ - head_);
    runs.secondFrames = frames - runs.firstFrames;
    if (runs.secondFrames) runs.second = &data_[0];
    return runs;
  }

  // Of the kept frames, the `frames` before the `skip` read last (or as
  // many as there are), oldest first.
  size_t PeekKept(float* out, size_t frames, size_t skip) const {
    skip = std::min(skip, kept_);
    frames = std::min(frames, kept_ - skip);
    CopyOut(out, (head_ + slots_ - skip - frames) % std::max<size_t>(slots_, 1), frames);
    return frames;
  }

  size_t Read(float* out, size_t frames) {
    frames = Peek(out, frames);
    Drop(frames);
    return frames;
  }

  void Drop(size_t frames) {
    frames = std::min(frames, count_);
    if (slots_) head_ = (head_ + frames) % slots_;
    count_ -= frames;
    kept_ = std::min(kept_ + frames, keep_);
  }

  // Forgets what is queued; what was read stays kept.
  void Clear() { count_ = 0; }

 private:
  // `frames` frames from slot `from` on, across the end.
  void CopyOut(float* out, size_t from, size_t frames) const {
    if (frames == 0) return;
    size_t first = std::min(frames, slots_ - from);
    std::memcpy(out, &data_[from * channels_], first * channels_ * sizeof(float));
    if (frames > first)
      std::memcpy(out + first * channels_, &data_[0], (frames - first) * channels_ * sizeof(float));
  }

  std::vector<float> data_;
  int channels_ = 2;
  size_t capacity_ = 0;  // frames that may be queued
  size_t keep_ = 0;      // frames kept behind the head at most
  size_t slots_ = 0;     // capacity_ + keep_
  size_t head_ = 0;
  size_t count_ = 0;
  size_t kept_ = 0;
  size_t step_ = 0;
};

}  // namespace audio::detail
