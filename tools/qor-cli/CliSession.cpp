#include "CliSession.h"

#include <ostream>

#include "app/RecordingName.h"
#include "engine/RadioPlayer.h"
#include "support/Encoding.h"

namespace cli {

using namespace core;

TCliSession::TCliSession(app::TMainWindow& controller, const TArguments& args, TStationHit station,
                         TSessionState& state, std::ostream& events, std::ostream& out, std::ostream& err)
    : FController(controller), FArgs(args), FStation(std::move(station)), FState(state), FEvents(events),
      FOut(out), FErr(err) {}

TCliSession::~TCliSession() {
  FState.Session = 0;
  FTicker.reset();
  DestroyHandle();
}

LRESULT TCliSession::Send(UINT msg, WPARAM w, LPARAM l) { return SendMessage(FController.WindowHandle(), msg, w, l); }

void TCliSession::Line(const std::string& text) { FEvents << text << std::endl; }

void TCliSession::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_CREATE:
      TMessageWindow::WndProc(m);
      FState.Session = WindowHandle();
      PostMessage(WindowHandle(), CM_BEGIN);
      return;
    case CM_BEGIN: Begin(); return;
    case CM_INTERRUPT:
      Line("Durduruldu (interrupted).");
      Finish(0, {});
      return;
    case app::UM_PLAYER_EVENT: Event(m.WParam, m.LParam); return;
    case app::UM_RECORDING_FAILED: {
      const std::string reason = RecordingError();
      Line("Kayıt durdu (the recording stopped).");
      FRecording = false;  // the controller stopped it, keeping what was written
      Finish(1, "Kayıt yazılamadı (the recording could not be written): " + reason);
      return;
    }
    case app::UM_PLAYER_META:
      if (m.LParam) Title(app::StreamTitle(reinterpret_cast<const char*>(m.LParam), {}));
      return;
    case WM_CLOSE:
      // The controller closes us on its way out; the object is its to free.
      m.Result = 0;
      return;
    default: break;
  }
  TMessageWindow::WndProc(m);
}

void TCliSession::Begin() {
  Send(app::UM_REGISTER_CLIENT, 0, static_cast<LPARAM>(WindowHandle()));
  FTicker = std::make_unique<TTimer>();
  FTicker->SetInterval(200);
  FTicker->SetOnTimer([this](TObject*) { Tick(); });
  FSince = std::chrono::steady_clock::now();
  Line("İstasyon (station): " + enc::Utf16ToUtf8(FStation.Name) + " <" + FStation.Url + ">");
  std::u16string address = enc::Utf8ToUtf16(FStation.Url);
  Send(app::UM_STOP);
  Send(app::UM_PLAY, reinterpret_cast<WPARAM>(FStation.Name.c_str()), reinterpret_cast<LPARAM>(address.c_str()));
}

void TCliSession::Event(WPARAM code, LPARAM value) {
  if (FStopping) return;
  switch (code) {
    case psStopped:
      Line("Durdu (stopped).");
      // Asked to play for a while or until interrupted, an end is a failure.
      if (FPlayed)
        Finish(1, FArgs.Command == TCommand::Record
                      ? "Yayın kesildi, kayıt eksik kaldı (the stream ended before the recording time)."
                      : "Yayın sona erdi (the stream ended).");
      return;
    case psPlaying:
      FStalled = false;
      Line("Çalıyor (playing).");
      if (!FPlayed) {
        FPlayed = true;
        FSince = std::chrono::steady_clock::now();
        if (FArgs.Command == TCommand::Record) StartRecording();
      }
      return;
    case psStalled:
      // The player reports a stall on every poll while it lasts.
      if (!FStalled) Line("Takıldı (stalled).");
      FStalled = true;
      return;
    case psPaused: Line("Duraklatıldı (paused)."); return;
    case psConnecting: Line("Bağlanıyor (connecting)..."); return;
    case psBuffering:
      if (value != FLastBuffering) Line("Arabellek (buffering): " + std::to_string(value) + "%");
      FLastBuffering = static_cast<int>(value);
      return;
    case app::PE_MUTE: Line(value ? "Ses kapalı (muted)." : "Ses açık (unmuted)."); return;
    case app::PE_ERROR: {
      std::u16string text(app::ProtocolTextLimit + 1, u'\0');
      Send(app::UM_GET_ERROR_TEXT, 0, reinterpret_cast<LPARAM>(text.data()));
      int32_t error = static_cast<int32_t>(value);
      // The code stays the contract's; the cause is named when known.
      std::string cause;
      if (TBaseRadioPlayer* player = FController.CurrentPlayer()) cause = player->LastErrorDetail;
      if (cause.empty()) cause = PlayerErrorText(error);
      Finish(1, enc::Utf16ToUtf8(text.c_str()) + " (" + cause + ", " + std::to_string(error) + ")");
      return;
    }
    default: Line("Olay (event) " + std::to_string(code) + ": " + std::to_string(value)); return;
  }
}

void TCliSession::Title(const std::u16string& title) {
  if (title.empty() || title == FLastTitle) return;
  FLastTitle = title;
  Line("Başlık (title): " + enc::Utf16ToUtf8(title));
}

void TCliSession::StartRecording() {
  LRESULT result = Send(app::UM_START_RECORDING);
  if (result != 0) {
    const std::string reason = RecordingError();
    Finish(1, "Kayıt başlatılamadı (the recording could not start): " +
                  (reason.empty() ? std::string("the folder cannot be made or ffmpeg did not start") : reason));
    return;
  }
  FRecording = true;
  FSince = std::chrono::steady_clock::now();
  std::u16string file(app::ProtocolTextLimit + 1, u'\0');
  Send(app::UM_GET_RECORDING_FILE, 0, reinterpret_cast<LPARAM>(file.data()));
  FState.RecordingFile = file.c_str();
  Line("Kayıt başladı (recording): " + enc::Utf16ToUtf8(FState.RecordingFile));
}

std::string TCliSession::RecordingError() {
  std::u16string text(app::ProtocolTextLimit + 1, u'\0');
  Send(app::UM_GET_RECORDING_ERROR, 0, reinterpret_cast<LPARAM>(text.data()));
  return enc::Utf16ToUtf8(text.c_str());
}

void TCliSession::Tick() {
  if (FStopping) return;
  auto elapsed = std::chrono::steady_clock::now() - FSince;
  if (FArgs.Command == TCommand::Record && FRecording && elapsed >= std::chrono::seconds(FArgs.DurationSeconds))
    Finish(0, {});
  else if (FArgs.Command == TCommand::Play && FPlayed && FArgs.Seconds > 0 && elapsed >= std::chrono::seconds(FArgs.Seconds))
    Finish(0, {});
}

void TCliSession::Finish(int code, const std::string& reason) {
  if (FStopping) return;
  FStopping = true;
  if (FTicker) FTicker->SetEnabled(false);
  if (FRecording) {
    Send(app::UM_STOP_RECORDING);
    FRecording = false;
  }
  Send(app::UM_STOP);
  if (!reason.empty()) FErr << "qor-cli: " << reason << std::endl;
  if (FArgs.Command == TCommand::Record && !FState.RecordingFile.empty())
    FOut << enc::Utf16ToUtf8(FState.RecordingFile) << std::endl;
  FState.ExitCode = code;
  FState.Finished = true;
  PostMessage(FController.WindowHandle(), WM_CLOSE);
}

}  // namespace cli
