// Playback through the controller, and what the window shows of it: the
// player events, the title, the marquee, its hint, the tray hint and the
// messenger text.
#include "app/Messages.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerTexts.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

// Every text answer gets a zero-filled buffer one longer than the limit.
std::u16string WideAnswer(HWND controller, UINT msg, WPARAM w = 0) {
  char16_t buffer[ProtocolTextLimit + 1] = {};
  SendMessage(controller, msg, w, reinterpret_cast<LPARAM>(buffer));
  return std::u16string(buffer);
}

std::string ByteAnswer(HWND controller, UINT msg) {
  char buffer[ProtocolTextLimit + 1] = {};
  SendMessage(controller, msg, ProtocolTextLimit, reinterpret_cast<LPARAM>(buffer));
  return std::string(buffer);
}

}  // namespace

LRESULT TPlayerWindow::Send(UINT msg, WPARAM w, LPARAM l) const {
  // A missing controller simply answers 0: not playing, recorder idle.
  return IsWindow(FConfig.Controller) ? SendMessage(FConfig.Controller, msg, w, l) : 0;
}

bool TPlayerWindow::IsPlaying() const { return Send(UM_GET_PLAY_STATE) != 0; }

bool TPlayerWindow::Recording() const { return Send(UM_GET_RECORDER_STATE) == 7; }

bool TPlayerWindow::WarnIfRecording() {
  FRecorderState = static_cast<int>(Send(UM_GET_RECORDER_STATE));
  if (FRecorderState != 7) return false;
  ++FRecordingWarnings;
  if (FInfoBoxOpen) {
    Backend().Beep();
    return true;
  }
  FInfoBoxOpen = true;
  std::shared_ptr<bool> alive = FAlive;
  if (ShowInfoBox) ShowInfoBox(LoadString(329), LoadString(res::IDS_APP_TITLE));
  // The box runs its own loop, in which the program may have closed.
  if (*alive) FInfoBoxOpen = false;
  return true;
}

void TPlayerWindow::StopPlayback() {
  if (WarnIfRecording()) return;
  FWasPlaying = false;
  if (IsPlaying()) {
    Send(UM_STOP);
  } else {
    Send(UM_PLAY, reinterpret_cast<WPARAM>(FCurrentName.c_str()), reinterpret_cast<LPARAM>(FCurrentUrl.c_str()));
  }
}

void TPlayerWindow::ToggleRecording() {
  const bool wasRecording = Recording();
  FRecording->Toggle();
  // A recording started from the tray or a hotkey wants its panel seen:
  // a hibernating window wakes for it.
  if (!wasRecording && Recording() && Hibernating()) ToggleHibernate(false);
}

void TPlayerWindow::SetMarquee(const std::u16string& text, bool restart) {
  if (HoldMarquee(text, restart)) return;
  FMarqueeText = text;
  if (FMarquee->Caption() != text) FMarquee->SetCaption(text);
  if (restart) FMarquee->Reset(0);
  Invalidate();
}

void TPlayerWindow::UpdatePlayButton() {
  bool playing = IsPlaying();
  FPlayButton->SetImage(playing ? 2002 : 2001);
  FPlayButton->SetHint(LoadString(playing ? 308 : 307));
}

void TPlayerWindow::ShowThrobber(bool show) {
  FThrobber->SetVisible(show);
  if (FVisualization) FVisualization->SetVisible(!show);
}

void TPlayerWindow::ReadTitle() {
  std::string meta = ByteAnswer(FConfig.Controller, UM_GET_META);
  std::string tags;
  if (meta.find("StreamTitle=") == std::string::npos) {
    // The controller keeps the text alive until its next request.
    if (auto* text = reinterpret_cast<const char*>(Send(UM_GET_TAGS))) tags.assign(text, strnlen(text, 1 << 16));
  }
  FTitle = ExtractTitle(meta, tags);
}

void TPlayerWindow::RebuildHint() {
  TStreamFacts facts;
  if (IsPlaying()) {
    facts.Bitrate = static_cast<int>(Send(UM_GET_BITRATE));
    facts.SampleRate = static_cast<int>(Send(UM_GET_SAMPLE_RATE));
    facts.Codec = ByteAnswer(FConfig.Controller, UM_GET_CODEC);
    facts.Stereo = Send(UM_GET_STEREO) != 0;
  }
  FMarqueeHintText = ui::MarqueeHint(FCurrentName, FTitle, facts);
  FMarquee->SetHint(FMarqueeHintText);
  FHintStale = false;
}

