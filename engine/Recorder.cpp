#include "engine/Recorder.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

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

std::u16string Number(int64_t value) {
  std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

// A file name inside double quotes on the encoder's command line. The
// command line is split by the usual rules (backslashes count only before
// a quote), so a name without quotes and without a trailing backslash
// stays exactly as it is; a quote in a name is escaped instead of ending
// the argument early.
std::u16string QuotedName(const std::u16string& name) {
  std::u16string out = u"\"";
  std::size_t backslashes = 0;
  for (char16_t c : name) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(backslashes * 2 + 1, u'\\');
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, u'\\');
  out.push_back(u'"');
  return out;
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

std::u16string TRecorder::BuildCommandLine(uint32_t chans, uint32_t freq, int32_t rate, int32_t bitrate,
                                           const std::string& codec, const std::u16string& fileName) {
  // The input half describes the PCM the library writes to the encoder's
  // standard input (16-bit, the channel's own layout and rate); the output
  // half asks for stereo at the chosen rate and bit rate.
  return u"ffmpeg -ac " + Number(chans) + u" -ar " + Number(freq) + u" -f s16le -i pipe:0 -ac 2 -ar " +
         Number(rate) + u" -ab " + Number(bitrate) + u"k -c:a " + enc::Utf8ToUtf16(codec) + u" " +
         QuotedName(fileName);
}

std::u16string TRecorder::CommandLine() const {
  audio::CHANNELINFO info{};
  audio::ChannelGetInfo(SourceChannel, &info);
  return BuildCommandLine(info.chans, info.freq, SampleRate(SampleRateIndex), Bitrate(SampleRateIndex, BitrateIndex),
                          Codec, FileName);
}

int TRecorder::Start() {
  FBytesWritten = 0;
  CloseRawFile();
  if (!EncodeMode.load()) {
    std::string path = enc::Utf16ToUtf8(FileName);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "Cannot create file \"" + path + "\"");
    {
      std::lock_guard<std::mutex> guard(FFileLock);
      FRawFile = fd;
    }
    Paused = false;
    EncoderHandle = 0;
    State = rsRecording;
    return REC_START_OK;
  }
  std::u16string command = CommandLine();
  EncoderHandle = audio::Encode_Start(SourceChannel, command.c_str(),
                                      audio::UNICODE | audio::ENCODE_AUTOFREE | audio::ENCODE_NOHEAD, nullptr, nullptr);
  if (EncoderHandle == 0) return REC_START_ENCODER_FAILED;
  Paused = false;
  State = rsRecording;
  return REC_START_OK;
}

int TRecorder::WriteRaw(const void* buffer, int length) {
  if (buffer == nullptr || length <= 0) return 0;
  std::lock_guard<std::mutex> guard(FFileLock);
  if (FRawFile < 0 || State.load() != rsRecording) return 0;
  const char* p = static_cast<const char*>(buffer);
  int written = 0;
  while (written < length) {
    ssize_t n = ::write(FRawFile, p + written, static_cast<size_t>(length - written));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // disk full or gone: what was written so far counts
    }
    written += static_cast<int>(n);
  }
  FBytesWritten += static_cast<uint64_t>(written);
  return written;
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
  if (FRawFile >= 0) {
    ::close(FRawFile);
    FRawFile = -1;
  }
}

int64_t TRecorder::RecordedSize() const {
  if (!EncodeMode.load()) return static_cast<int64_t>(FBytesWritten.load());
  struct stat st {};
  std::string path = enc::Utf16ToUtf8(FileName);
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<int64_t>(st.st_size);
}
