#include "engine/AVConvRadioPlayer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <random>
#include <thread>

#include "engine/YouTube.h"

namespace {

constexpr long kPumpBytes = 131072;
constexpr int kFrameBytes = 4;  // 16-bit stereo
constexpr uint64_t kBytesPerSecond = 44100 * kFrameBytes;
// A decoder that runs faster than real time (a local file, a recorded
// programme) would otherwise queue its whole output in memory; beyond this
// much queued PCM the pipe is left alone and the decoder waits on it. A
// live station cannot get further ahead than its server's first burst
// (64 KB, 4 s at 128 kbit/s, is Icecast's usual); a larger burst is not
// lost but waits, still encoded, in the pipe and the decoder's socket. So
// more than a few seconds buys no safety, only memory: 44.1 kHz stereo
// float is 350 KB a second in the stream.
constexpr uint64_t kMaxQueuedBytes = 8 * kBytesPerSecond;

std::string Trim(const std::string& text) { return TPipeThread::TrimLine(text); }

// The integer a whole text spells (an optional sign and digits); -1 when
// it is anything else.
int32_t IntOrMinusOne(const std::string& text) {
  if (text.empty()) return -1;
  std::size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
  if (i == text.size()) return -1;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
    if (value > 0x7FFFFFFF) return -1;
  }
  return static_cast<int32_t>(text[0] == '-' ? -value : value);
}

// The text of a field before its first blank; empty without a blank.
std::string BeforeBlank(const std::string& field) {
  std::size_t blank = field.find(' ');
  return blank == std::string::npos ? std::string() : field.substr(0, blank);
}

std::vector<std::string> InfoFields(const std::string& info) {
  if (info.empty()) return {};
  std::vector<std::string> fields = SplitStrict(info, ',');
  for (auto& f : fields) f = Trim(f);
  return fields;
}

int RandomPipeNumber() {
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, 2147483646);
  return pick(generator);
}

}  // namespace

TAVConvRadioPlayer::TAVConvRadioPlayer(core::TComponent* AOwner)
    : TBaseRadioPlayer(AOwner), FfmpegPath("ffmpeg"), Resolvers(DefaultResolvers()) {
  PrebufferTimer = MakeTimer(1, [this] { PrebufferTick(); });
  ProcessWatchTimer = MakeTimer(100, [this] { ProcessWatchTick(); });
  ReaderTimer = MakeTimer(33, [this] { ReaderTick(); });
  MetadataTimer = MakeTimer(50, [this] { MetadataTick(); });
}

TAVConvRadioPlayer::~TAVConvRadioPlayer() {
  // The output thread fires OnOutputLine; it must be gone before the
  // events are cleared.
  if (OutputThread) {
    OutputThread->Terminate();
    OutputThread->WaitFor();
  }
  Shutdown();
  PrebufferTimer->SetEnabled(false);
  ProcessWatchTimer->SetEnabled(false);
  ReaderTimer->SetEnabled(false);
  MetadataTimer->SetEnabled(false);
}

std::vector<std::string> TAVConvRadioPlayer::DecoderParameters(const std::string& address,
                                                               const std::string& pipeName) const {
  std::vector<std::string> params = {"-i", address, "-y", "-v", "info", "-ac", "2", "-ab", "128k",
                                     "-ar", "44100", "-f", "s16le"};
  params.insert(params.end(), ExtraArguments.begin(), ExtraArguments.end());
  params.push_back(pipeName);
  return params;
}

bool TAVConvRadioPlayer::Play() {
  bool handled = false;
  bool result = CheckPlay(handled);
  if (handled) return result;
  // The owner's Play starts afresh; only the restarts after an ended
  // decoder count against Attempts, so one station's failures do not use
  // up the next station's restarts.
  if (!FRestarting) RetryCount = 0;
  LastError = PLAYER_ERROR_NONE;
  ActiveNow = ActivePrev = 0;
  FReceivedBytes = 0;
  FBufferPercent = 0;
  {
    std::lock_guard<std::mutex> guard(FInfoLock);
    FStreamInfo.clear();
    FTitle.clear();
  }
  State = psConnecting;
  Fire(OnConnecting);
  if (State != psConnecting) return true;
  auto worker = std::make_unique<TParserThread>();
  worker->Address = Address;
  worker->Resolvers = Resolvers;
  StartWorker(std::move(worker));
  return true;
}

