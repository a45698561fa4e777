// The side of the process-wide recorder that the players' download
// procedure sees. The audio library hands every block of undecoded stream
// bytes to the download procedure on its own download thread; the
// procedure passes the block on to the registered recorder while that one
// records raw stream bytes.
//
// The recorder is found through this registry at every block instead of a
// pointer fixed when the stream was created: the controller may free the
// recorder while a stream still downloads, and unregistering waits for a
// block that is being written.
#pragma once

#include <cstdint>

// Recorder states that continue the player states.
constexpr int rsIdle = 6;
constexpr int rsRecording = 7;

class TRecorderLink {
 public:
  virtual ~TRecorderLink() = default;
  // Called on the download thread; must be safe against the recorder's own
  // Stop on the user-interface thread. Returns the count written.
  virtual int WriteRaw(const void* buffer, int length) = 0;
  // Read on the download thread for every block.
  virtual bool IsEncodeMode() const = 0;
  virtual int RecorderState() const = 0;
};

// Registers the process-wide recorder (nullptr unregisters). Returns only
// when no download thread is inside the previous recorder any more.
void SetProcessRecorder(TRecorderLink* recorder);
TRecorderLink* ProcessRecorder();

// The body of the download procedure: writes the block when there is a
// recorder, the block is not empty, the recorder records raw bytes and it
// is recording. Any thread.
void FeedProcessRecorder(const void* buffer, uint32_t length);