void TPlayerWindow::RebuildHintWhenSeen() {
  if (OnScreen()) RebuildHint();
  else FHintStale = true;
}

void TPlayerWindow::PublishTexts() {
  bool playing = IsPlaying();
  if (FMessenger) {
    std::u16string text = MessengerText(FTitle, FCurrentName);
    std::u16string title = LoadString(res::IDS_APP_TITLE);
    Send(UM_SET_MESSENGER, reinterpret_cast<WPARAM>(text.c_str()), reinterpret_cast<LPARAM>(title.c_str()));
  }
  std::u16string hint = TrayHint(LoadString(res::IDS_APP_TITLE), playing, FCurrentName, playing ? FTitle : u"");
  Send(UM_SET_TRAY_HINT, 0, reinterpret_cast<LPARAM>(hint.c_str()));
}

void TPlayerWindow::PlayerMeta() {
  ReadTitle();
  SetMarquee(DisplayText(FCurrentName, FTitle), true);
  RebuildHintWhenSeen();
  PublishTexts();
}

void TPlayerWindow::PlayerEvent(WPARAM code, LPARAM value) {
  if (code == PE_ERROR) FErrorShown = true;
  else if (code >= 1 && code <= 5) FErrorShown = false;  // a state of a started stream
  switch (code) {
    case 0:  // stopped
      ShowThrobber(false);
      FTitle.clear();
      if (!FErrorShown) SetMarquee(FCurrentName, true);
      UpdatePlayButton();
      // The recording ends with its stream; its file is kept.
      FRecording->PlayerStopped();
      PublishTexts();
      if (FPlayNext && FWasPlaying) ApplyPlayNext();
      break;
    case 1:  // playing
      ShowThrobber(false);
      FPlayButton->SetImage(2002);
      FPlayButton->SetHint(LoadString(308));
      ReadTitle();
      SetMarquee(DisplayText(FCurrentName, FTitle), true);
      RebuildHintWhenSeen();
      PublishTexts();
      FWasPlaying = true;
      FRecording->PlayerPlaying();
      break;
    case 2:  // stalled
    case 5:  // buffering
      ShowThrobber(true);
      FPlayButton->SetImage(2002);
      FPlayButton->SetHint(LoadString(308));
      SetMarquee(BufferingText(code == 5 ? static_cast<int>(value) : static_cast<int>(Send(UM_GET_BUFFER_PERCENT))),
                 false);
      break;
    case 3:  // paused
      ShowThrobber(false);
      SetMarquee(LoadString(303), false);
      break;
    case 4:  // connecting
      ShowThrobber(true);
      FPlayButton->SetImage(2002);
      FPlayButton->SetHint(LoadString(308));
      SetMarquee(ConnectingText(FCurrentName), true);
      break;
    case PE_MUTE:
      if (FVolumeControl->GetMuted() != (value ? 1 : 0)) FVolumeControl->SetMuted(value ? 1 : 0);
      break;
    case PE_ERROR: {
      ShowThrobber(false);
      SetMarquee(TrimText(WideAnswer(FConfig.Controller, UM_GET_ERROR_TEXT, static_cast<WPARAM>(value))), true);
      UpdatePlayButton();
      FNoticePanel->SetVisible(false);
      FMarqueeHintText.clear();
      FMarquee->SetHint(u"");
      FHintStale = false;
      FRecording->PlayerError();
      break;
    }
    default:
      break;
  }
  Invalidate();
}

void TPlayerWindow::ApplyPlayNext() {
  int playing = FFavourites->IndexOfId(FFavourites->ActiveId());
  auto* item = FFavourites->Item(playing);
  bool local = item && item->AddressKind == qor::akLocalFile;
  if (item && item->AddressKind == qor::akUnknown) local = item->Url.rfind("file:", 0) == 0;
  if (PlayNextIndex(playing, FFavourites->Count(), local, FPlayNext, FWasPlaying) >= 0) PlayNext();
}

}  // namespace ui
