// The process-wide recorder. It records the station that is playing in
// one of two modes:
//
// - encoding: the audio library feeds the playing channel's 16-bit PCM to
//   an ffmpeg child that encodes it into the chosen format and writes the
//   file (works with both players);
// - raw: the undecoded bytes that the audio library downloads are written
//   to the file unchanged (only streams the BASS player downloads; the
//   controller uses it for MP3 and AAC streams).
//
// The controller sets the plain fields, then calls Start, Pause, Resume
// and Stop on the user-interface thread. In raw mode the blocks arrive on
// the library's download thread through WriteRaw; a lock around the file
// keeps Stop from closing it under a block being written.
//
// A recording that cannot write (disk full, folder gone, name refused)
// keeps what it wrote, remembers why (Failure, FailureText) and fires
// OnFailure once; the owner then stops it and tells its client.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "audio/Audio.h"
#include "engine/RecorderLink.h"

// Start results.
constexpr int REC_START_OK = 0;
constexpr int REC_START_ENCODER_FAILED = 1;

struct TRecorderFormat {
  const char16_t* Encoder;  // ffmpeg audio encoder name
  const char16_t* Name;     // display name; lower-cased, the file extension
};

class TRecorder : public TRecorderLink {
 public:
  static constexpr int FormatCount = 8;
  static const TRecorderFormat Formats[FormatCount];
  static constexpr int DefaultFormat = 4;  // MP3
  static constexpr int SampleRateCount = 9;
  static const int32_t SampleRates[SampleRateCount];

  // Registers itself as the process's recorder (the download procedure
  // finds it there); the destructor unregisters it.
  TRecorder();
  // Closes the raw file; a running encoder is left to its channel.
  ~TRecorder() override;
  TRecorder(const TRecorder&) = delete;
  TRecorder& operator=(const TRecorder&) = delete;

  audio::HENCODE EncoderHandle = 0;
  audio::DWORD SourceChannel = 0;
  int32_t BitrateIndex = 8;
  int32_t SampleRateIndex = 7;
  std::atomic<int32_t> State{rsIdle};
  std::atomic<bool> EncodeMode{true};
  std::u16string FileName;
  bool Paused = false;
  std::string Codec = "libmp3lame";
  // Raw mode: the stream is AAC (ADTS) rather than MP3, for finding the
  // first frame boundary.
  bool RawAac = false;

  // Fired once per recording, on the thread that met the failure (the
  // download thread in raw mode): it must only hand the news over.
  std::function<void()> OnFailure;

  // Why the recording failed; 0 while it did not. An errno value, or
  // FailureEncoderEnded when the encoder stopped on its own.
  static constexpr int FailureEncoderEnded = -1;
  int Failure() const { return FFailure.load(); }
  // The reason in words (Turkish, then English), empty while none.
  std::string FailureText() const;
  static std::string FailureText(int failure);
  // Encoding mode: notices an encoder that ended while its channel still
  // plays (ffmpeg could not write). Call while recording.
  void CheckEncoder();

  // REC_START_OK when recording has begun, REC_START_ENCODER_FAILED when
  // the encoder could not be started (State then stays as it was). Raises
  // std::system_error when the file cannot be created, also when FileName
  // exists already (EEXIST): an existing file is never replaced.
  int Start();
  void Pause();
  void Resume();
  void Stop();
  // Raw mode, any thread: appends a block while recording; the count
  // written.
  int WriteRaw(const void* buffer, int length) override;
  bool IsEncodeMode() const override { return EncodeMode.load(); }
  int RecorderState() const override { return State.load(); }
  // Raw mode: the bytes written; encoding mode: the size of FileName on
  // disk (0 when it cannot be read).
  int64_t RecordedSize() const;
  uint64_t BytesWritten() const { return FBytesWritten.load(); }

  // The tables. A sample-rate index outside the table gives 44100; the
  // bit-rate table follows the sample-rate index (compared unsigned, so a
  // negative one picks the last table) and gives its fall-back value for
  // an index outside it.
  static int32_t SampleRate(int32_t sampleRateIndex);
  static int32_t Bitrate(int32_t sampleRateIndex, int32_t bitrateIndex);
  // Number of entries in the bit-rate table for the sample-rate index.
  static int BitrateCount(int32_t sampleRateIndex);
  // The format row for an index; outside 0..7 the MP3 row.
  static const TRecorderFormat& Format(int formatIndex);
  // ".mp3" and so on.
  static std::u16string Extension(int formatIndex);

  // The encoder's arguments for a source of `chans` channels at `freq` Hz.
  static std::vector<std::string> BuildArguments(uint32_t chans, uint32_t freq, int32_t rate, int32_t bitrate,
                                                 const std::string& codec, const std::u16string& fileName);
  // The same as one command line, the file name always in quotes.
  static std::u16string BuildCommandLine(uint32_t chans, uint32_t freq, int32_t rate, int32_t bitrate,
                                         const std::string& codec, const std::u16string& fileName);
  // The arguments Start would give the encoder now, and their command line.
  std::vector<std::string> Arguments() const;
  std::u16string CommandLine() const;

 private:
  void CloseRawFile();
  // FileName created exclusively for writing; raises as Start does.
  int CreateFile();

  void Fail(int failure);
  int WriteAll(const char* data, int length);

  mutable std::mutex FFileLock;
  int FRawFile = -1;
  std::atomic<uint64_t> FBytesWritten{0};
  std::atomic<int> FFailure{0};
  // Raw mode: bytes held until the first frame boundary is found.
  bool FAligning = false;
  std::string FPending;
};
