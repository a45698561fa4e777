#include "engine/Recorder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

#include "audio/Frames.h"
#include "support/CommandLine.h"
#include "support/Encoding.h"

const TRecorderFormat TRecorder::Formats[FormatCount] = {
    {u"aac", u"AAC"},       {u"ac3", u"AC3"},       {u"flac", u"FLAC"}, {u"aac", u"M4A"},
    {u"libmp3lame", u"MP3"}, {u"libvorbis", u"OGG"}, {u"libopus", u"OPUS"}, {u"pcm_s16le", u"WAV"},
};

const int32_t TRecorder::SampleRates[SampleRateCount] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

namespace {

const int32_t kLowBitrates[] = {8, 16, 24, 32, 40, 48, 56, 64};
const int32_t kMiddleBitrates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
const int32_t kHighBitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

struct TBitrateTable {
  const int32_t* Values;
  int Count;
  int32_t Outside;
};

TBitrateTable TableFor(int32_t sampleRateIndex) {
  auto index = static_cast<uint32_t>(sampleRateIndex);
  if (index <= 2) return {kLowBitrates, 8, 40};
  if (index <= 5) return {kMiddleBitrates, 14, 80};
  return {kHighBitrates, 14, 128};
}

// The arguments as one line, the file name (the last) in quotes even when
// it has no blank, as the encoder's command line has always shown it.
std::u16string EncoderLine(std::vector<std::string> words) {
  const std::string name = std::move(words.back());
  words.pop_back();
  return enc::Utf8ToUtf16(cmdline::Join(words) + " " + cmdline::Quote(name, true));
}

}  // namespace

TRecorder::TRecorder() { SetProcessRecorder(this); }

TRecorder::~TRecorder() {
  // Unregistering waits for a block that a download thread is writing.
  if (ProcessRecorder() == this) SetProcessRecorder(nullptr);
  CloseRawFile();
}

int32_t TRecorder::SampleRate(int32_t sampleRateIndex) {
  if (sampleRateIndex < 0 || sampleRateIndex >= SampleRateCount) return 44100;
  return SampleRates[sampleRateIndex];
}

int32_t TRecorder::Bitrate(int32_t sampleRateIndex, int32_t bitrateIndex) {
  TBitrateTable table = TableFor(sampleRateIndex);
  if (bitrateIndex < 0 || bitrateIndex >= table.Count) return table.Outside;
  return table.Values[bitrateIndex];
}

int TRecorder::BitrateCount(int32_t sampleRateIndex) { return TableFor(sampleRateIndex).Count; }

const TRecorderFormat& TRecorder::Format(int formatIndex) {
  if (formatIndex < 0 || formatIndex >= FormatCount) formatIndex = DefaultFormat;
  return Formats[formatIndex];
}

std::u16string TRecorder::Extension(int formatIndex) {
  std::u16string extension = u".";
  for (const char16_t* p = Format(formatIndex).Name; *p; ++p)
    extension.push_back(*p >= u'A' && *p <= u'Z' ? static_cast<char16_t>(*p - u'A' + u'a') : *p);
  return extension;
}

std::vector<std::string> TRecorder::BuildArguments(uint32_t chans, uint32_t freq, int32_t rate, int32_t bitrate,
                                                   const std::string& codec, const std::u16string& fileName) {
  // The input half describes the PCM the library writes to the encoder's
  // standard input (16-bit, the channel's own layout and rate); the output
  // half asks for stereo at the chosen rate and bit rate. The encoder
  // writes each packet as it is made: left to gather its usual block the
  // file stays empty on disk for many seconds of a low bit rate, and its
  // size is what the recording panel shows (the bytes are the same). The
  // file it writes is the empty one Start has just made for it.
  return {"ffmpeg", "-ac", std::to_string(chans), "-ar", std::to_string(freq), "-f", "s16le", "-i", "pipe:0",
          "-ac", "2", "-ar", std::to_string(rate), "-ab", std::to_string(bitrate) + "k", "-c:a", codec,
          "-flush_packets", "1", "-y", enc::WideToFileName(fileName)};
}

std::u16string TRecorder::BuildCommandLine(uint32_t chans, uint32_t freq, int32_t rate, int32_t bitrate,
                                           const std::string& codec, const std::u16string& fileName) {
  return EncoderLine(BuildArguments(chans, freq, rate, bitrate, codec, fileName));
}

std::vector<std::string> TRecorder::Arguments() const {
  audio::CHANNELINFO info{};
  audio::ChannelGetInfo(SourceChannel, &info);
  return BuildArguments(info.chans, info.freq, SampleRate(SampleRateIndex), Bitrate(SampleRateIndex, BitrateIndex),
                        Codec, FileName);
}

std::u16string TRecorder::CommandLine() const { return EncoderLine(Arguments()); }

int TRecorder::Start() {
  FBytesWritten = 0;
  CloseRawFile();
  FFailure = 0;
  if (!EncodeMode.load()) {
    const int fd = CreateFile();
    {
      std::lock_guard<std::mutex> guard(FFileLock);
      FRawFile = fd;
      // Joining a stream mid-frame would give every file a broken start.
      FAligning = true;
      FPending.clear();
    }
    Paused = false;
    EncoderHandle = 0;
    State = rsRecording;
    return REC_START_OK;
  }
  // The name is taken here, exclusively, and the encoder told to write
  // into that empty file of ours: left to check and create the name
  // itself, two encoders started at the same moment could both find it
  // free and empty each other's file.
  ::close(CreateFile());
  EncoderHandle = audio::Encode_StartArgv(SourceChannel, Arguments(), audio::ENCODE_AUTOFREE | audio::ENCODE_NOHEAD,
                                          nullptr, nullptr);
  if (EncoderHandle == 0) {
    ::unlink(enc::WideToFileName(FileName).c_str());
    return REC_START_ENCODER_FAILED;
  }
  Paused = false;
  State = rsRecording;
  return REC_START_OK;
}

