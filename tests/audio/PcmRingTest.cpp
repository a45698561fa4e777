// The queue's ring keeps what was read last readable behind its head, for
// the recent data and the spectrum: writing must never reach those frames,
// growing must keep them, and the frames handed out in place, to be read
// or written, must be exactly the queued ones or the free ones, across the
// ring's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/internal/PcmRing.h"

using audio::detail::TPcmRing;

namespace {

// Stereo frames numbered from `first` on: left n, right -n.
std::vector<float> Numbered(size_t first, size_t frames) {
  std::vector<float> out;
  for (size_t i = 0; i < frames; ++i) {
    out.push_back(static_cast<float>(first + i));
    out.push_back(-static_cast<float>(first + i));
  }
  return out;
}

void ExpectNumbered(const std::vector<float>& frames, size_t first) {
  for (size_t i = 0; i < frames.size() / 2; ++i) {
    ASSERT_EQ(frames[2 * i], static_cast<float>(first + i)) << "frame " << i;
    ASSERT_EQ(frames[2 * i + 1], -static_cast<float>(first + i)) << "frame " << i;
  }
}

// Takes `frames` queued frames in place, the way the mixer does.
std::vector<float> TakeInPlace(TPcmRing& ring, size_t frames) {
  const TPcmRing::TRuns runs = ring.Front(frames);
  std::vector<float> out(runs.first, runs.first + runs.firstFrames * 2);
  if (runs.secondFrames) out.insert(out.end(), runs.second, runs.second + runs.secondFrames * 2);
  ring.Drop(runs.firstFrames + runs.secondFrames);
  return out;
}

}  // namespace

TEST(PcmRing, KeptFramesSurviveAFullRingAndAreReadBackInOrder) {
  TPcmRing ring;
  ring.Reset(2, 100, 30);
  size_t written = 0, read = 0;
  // Many rounds of filling the ring to the brim and taking odd amounts in
  // place, so that reads and writes cross the end at every offset.
  for (int round = 0; round < 50; ++round) {
    // Every other round the frames are written in place, as a decoder does.
    const size_t space = ring.Space();
    const std::vector<float> next = Numbered(written, space + 5);
    if (round % 2) {
      const TPcmRing::TRuns room = ring.Back(space + 5);
      ASSERT_EQ(room.firstFrames + room.secondFrames, space) << "room beyond the capacity";
      std::copy(next.begin(), next.begin() + static_cast<long>(room.firstFrames * 2), room.first);
      std::copy(next.begin() + static_cast<long>(room.firstFrames * 2), next.begin() + static_cast<long>(space * 2), room.second);
      ring.Commit(space + 5);
      EXPECT_EQ(ring.Space(), 0u);
    } else {
      EXPECT_EQ(ring.Write(next.data(), space + 5), space) << "more than the capacity went in";
    }
    written += space;
    const size_t take = 7 + static_cast<size_t>(round * 13) % 60;
    const std::vector<float> got = TakeInPlace(ring, take);
    ASSERT_EQ(got.size(), take * 2);
    ExpectNumbered(got, read);
    read += take;
    // The kept frames: all read so far up to 30, the newest last.
    const size_t kept = std::min<size_t>(read, 30);
    ASSERT_EQ(ring.Kept(), kept);
    std::vector<float> back(kept * 2);
    ASSERT_EQ(ring.PeekKept(back.data(), kept, 0), kept);
    ExpectNumbered(back, read - kept);
    // Leaving out the newest few.
    std::vector<float> older(20 * 2);
    const size_t skip = 4;
    const size_t n = ring.PeekKept(older.data(), 20, skip);
    ASSERT_EQ(n, std::min<size_t>(20, kept - std::min(skip, kept)));
    older.resize(n * 2);
    ExpectNumbered(older, read - skip - n);
  }
  // What is still queued comes out whole after all that.
  std::vector<float> rest(ring.Frames() * 2);
  ASSERT_EQ(ring.Read(rest.data(), ring.Frames()), rest.size() / 2);
  ExpectNumbered(rest, read);
}

TEST(PcmRing, GrowingAndClearingKeepWhatWasRead) {
  TPcmRing ring;
  ring.Reset(2, 64, 16);
  ring.SetGrowthStep(32);
  ring.Write(Numbered(0, 60).data(), 60);
  ExpectNumbered(TakeInPlace(ring, 50), 0);
  ring.Write(Numbered(60, 50).data(), 50);  // wraps
  // Grows by whole steps to what is needed, with queued and kept frames
  // where they were in the stream.
  ring.Reserve(100);
  EXPECT_EQ(ring.Capacity(), 160u);
  ASSERT_EQ(ring.Write(Numbered(110, 100).data(), 100), 100u);
  std::vector<float> back(16 * 2);
  ASSERT_EQ(ring.PeekKept(back.data(), 16, 0), 16u);
  ExpectNumbered(back, 34);
  std::vector<float> queued(ring.Frames() * 2);
  ring.Peek(queued.data(), ring.Frames());
  ExpectNumbered(queued, 50);
  // Clearing forgets the queue, not the frames played.
  ring.Clear();
  EXPECT_EQ(ring.Frames(), 0u);
  ring.Write(Numbered(1000, 160).data(), 160);
  ASSERT_EQ(ring.PeekKept(back.data(), 16, 0), 16u);
  ExpectNumbered(back, 34);
  ExpectNumbered(TakeInPlace(ring, 160), 1000);
  ASSERT_EQ(ring.PeekKept(back.data(), 16, 0), 16u);
  ExpectNumbered(back, 1144);
}

TEST(PcmRing, CompactingPutsWhatIsQueuedFirstAndTheRoomInOneRun) {
  // The device queue of a converted channel: nothing kept, a few frames
  // left from each pass, the room for the next one wanted in one piece.
  TPcmRing ring;
  ring.Reset(2, 64, 0);
  ring.Write(Numbered(0, 60).data(), 60);
  ExpectNumbered(TakeInPlace(ring, 50), 0);
  ASSERT_LT(ring.Back(40).firstFrames, 40u) << "the room does not wrap";
  ASSERT_TRUE(ring.Compact());
  EXPECT_EQ(ring.Back(54).firstFrames, 54u);
  TPcmRing::TRuns queued = ring.Front(10);
  ASSERT_EQ(queued.firstFrames, 10u);
  ExpectNumbered(std::vector<float>(queued.first, queued.first + 20), 50);
  // Queued frames that wrap come out in order too.
  ring.Write(Numbered(60, 50).data(), 50);
  ExpectNumbered(TakeInPlace(ring, 56), 50);
  ring.Write(Numbered(110, 10).data(), 10);
  ASSERT_GT(ring.Front(14).secondFrames, 0u) << "the queued frames do not wrap";
  ASSERT_TRUE(ring.Compact());
  queued = ring.Front(14);
  ASSERT_EQ(queued.firstFrames, 14u);
  ExpectNumbered(std::vector<float>(queued.first, queued.first + 28), 106);
  EXPECT_EQ(ring.Back(50).firstFrames, 50u);
  // Not while more than half is queued, and never where frames are kept.
  ring.Write(Numbered(120, 40).data(), 40);
  EXPECT_FALSE(ring.Compact());
  ExpectNumbered(TakeInPlace(ring, 54), 106);
  TPcmRing keeping;
  keeping.Reset(2, 64, 8);
  EXPECT_FALSE(keeping.Compact());
}
