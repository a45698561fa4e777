// The receiving end of the pipe that the ffmpeg decoder writes its PCM
// into: a FIFO in the user's runtime folder, made for one decoder run and
// removed again when it is closed.
//
// The FIFO is opened read-only and non-blocking before the decoder starts,
// so that opening never waits for the writer. Until the decoder opens its
// end (and again after it has closed it) a read returns 0; that is not the
// end of anything, which is why callers look at HasData first and learn
// about the decoder's end from the process, never from the pipe.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class EIPCError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPipeServer {
 public:
  TPipeServer() = default;
  ~TPipeServer();
  TPipeServer(const TPipeServer&) = delete;
  TPipeServer& operator=(const TPipeServer&) = delete;

  // Full path of the FIFO.
  std::string PipeName;
  // Descriptor of the open read end, -1 when closed.
  int PipeHandle = -1;
  // Kernel buffer asked for the pipe (the kernel may round it).
  int32_t BufferSize = 131072;
  // Kept for callers that configure it; waits here are never blocking.
  int32_t DefaultTimeout = 60000;

  void SetName(const std::string& name);
  // Makes the FIFO and opens its read end; raises EIPCError
  // "Failed to create named pipe: <name>" when either fails.
  void Open();
  // Closes the read end and removes the FIFO this object made.
  void Close();
  bool IsOpen() const { return PipeHandle >= 0; }
  // Whether bytes are waiting in the pipe (never blocks).
  bool HasData() const;
  // Bytes waiting in the pipe, 0 when closed.
  long Available() const;
  // Reads what is there, at most `count` bytes; 0 when nothing is waiting
  // or the pipe is closed. Never blocks.
  long Read(void* buffer, long count);

  // The folder the FIFOs live in: $XDG_RUNTIME_DIR when it names a folder,
  // else /tmp.
  static std::string RuntimeFolder();
  // "<runtime folder>/kestrowave_<number>".
  static std::string MakePipeName(int number);

 private:
  bool FCreated = false;  // the FIFO at PipeName is ours to remove
};