void TAVConvRadioPlayer::CollectWorker(TWorkerThread* finished) {
  auto* worker = static_cast<TParserThread*>(finished);
  // From now on the player keeps the resolved address; a restart decodes
  // it again without another lookup's surprises.
  Address = worker->ResolvedAddress;
  ReapThread(worker);
  StartDecoder();
}

void TAVConvRadioPlayer::StartDecoder() {
  FReceivedBytes = 0;
  if (!PipeServer) {
    PipeServer = std::make_unique<TPipeServer>();
    PipeServer->BufferSize = 131072;
    PipeServer->DefaultTimeout = 60000;
  }
  if (!Process) {
    Process = std::make_unique<TProcess>();
    Process->SetOptions({poUsePipes, poStderrToOutPut});
    Process->SetShowWindow(swoHIDE);
  }
  std::string pipeName = TPipeServer::MakePipeName(RandomPipeNumber());
  try {
    PipeServer->SetName(pipeName);
    PipeServer->Open();
  } catch (const EIPCError&) {
    FailStart(PLAYER_ERROR_PIPE);
    return;
  }
  Process->SetExecutable(FfmpegPath);
  Process->Parameters() = DecoderParameters(Address, pipeName);
  try {
    Process->Execute();
  } catch (const EProcess&) {
    FailStart(PLAYER_ERROR_DECODER_START);
    return;
  }
  OutputThread = std::make_unique<TPipeThread>();
  OutputThread->Source = Process->Output();
  OutputThread->OnLine = [this](TPipeThread* sender, const std::string& line) { OutputLine(sender, line); };
  OutputThread->Start();
  Channel = audio::StreamCreate(44100, 2, audio::STREAM_BLOCK | audio::STREAM_AUTOFREE, audio::STREAMPROC_PUSH,
                                nullptr);
  if (Channel == 0) {
    FailStart(audio::ErrorGetCode());
    return;
  }
  FCarry.clear();
  PrebufferBusy = false;
  PrebufferTimer->SetEnabled(true);
  ProcessWatchTimer->SetEnabled(true);
}

void TAVConvRadioPlayer::FailStart(int32_t error) {
  // Whatever this start made goes again; the attempt counts as failed.
  if (Process && Process->Running()) {
    Process->Terminate(0);
    Process->WaitOnExit();
  }
  if (OutputThread) {
    OutputThread->Terminate();
    OutputThread.reset();
  }
  PipeServer.reset();
  LastError = error == 0 ? PLAYER_ERROR_WORKER_FAILED : error;
  State = psStopped;
  Fire(OnError);
}

bool TAVConvRadioPlayer::DecoderRunning() { return Process && Process->Running(); }

long TAVConvRadioPlayer::Pump() {
  if (!PipeServer || Channel == 0 || !PipeServer->HasData()) return 0;
  audio::DWORD queued = audio::StreamPutData(Channel, nullptr, 0);
  if (queued != static_cast<audio::DWORD>(-1) && queued >= QueueLimitBytes()) return 0;
  // A read may end inside a sample frame; the part frame waits for the
  // next read so that the channels never swap.
  std::size_t carried = FCarry.size();
  FReadBuffer.resize(carried + kPumpBytes);
  if (carried) std::memcpy(FReadBuffer.data(), FCarry.data(), carried);
  long n = PipeServer->Read(FReadBuffer.data() + carried, kPumpBytes);
  if (n <= 0) return 0;
  std::size_t total = carried + static_cast<std::size_t>(n);
  std::size_t whole = total - total % kFrameBytes;
  FCarry.assign(FReadBuffer.begin() + static_cast<std::ptrdiff_t>(whole),
                FReadBuffer.begin() + static_cast<std::ptrdiff_t>(total));
  if (whole == 0) return 0;
  if (audio::StreamPutData(Channel, FReadBuffer.data(), static_cast<audio::DWORD>(whole)) ==
      static_cast<audio::DWORD>(-1))
    return 0;
  return static_cast<long>(whole);
}

uint64_t TAVConvRadioPlayer::QueueLimitBytes() const {
  return std::max<uint64_t>(kMaxQueuedBytes,
                            static_cast<uint64_t>(std::max<int64_t>(PrebufferBytes, 0)) + kBytesPerSecond);
}