int TRecorder::CreateFile() {
  // Never an existing file: another recording (of this or another
  // instance) may be writing it.
  const std::string path = enc::WideToFileName(FileName);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    FFailure = error;
    throw std::system_error(error, std::generic_category(), "Cannot create file \"" + path + "\"");
  }
  return fd;
}

int TRecorder::WriteRaw(const void* buffer, int length) {
  if (buffer == nullptr || length <= 0) return 0;
  bool failed = false;
  int written = 0;
  {
    std::lock_guard<std::mutex> guard(FFileLock);
    if (FRawFile < 0 || State.load() != rsRecording || FFailure.load() != 0) return 0;
    const char* p = static_cast<const char*>(buffer);
    if (FAligning) {
      // Held until two consecutive frame headers show where a frame
      // starts; a stream that never shows one is written as it comes.
      constexpr size_t kMaxHeld = 64 * 1024;
      FPending.append(p, static_cast<size_t>(length));
      // A stream that begins with its tag begins properly.
      const size_t start = FPending.compare(0, 3, "ID3") == 0 ? 0 : audio::FirstFrameStart(FPending, RawAac);
      if (start == std::string::npos && FPending.size() < kMaxHeld) return length;
      FAligning = false;
      std::string held;
      held.swap(FPending);
      const size_t from = start == std::string::npos ? 0 : start;
      written = WriteAll(held.data() + from, static_cast<int>(held.size() - from));
      failed = written < static_cast<int>(held.size() - from);
      if (!failed) written = length;
    } else {
      written = WriteAll(p, length);
      failed = written < length;
    }
  }
  if (failed) Fail(errno != 0 ? errno : EIO);
  return written;
}

int TRecorder::WriteAll(const char* data, int length) {
  int written = 0;
  while (written < length) {
    ssize_t n = ::write(FRawFile, data + written, static_cast<size_t>(length - written));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // disk full or gone: what was written so far counts
    }
    if (n == 0) {
      errno = EIO;
      break;
    }
    written += static_cast<int>(n);
  }
  FBytesWritten += static_cast<uint64_t>(written);
  return written;
}

void TRecorder::Fail(int failure) {
  int none = 0;
  if (!FFailure.compare_exchange_strong(none, failure)) return;
  if (OnFailure) OnFailure();
}

void TRecorder::CheckEncoder() {
  if (State.load() != rsRecording || !EncodeMode.load() || EncoderHandle == 0 || FFailure.load() != 0) return;
  if (audio::Encode_IsActive(EncoderHandle) != audio::ACTIVE_STOPPED) return;
  // An encoder freed with its channel (the stream ended) is no failure of
  // the recording; one that ended under a playing channel could not write.
  const audio::DWORD channel = audio::ChannelIsActive(SourceChannel);
  if (channel == audio::ACTIVE_STOPPED) return;
  Fail(FailureEncoderEnded);
}

std::string TRecorder::FailureText() const { return FailureText(FFailure.load()); }

std::string TRecorder::FailureText(int failure) {
  switch (failure) {
    case 0: return {};
    case FailureEncoderEnded:
      return "Kodlayıcı dosyayı yazamadı (the encoder stopped writing the file: disk full or folder gone?)";
    case ENOSPC:
    case EDQUOT: return "Diskte yer kalmadı (no space left on the disk)";
    case ENOENT: return "Kayıt klasörü yok (the recording folder is gone)";
    case EACCES:
    case EPERM:
    case EROFS: return "Kayıt klasörüne yazılamıyor (the recording folder cannot be written)";
    case ENAMETOOLONG: return "Dosya adı çok uzun (the file name is too long)";
    default: return std::string("Kayıt yazılamadı (") + std::strerror(failure) + ")";
  }
}

void TRecorder::Pause() {
  if (State.load() != rsRecording || EncoderHandle == 0) return;
  if (audio::Encode_SetPaused(EncoderHandle, 1)) Paused = true;
}

void TRecorder::Resume() {
  if (State.load() != rsRecording || EncoderHandle == 0) return;
  if (audio::Encode_SetPaused(EncoderHandle, 0)) Paused = false;
}

void TRecorder::Stop() {
  // Finishing the encoder lets ffmpeg write the file's trailer.
  if (EncoderHandle != 0) audio::Encode_Stop(EncoderHandle);
  EncoderHandle = 0;
  State = rsIdle;
  Paused = false;
  CloseRawFile();
}

void TRecorder::CloseRawFile() {
  std::lock_guard<std::mutex> guard(FFileLock);
  // Bytes still held for the frame search are part of the recording.
  if (FRawFile >= 0 && FAligning && !FPending.empty() && FFailure.load() == 0) {
    const size_t start = audio::FirstFrameStart(FPending, RawAac);
    const size_t from = start == std::string::npos ? 0 : start;
    WriteAll(FPending.data() + from, static_cast<int>(FPending.size() - from));
  }
  FAligning = false;
  FPending.clear();
  if (FRawFile >= 0) {
    ::close(FRawFile);
    FRawFile = -1;
  }
}

int64_t TRecorder::RecordedSize() const {
  if (!EncodeMode.load()) return static_cast<int64_t>(FBytesWritten.load());
  struct stat st {};
  std::string path = enc::WideToFileName(FileName);
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size);
}
