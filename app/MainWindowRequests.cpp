// The requests of the message protocol. Every copy into a caller's buffer
// is bounded and skipped for a null buffer; texts taken from a caller are
// read only up to their stated limit.
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/Globals.h"
#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Options.h"
#include "app/RecordingName.h"
#include "engine/AVConvRadioPlayer.h"
#include "engine/BassRadioPlayer.h"
#include "engine/Recorder.h"
#include "platform/Folders.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"

namespace app {

using namespace core;

namespace {

std::u16string ReadWide(LPARAM pointer, int limit) {
  std::u16string out;
  auto* text = reinterpret_cast<const char16_t*>(pointer);
  if (!text) return out;
  for (int i = 0; i < limit && text[i]; ++i) out += text[i];
  return out;
}

// At most `limit` units and a zero; a surrogate pair is never split.
LRESULT CopyWide(LPARAM buffer, const std::u16string& text, size_t limit = ProtocolTextLimit) {
  auto* out = reinterpret_cast<char16_t*>(buffer);
  if (!out) return 0;
  size_t n = std::min(text.size(), limit);
  if (n > 0 && n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
  std::memcpy(out, text.data(), n * sizeof(char16_t));
  out[n] = 0;
  return static_cast<LRESULT>(n);
}

// A byte buffer of `size` bytes: at most size - 1 bytes and a zero, never
// ending inside a UTF-8 sequence.
LRESULT CopyBytes(WPARAM size, LPARAM buffer, const std::string& text) {
  auto* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0) return 0;
  size_t n = std::min<size_t>(text.size(), size - 1);
  if (n < text.size())
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(out, text.data(), n);
  out[n] = 0;
  return static_cast<LRESULT>(n);
}

}  // namespace

bool TMainWindow::HandleRequest(TMessage& m) {
  switch (m.Msg) {
    case WM_QUERYENDSESSION: m.Result = 1; return true;
    case WM_ENDSESSION:
      if (m.WParam != 0 && FCurrentPlayer) FCurrentPlayer->Stop();
      return true;
    case WM_COPYDATA:
    case WM_HOTKEY:
    case 37784:
    case 37982:
    case 37983:
    case 37990:
    case 38009:
    case 38039:
      m.Result = 0;
      return true;
    case WM_GETICON: m.Result = Desktop ? Desktop->WindowIcon() : 0; return true;
    case WM_COMMAND:
      if (m.WParam == CM_CLOSE_CONTROLLER) Close();
      m.Result = 0;
      return true;
    case UM_ACTIVATE:
      if (HWND player = PlayerWindowHandle()) {
        SendMessage(player, WM_NULL);
        SendMessage(player, UM_ACTIVATE);
      }
      return true;
    case UM_VERSION_DONE:
      if (FUpdateCheck) FUpdateCheck->VersionDone();
      return true;
    case UM_WIDGET_DONE:
      if (FUpdateCheck) FUpdateCheck->WidgetDone();
      return true;
    case UM_BANNER_DONE:
      if (FUpdateCheck) FUpdateCheck->BannerDone();
      return true;
    case UM_SITECOUNT_DONE:
      if (FUpdateCheck) FUpdateCheck->SiteCountDone();
      return true;
    case UM_GET_STRING: m.Result = CopyWide(m.LParam, res::LoadStr(static_cast<int>(m.WParam))); return true;
    case UM_GET_ERROR_TEXT: m.Result = CopyWide(m.LParam, res::LoadStr(IDS_CONNECT_FAILED)); return true;
    case UM_SET_TRAY_HINT:
      if (Desktop) Desktop->SetTrayHint(ReadWide(m.LParam, ProtocolTextLimit));
      return true;
    case UM_REGISTER_CLIENT:
      FClientWindow = static_cast<HWND>(m.LParam);
      DeliverFiles();
      return true;
    case UM_PLAYER_META:
      m.Result = RelayMeta(m.WParam, m.LParam);
      return true;
    case UM_OPEN_OPTIONS:
      m.Result = m.WParam == 3 && ShowOptions ? ShowOptions(static_cast<HWND>(m.LParam), 0) : 0;
      return true;
    case UM_SHOW_OPTIONS:
      m.Result = 0;
      if (ShowOptions && IsWindow(static_cast<HWND>(m.WParam))) {
        m.Result = ShowOptions(static_cast<HWND>(m.WParam), static_cast<int>(m.LParam));
        if (m.Result == 1 && Globals().Application) Globals().Application->SetIconId(FOptions.ReadInt(oiIcon));
      }
      return true;
    case UM_SET_MESSENGER: return true;
    case UM_SET_PROXY:
      FProxy = m.LParam ? enc::Utf16ToUtf8(ReadWide(m.LParam, ProtocolTextLimit)) : std::string();
      audio::SetConfigPtr(audio::CONFIG_NET_PROXY, FProxy.c_str());
      return true;
    case UM_BEEP: DoBeep(); return true;
    case UM_SET_CAPTION:
      FStationName = ReadWide(static_cast<LPARAM>(m.WParam), StationTextLimit);
      SetPlayerCaption(u"QOR - " + FStationName);
      return true;
    default:
      return HandlePlayerRequest(m) || HandleRecorderRequest(m);
  }
}

bool TMainWindow::HandlePlayerRequest(TMessage& m) {
  TBaseRadioPlayer* p = FCurrentPlayer;
  switch (m.Msg) {
    case UM_PLAY:
      Play(reinterpret_cast<const char16_t*>(m.WParam), reinterpret_cast<const char16_t*>(m.LParam));
      return true;
    case UM_STOP: Stop(); return true;
    case UM_SET_VOLUME:
      FMute = 0;
      Notify(PE_MUTE, 0);
      SetVolume(static_cast<int>(static_cast<std::int32_t>(m.WParam)));
      return true;
    case UM_GET_VOLUME: m.Result = FVolume; return true;
    case UM_GET_MUTE: m.Result = FMute; return true;
    case UM_SET_MUTE: SetMute(static_cast<std::uint8_t>(m.WParam)); return true;
    default: break;
  }
  if (!p) return false;
  switch (m.Msg) {
    case UM_GET_SPECTRUM:
      if (m.LParam != 0 && p->Channel && audio::ChannelIsActive(p->Channel) == audio::ACTIVE_PLAYING)
        m.Result = static_cast<LRESULT>(
            audio::ChannelGetData(p->Channel, reinterpret_cast<void*>(m.LParam), static_cast<audio::DWORD>(m.WParam)));
      return true;
    case UM_SET_EQUALIZER:
      if (m.WParam) p->EnableEqualizer();
      else p->DisableEqualizer();
      return true;
    case UM_GET_EQ_BAND:
      if (m.WParam < static_cast<WPARAM>(TEqualizer::BandCount))
        m.Result = std::lround(p->Equalizer->GetBandGain(static_cast<unsigned>(m.WParam)));
      return true;
    case UM_SET_EQ_BAND:
      if (m.WParam < static_cast<WPARAM>(TEqualizer::BandCount))
        p->Equalizer->SetBandGain(static_cast<unsigned>(m.WParam), static_cast<float>(static_cast<std::int32_t>(m.LParam)));
      return true;
    case UM_GET_PLAY_STATE: m.Result = p->State; return true;
    case UM_GET_RESULT: m.Result = p->LastError; return true;
    case UM_GET_CHANNEL: m.Result = static_cast<LRESULT>(p->Channel); return true;
    case UM_GET_META: m.Result = CopyBytes(m.WParam, m.LParam, p->GetMetaTag()); return true;
    case UM_GET_TYPE: m.Result = static_cast<LRESULT>(p->GetChannelType()); return true;
    case UM_GET_SAMPLE_RATE: m.Result = p->GetSampleRate(); return true;
    case UM_GET_BUFFER_PERCENT: m.Result = p->BufferFillPercent(); return true;
    case UM_GET_TAGS:
      FTags = p->GetHeaderTags();
      m.Result = reinterpret_cast<LRESULT>(FTags.c_str());
      return true;
    case UM_GET_STEREO: m.Result = p->IsStereo() ? 1 : 0; return true;
    case UM_GET_BITRATE: {
      int32_t bitrate = p->GetBitrate();
      m.Result = bitrate < 0 ? 32 : bitrate;
      return true;
    }
    case UM_GET_CODEC: m.Result = CopyBytes(m.WParam, m.LParam, p->GetCodecName()); return true;
    case UM_GET_BUFFER: m.Result = p->NetBuffer; return true;
    case UM_SET_BUFFER: p->SetNetBuffer(static_cast<int32_t>(m.LParam)); return true;
    case UM_GET_TIMEOUT: m.Result = p->NetTimeout; return true;
    case UM_SET_TIMEOUT: p->SetNetTimeout(static_cast<int32_t>(m.LParam)); return true;
    case UM_GET_ATTEMPTS: m.Result = p->Attempts; return true;
    case UM_SET_ATTEMPTS: p->Attempts = static_cast<int32_t>(m.LParam); return true;
    default: return false;
  }
}

bool TMainWindow::HandleRecorderRequest(TMessage& m) {
  if (!FRecorder) {
    switch (m.Msg) {
      case UM_GET_RECORDER_STATE: m.Result = rsIdle; return true;
      case UM_START_RECORDING: m.Result = 1; return true;
      case UM_STOP_RECORDING:
      case UM_PAUSE_RECORDING:
      case UM_GET_RECORDED_SIZE:
      case UM_CANCEL_RECORDING: return true;
      case UM_RECORDING_FAILED: return true;
      case UM_GET_RECORDING_FILE:
      case UM_GET_RECORDING_ERROR: m.Result = CopyWide(m.LParam, u""); return true;
      default: return false;
    }
  }
  switch (m.Msg) {
    case UM_GET_RECORDER_STATE: m.Result = FRecorder->State.load(); return true;
    case UM_START_RECORDING: m.Result = StartRecording(); return true;
    case UM_STOP_RECORDING: StopRecording(); return true;
    case UM_RECORDING_FAILED: RecordingFailed(); return true;
    case UM_GET_RECORDING_ERROR: m.Result = CopyWide(m.LParam, enc::Utf8ToUtf16(FRecorder->FailureText())); return true;
    case UM_PAUSE_RECORDING:
      if (m.WParam) FRecorder->Pause();
      else FRecorder->Resume();
      // A raw recording cannot pause, nor one that is not running: the
      // window must not show a pause while the file goes on growing.
      m.Result = FRecorder->State == rsRecording && FRecorder->Paused == (m.WParam != 0) ? 0 : 1;
      return true;
    case UM_GET_RECORDED_SIZE:
      m.Result = static_cast<LRESULT>(static_cast<std::uint32_t>(FRecorder->RecordedSize() & 0xFFFFFFFF));
      return true;
    case UM_CANCEL_RECORDING: {
      // Only a running recording is thrown away: once it stopped, its
      // file is a finished recording the user kept, and after a start
      // that failed the name may be another's file.
      const bool recording = FRecorder->State == rsRecording;
      StopRecording();
      std::error_code ec;
      if (recording && !FRecorder->FileName.empty())
        std::filesystem::remove(enc::WideToFileName(FRecorder->FileName), ec);
      return true;
    }
    case UM_GET_RECORDING_FILE: m.Result = CopyWide(m.LParam, FRecorder->FileName); return true;
    default: return false;
  }
}

void TMainWindow::StopRecording() {
  if (FRecorderCheckTimer) FRecorderCheckTimer->SetEnabled(false);
  FRecorder->Stop();
}

void TMainWindow::RecordingFailed() {
  // Posted by the recorder; a recording stopped or restarted meanwhile is
  // not the one that failed.
  const int failure = FRecorder->Failure();
  if (failure == 0 || FRecorder->State != rsRecording) return;
  StopRecording();
  if (IsWindow(FClientWindow))
    SendMessage(FClientWindow, UM_RECORDING_FAILED, static_cast<WPARAM>(static_cast<intptr_t>(failure)), 0);
}

LRESULT TMainWindow::StartRecording() {
  TBaseRadioPlayer* p = FCurrentPlayer;
  if (!p || !FRecorder || p->Channel == 0 || p->State != psPlaying) return 1;

  std::u16string folder = FOptions.ReadStr(osFolder);
  if (folder.empty()) folder = FOptions.DesktopFolder();
  std::string folder8 = enc::WideToFileName(folder);
  std::error_code ec;
  platform::ForceDirectories(folder8);
  if (folder8.empty() || !std::filesystem::is_directory(folder8, ec)) {
    DoBeep();
    return 1;
  }

  bool convert = FOptions.ReadBool(obEncoder);
  int format = DefaultFormatIndex;
  std::u16string extension;
  if (!convert) {
    audio::DWORD type = p->GetChannelType();
    if (type == audio::CTYPE_STREAM_AAC) extension = u".aac";
    else if (type == audio::CTYPE_STREAM_MP3) extension = u".mp3";
    else convert = true;
  }
  if (convert) {
    format = FOptions.ReadInt(oiFormat);
    if (format < 0 || format > MaxFormatIndex) format = DefaultFormatIndex;
    extension = TRecorder::Extension(format);
  }

  std::u16string title;
  if (FOptions.ReadBool(obUseTitle)) title = StreamTitle(p->GetMetaTag(), p->GetHeaderTags());
  std::u16string fileName =
      RecordingFileName(folder, extension, FOptions.ReadBool(obUsePlayName), FStationName, title);
  if (fileName.empty()) return 1;

  // A second start while recording ends the first recording cleanly.
  if (FRecorder->State == rsRecording) StopRecording();
  FRecorder->EncodeMode = convert;
  FRecorder->RawAac = !convert && extension == u".aac";
  if (convert) FRecorder->Codec = enc::Utf16ToUtf8(TRecorder::Format(format).Encoder);
  FRecorder->FileName = fileName;
  FRecorder->SourceChannel = p->Channel;
  int bitrate = FOptions.ReadInt(oiBitrate);
  FRecorder->BitrateIndex = bitrate < 0 || bitrate > MaxBitrateIndex ? DefaultBitrateIndex : bitrate;
  int frequency = FOptions.ReadInt(oiFrequency);
  FRecorder->SampleRateIndex = frequency < 0 || frequency > MaxFrequencyIndex ? DefaultFrequencyIndex : frequency;
  // Opus knows only a few rates; the options dialog forces 48000 for it,
  // and a stored choice that Opus cannot encode would fail every recording.
  if (convert && FRecorder->Codec == "libopus") {
    int32_t rate = TRecorder::SampleRate(FRecorder->SampleRateIndex);
    if (rate != 8000 && rate != 12000 && rate != 16000 && rate != 24000 && rate != 48000)
      FRecorder->SampleRateIndex = TRecorder::SampleRateCount - 1;
  }
  // The name was free a moment ago; another recording (of another
  // instance) that took it since makes the recorder refuse it, and the
  // next free name is taken.
  for (int tries = 0;; ++tries) {
    try {
      const LRESULT result = FRecorder->Start();
      if (result == REC_START_OK && convert) FRecorderCheckTimer->SetEnabled(true);
      return result;
    } catch (const std::system_error& e) {
      if (e.code() != std::errc::file_exists || tries >= 16) return 1;
    } catch (const std::exception&) {
      // A file that cannot be created: refused like any other failure.
      return 1;
    }
    fileName = RecordingFileName(folder, extension, FOptions.ReadBool(obUsePlayName), FStationName, title);
    if (fileName.empty()) return 1;
    FRecorder->FileName = fileName;
  }
}

}  // namespace app