void TAVConvRadioPlayer::PrebufferTick() {
  if (Channel == 0) return;
  State = psBuffering;
  if (PrebufferBusy) return;
  PrebufferBusy = true;
  int32_t percent = 100;
  if (PrebufferBytes > 0) {
    double exact = static_cast<double>(FReceivedBytes) * 100.0 / static_cast<double>(PrebufferBytes);
    percent = exact >= 100.0 ? 100 : static_cast<int32_t>(std::lround(exact));
  }
  if (percent != FBufferPercent) {
    FBufferPercent = percent;
    if (OnBuffering) OnBuffering(this, percent);
    // A handler that stopped the player ended the buffering.
    if (Channel == 0 || State != psBuffering) return;
  }
  if (static_cast<int64_t>(FReceivedBytes) < PrebufferBytes) {
    long moved = Pump();
    FReceivedBytes += static_cast<uint64_t>(moved);
    // A decoder that ended before the threshold (a short clip) plays what
    // it gave instead of buffering for ever.
    bool ended = moved == 0 && FReceivedBytes > 0 && !DecoderRunning() && !PipeServer->HasData();
    if (!ended) {
      PrebufferBusy = false;
      return;
    }
  }
  PrebufferTimer->SetEnabled(false);
  StartPlayback();
  if (State == psPlaying) RetryCount = 0;
  if (Channel == 0) return;
  // A title the decoder printed while opening is told now that it plays.
  if (!GetMetaTag().empty()) MetadataTimer->SetEnabled(true);
  ReaderBusy = false;
  ReaderTimer->SetEnabled(true);
}

void TAVConvRadioPlayer::ReaderTick() {
  if (Channel == 0 || ReaderBusy) return;
  ReaderBusy = true;
  FReceivedBytes += static_cast<uint64_t>(Pump());
  ReaderBusy = false;
}

void TAVConvRadioPlayer::ChannelPlaying() {
  RetryCount = 0;
  TBaseRadioPlayer::ChannelPlaying();
}

void TAVConvRadioPlayer::ChannelStalled() {
  if (DecoderRunning())
    TBaseRadioPlayer::ChannelStalled();
  else
    // The decoder has ended and its last PCM has played: a normal end.
    Stop();
}

void TAVConvRadioPlayer::ProcessWatchTick() {
  if (!Process || Process->Running()) return;
  ProcessWatchTimer->SetEnabled(false);
  if (OutputThread) OutputThread->Terminate();
  // PCM still queued (or still in the pipe): the status poll ends the
  // playback when it runs dry.
  if (GetStreamPosition() < static_cast<int64_t>(FReceivedBytes) || (PipeServer && PipeServer->HasData())) return;
  LastError = PLAYER_ERROR_DECODER_ENDED;
  State = psStopped;
  Fire(OnError);
  Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(RestartDelayMs));
  ++RetryCount;
  if (RetryCount < Attempts) {
    FRestarting = true;
    Play();
    FRestarting = false;
  }
}

void TAVConvRadioPlayer::Stop() {
  if (State == psConnecting && Channel == 0 && !PipeServer) {
    StopConnecting();
    return;
  }
  PrebufferBusy = true;
  PrebufferTimer->SetEnabled(false);
  ReaderBusy = true;
  ReaderTimer->SetEnabled(false);
  ProcessWatchTimer->SetEnabled(false);
  MetadataTimer->SetEnabled(false);
  if (Process && Process->Running()) {
    Process->Terminate(0);
    Process->WaitOnExit();
  }
  if (PipeServer) {
    PipeServer->Close();
    PipeServer.reset();
  }
  FCarry.clear();
  if (Channel != 0) {
    StatusTimer->SetEnabled(false);
    StopStream();
  } else if (State != psStopped) {
    State = psStopped;
  }
  if (OutputThread) {
    OutputThread->Terminate();
    OutputThread.reset();
  }
}

void TAVConvRadioPlayer::OutputLine(TPipeThread*, const std::string& line) {
  if (line.find("Stream #0") != std::string::npos) {
    std::lock_guard<std::mutex> guard(FInfoLock);
    // The first audio stream described wins; later lines (the output side,
    // the stream mapping) describe our own PCM.
    if (FStreamInfo.empty()) FStreamInfo = StreamInfoFromLine(line);
  } else {
    std::string title;
    if (TitleFromLine(line, title)) {
      std::lock_guard<std::mutex> guard(FInfoLock);
      // ffmpeg repeats the metadata block when a stream is re-described;
      // only a new title is an event.
      if (title != FTitle) {
        FTitle = title;
        MetadataTimer->SetEnabled(true);
      }
    }
  }
  if (OnOutputLine) OnOutputLine(this, line);
}

std::string TAVConvRadioPlayer::StreamInfoFromLine(const std::string& line) {
  std::size_t stream = line.find("Stream #0");
  if (stream == std::string::npos) return {};
  std::string rest = line.substr(stream + 9);
  std::size_t audio = rest.find("Audio:");
  if (audio == std::string::npos) return {};
  return Trim(rest.substr(audio + 6));
}

bool TAVConvRadioPlayer::TitleFromLine(const std::string& line, std::string& title) {
  // ffmpeg lists metadata as "key" padded with blanks, ":" and the value,
  // so "StreamTitle:" and "StreamTitle     :" both occur.
  std::size_t key = line.find("StreamTitle");
  if (key == std::string::npos) return false;
  std::size_t colon = key + 11;
  while (colon < line.size() && line[colon] == ' ') ++colon;
  if (colon >= line.size() || line[colon] != ':') return false;
  title = Trim(line.substr(colon + 1));
  return true;
}

std::string TAVConvRadioPlayer::CodecFromInfo(const std::string& info) {
  std::vector<std::string> fields = InfoFields(info);
  if (fields.empty()) return {};
  std::size_t blank = fields[0].find(' ');
  return blank == std::string::npos ? fields[0] : fields[0].substr(0, blank);
}

int32_t TAVConvRadioPlayer::SampleRateFromInfo(const std::string& info) {
  std::vector<std::string> fields = InfoFields(info);
  if (fields.size() < 2) return -1;
  return IntOrMinusOne(BeforeBlank(fields[1]));
}

bool TAVConvRadioPlayer::StereoFromInfo(const std::string& info) {
  std::vector<std::string> fields = InfoFields(info);
  if (fields.size() < 3) return false;
  return fields[2] == "stereo" || fields[2] == "2 channels";
}

int32_t TAVConvRadioPlayer::BitrateFromInfo(const std::string& info) {
  std::vector<std::string> fields = InfoFields(info);
  if (fields.size() < 5) return -1;
  return IntOrMinusOne(BeforeBlank(fields[4]));
}

std::string TAVConvRadioPlayer::StreamInfo() const {
  std::lock_guard<std::mutex> guard(FInfoLock);
  return FStreamInfo;
}

void TAVConvRadioPlayer::MetadataTick() {
  MetadataTimer->SetEnabled(false);
  // Before playback the title waits for the start (see PrebufferTick):
  // the channel exists while the pre-buffer fills, so its state decides.
  if (Channel == 0 || State == psConnecting || State == psBuffering) return;
  if (OnMetadata) OnMetadata(this, GetMetaTag());
}

std::string TAVConvRadioPlayer::GetMetaTag() {
  std::lock_guard<std::mutex> guard(FInfoLock);
  return FTitle.empty() ? std::string() : "StreamTitle='" + FTitle + "';";
}

std::string TAVConvRadioPlayer::GetTitle() {
  std::lock_guard<std::mutex> guard(FInfoLock);
  return FTitle;
}

std::string TAVConvRadioPlayer::GetCodecName() { return CodecFromInfo(StreamInfo()); }
int32_t TAVConvRadioPlayer::GetSampleRate() { return SampleRateFromInfo(StreamInfo()); }
bool TAVConvRadioPlayer::IsStereo() { return StereoFromInfo(StreamInfo()); }
int32_t TAVConvRadioPlayer::GetBitrate() { return BitrateFromInfo(StreamInfo()); }

int64_t TAVConvRadioPlayer::GetStreamPosition() {
  if (Channel == 0) return 0;
  audio::QWORD position = audio::ChannelGetPosition(Channel, audio::POS_DECODE);
  return position == static_cast<audio::QWORD>(-1) ? 0 : static_cast<int64_t>(position);
}
