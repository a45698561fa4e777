#include "ui/window/PlayerRecording.h"

#include <gtk/gtk.h>

#include <filesystem>

#include "app/Messages.h"
#include "platform/Folders.h"
#include "platform/ShowFile.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/window/PlayerRuns.h"
#include "ui/window/PlayerWindow.h"
#include "ui/window/DesktopBox.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

constexpr uint32_t RecordingTint = 0xFFFF0000, IdleTint = 0xFFFFFFFF, PausedTint = 0xFF00FFFF;
constexpr uint32_t NoticeBusyColour = 0xEF202020, NoticeFileColour = 0xFF0080C0;
constexpr uint32_t LabelColour = 0xDFFFFFFF;
// One clock step never counts more than this: a longer gap is time in
// which nothing could be recorded (the computer slept).
constexpr int64_t LongestClockStepMs = 5000;
constexpr int HandCursor = 13;

template <typename T>
T* Place(TControl* parent, int x, int y, int w, int h) {
  auto* control = new T(parent);
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  control->SetVisible(true);
  return control;
}

TLabelEx* PanelLabel(TControl* parent, int x, int y, int w, int h, int alignment, const std::u16string& hint) {
  auto* label = new TLabelEx(parent);
  label->SetAutoSize(false);
  label->SetParent(parent);
  label->SetBounds(x, y, w, h);
  label->SetAlignment(alignment);
  label->Font().SetName("Tahoma");
  label->Font().SetSize(8);
  label->Font().SetColor(LabelColour);
  label->Canvas().StringFormat().SetFormatFlags(StringFormatFlagsNoWrap);
  label->SetLineAlignment(StringAlignmentCenter);
  label->SetHint(hint);
  label->SetShowHint(true);
  label->SetVisible(true);
  return label;
}

void SetHintText(TControl* control, const std::u16string& hint) {
  control->SetHint(hint);
  control->SetShowHint(!hint.empty());
}

// The error box as the desktop shows it: above every window.
void DesktopErrorBox(const std::u16string& text, const std::u16string& caption) {
  DesktopMessageBox(GTK_MESSAGE_ERROR, text, caption);
}

}  // namespace

TPlayerRecording::TPlayerRecording(TPlayerWindow& window) : FWindow(window) {
  ShowErrorBox = Backend().IsOffscreen() ? std::function<void(const std::u16string&, const std::u16string&)>()
                                         : DesktopErrorBox;
  ShowFile = [](const std::string& path) { platform::ShowInFileManager(path); };
  OpenFile = [](const std::string& path) { platform::OpenWithDefaultApplication(path); };
  Build();
  WireNotice();
  FRuns = std::make_unique<TRecordingRuns>(window, *this);
}

TPlayerRecording::~TPlayerRecording() = default;

void TPlayerRecording::Build() {
  TImageEx* face = FWindow.FRecordingFace;
  const int w = face->Width();
  FElapsed = PanelLabel(face, 18, 20, 62, 20, StringAlignmentFar, res::LoadStr(319));
  FThrobber = Place<TPlayerThrobber>(face, 85, 20, 18, 18);
  FThrobber->SetImage(5003);
  FSize = PanelLabel(face, 107, 20, 56, 20, StringAlignmentNear, res::LoadStr(320));

  FStop = Place<TPlayerButton>(face, w - 85, 20, 16, 16);
  FStop->SetImage(2041);
  FStop->SetBounds(w - 85, 20, 16, 16);
  FStop->SetCursor(HandCursor);
  SetHintText(FStop, res::LoadStr(317));
  FStop->OnClick = [this](TObject*, UINT, int, int) { StopKeep(); };

  FPause = Place<TImageEx>(face, w - 60, 20, 16, 16);
  FPause->SetImageId(2043);
  FPause->SetCursor(HandCursor);
  SetHintText(FPause, res::LoadStr(358));
  FPause->OnClick = [this](TObject*, UINT, int, int) { TogglePause(); };

  FDiscard = Place<TPlayerButton>(face, w - 35, 21, 16, 16);
  FDiscard->SetImage(2042);
  FDiscard->SetBounds(w - 35, 21, 16, 16);
  FDiscard->SetCursor(HandCursor);
  SetHintText(FDiscard, res::LoadStr(318));
  FDiscard->OnClick = [this](TObject*, UINT, int, int) { Cancel(); };
  RefreshLabels();
}

void TPlayerRecording::WireNotice() {
  TImageEx* face = FWindow.FNoticeFace;
  for (int i = 0; i < face->ControlCount(); ++i)
    if (auto* image = dynamic_cast<TImageEx*>(face->Controls(i)); image && image->ImageId() == 2051)
      FNoticeIcon = image;
  TLabelEx* text = FWindow.FNoticeText;
  text->Canvas().StringFormat().SetTrimming(StringTrimmingEllipsisPath);
  text->OnMouseEnter = [this, text](TObject*) {
    if (FFileAvailable) text->Font().SetStyle(FontStyleUnderline);
    FWindow.InvalidateTree();
  };
  text->OnMouseLeave = [text, this](TObject*) {
    text->Font().SetStyle(FontStyleRegular);
    FWindow.InvalidateTree();
  };
  text->OnClick = [this](TObject*, UINT, int, int) {
    if (FFileAvailable && ShowFile) ShowFile(enc::WideToFileName(FLastRecordedFile));
  };
  if (FNoticeIcon)
    FNoticeIcon->OnClick = [this](TObject*, UINT, int, int) {
      std::string path = enc::WideToFileName(FLastRecordedFile);
      if (FFileAvailable && platform::FileExists(path) && OpenFile) OpenFile(path);
    };
}

std::u16string TPlayerRecording::WideAnswer(UINT msg) const {
  char16_t buffer[ProtocolTextLimit + 1] = {};
  FWindow.Send(msg, 0, reinterpret_cast<LPARAM>(buffer));
  return std::u16string(buffer);
}

int TPlayerRecording::PlayState() const { return static_cast<int>(FWindow.Send(UM_GET_PLAY_STATE)); }

int TPlayerRecording::RecorderState() const {
  FWindow.FRecorderState = static_cast<int>(FWindow.Send(UM_GET_RECORDER_STATE));
  return FWindow.FRecorderState;
}

void TPlayerRecording::Toggle() {
  if (RecorderState() == 6) Start();
  else StopKeep();
}

bool TPlayerRecording::Start() {
  if (PlayState() != 1) return false;
  FRecordingTitle.clear();
  if (RecorderState() != 6) return false;
  if (FWindow.Send(UM_START_RECORDING) != 0) {
    std::u16string text = res::LoadStr(328);
    std::u16string reason = WideAnswer(UM_GET_RECORDING_ERROR);
    if (!reason.empty()) text += u"\n\n" + reason;
    if (ShowErrorBox) ShowErrorBox(text, res::LoadStr(res::IDS_APP_TITLE));
    return false;
  }
  FRecordingTitle = FWindow.FTitle;
  FElapsedMs = 0;
  FRecordedSize = 0;
  FLastClockMs = Clock.Read().BootMs;
  FWindow.FRecordingTimer->SetEnabled(true);
  RefreshLabels();
  FWindow.FNoticePanel->SetVisible(false);
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (!FWindow.SlideFace(FWindow.FRecordingPanel, FWindow.FRecordingFace, 50, true) || !*alive) return false;
  FThrobber->SetPaused(false);
  FThrobber->SetVisible(true);
  RecorderState();
  FWindow.FRecordButton->SetTint(RecordingTint);
  FFileAvailable = false;
  FWindow.InvalidateTree();
  return true;
}

bool TPlayerRecording::ResetInterface() {
  FThrobber->SetPaused(true);
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (!FWindow.SlideFace(FWindow.FRecordingPanel, FWindow.FRecordingFace, 50, false) || !*alive) return false;
  RecorderState();
  FWindow.FRecordButton->SetTint(IdleTint);
  if (FWindow.FRecordingTimer) FWindow.FRecordingTimer->SetEnabled(false);
  FPaused = false;
  SetPauseLook(false);
  return true;
}

void TPlayerRecording::StopKeep() {
  if (RecorderState() != 7) return;
  if (FWindow.Send(UM_STOP_RECORDING) != 0) return;
  if (!ResetInterface()) return;
  ShowNotice();
}

void TPlayerRecording::ShowNotice() {
  TLabelEx* text = FWindow.FNoticeText;
  FFileAvailable = false;
  text->Font().SetColor(NoticeBusyColour);
  text->SetCaption(res::LoadStr(325));
  SetHintText(text, u"");
  text->SetCursor(-1);
  if (FNoticeIcon) {
    SetHintText(FNoticeIcon, u"");
    FNoticeIcon->SetCursor(-1);
  }
  std::u16string path = WideAnswer(UM_GET_RECORDING_FILE);
  // The notice lies below the display: the window takes its full height.
  FWindow.Layout();
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (!FWindow.SlideFace(FWindow.FNoticePanel, FWindow.FNoticeFace, -50, true) || !*alive) return;
  FFileAvailable = true;
  text->Font().SetColor(NoticeFileColour);
  text->SetCaption(enc::BytesToWide(std::filesystem::path(enc::WideToFileName(path)).filename().string()));
  SetHintText(text, res::LoadStr(326));
  text->SetCursor(HandCursor);
  if (FNoticeIcon) {
    SetHintText(FNoticeIcon, res::LoadStr(327));
    FNoticeIcon->SetCursor(HandCursor);
  }
  FLastRecordedFile = path;
  FWindow.InvalidateTree();
}

void TPlayerRecording::Cancel() {
  if (RecorderState() != 7) return;
  if (FWindow.Send(UM_CANCEL_RECORDING) != 0) return;
  ResetInterface();
}

void TPlayerRecording::SetPauseLook(bool paused) {
  FPause->SetTint(paused ? PausedTint : 0);
  SetHintText(FPause, res::LoadStr(paused ? 359 : 358));
}

void TPlayerRecording::TogglePause() {
  if (RecorderState() != 7) return;
  const bool pausing = !FPaused;
  // Refused (a raw recording cannot pause), nothing changes: the clock
  // counts on with the recording.
  if (FWindow.Send(UM_PAUSE_RECORDING, pausing ? 1 : 0) == 0) {
    FThrobber->SetPaused(pausing);
    if (!pausing) FLastClockMs = Clock.Read().BootMs;
    FWindow.FRecordingTimer->SetEnabled(!pausing);
    SetPauseLook(pausing);
    FPaused = pausing;
  }
  FWindow.InvalidateTree();
}

void TPlayerRecording::ClockTick() {
  // A tick queued before the pause counts nothing.
  if (FPaused) return;
  const int64_t now = Clock.Read().BootMs;
  const int64_t step = now - FLastClockMs;
  FLastClockMs = now;
  if (PlayState() == 1 && step > 0) FElapsedMs += std::min(step, LongestClockStepMs);
  RefreshLabels();
}

void TPlayerRecording::RefreshLabels() {
  FElapsed->SetCaption(ElapsedText(FElapsedMs));
  // A file only grows, and by far less than 4 GB between two looks: the
  // low 32 bits going back mean they went round once more (a night's
  // recording in WAV passes 4 GB).
  const auto low = static_cast<std::uint32_t>(FWindow.Send(UM_GET_RECORDED_SIZE));
  std::uint64_t size = (FRecordedSize & ~std::uint64_t{0xFFFFFFFF}) | low;
  if (size < FRecordedSize) size += std::uint64_t{1} << 32;
  FRecordedSize = size;
  FSize->SetCaption(SizeText(static_cast<int64_t>(size)));
  FWindow.InvalidateTree();
}

void TPlayerRecording::AnimationTick() {
  if (FThrobber->Visible() && !FThrobber->Paused() && FWindow.FRecordingPanel->Visible()) FThrobber->Advance();
}

void TPlayerRecording::PlayerStopped() { StopKeep(); }

void TPlayerRecording::PlayerPlaying() { FRuns->PlayerPlaying(); }

void TPlayerRecording::PlayerError() {
  if (FWindow.FRecordingTimer) FWindow.FRecordingTimer->SetEnabled(false);
  FWindow.FNoticePanel->SetVisible(false);
  FFileAvailable = false;
  // A recorder that ended with the stream leaves no panel behind.
  if (RecorderState() != 7 && FWindow.FRecordingPanel->Visible()) ResetInterface();
  FRuns->PlayerError();
}

void TPlayerRecording::Failed(WPARAM) {
  // The controller has stopped the recorder; what was written is kept.
  std::u16string reason = WideAnswer(UM_GET_RECORDING_ERROR);
  std::shared_ptr<bool> alive = FWindow.FAlive;
  if (!ResetInterface() || !*alive) return;
  ShowNotice();
  if (!*alive) return;
  std::u16string text = res::LoadStr(328);
  if (!reason.empty()) text += u"\n\n" + reason;
  if (ShowErrorBox) ShowErrorBox(text, res::LoadStr(res::IDS_APP_TITLE));
}

void TPlayerRecording::RunTimer(std::uintptr_t id) {
  if (id == tmSchedule) FRuns->ScheduleTick();
  else if (id == tmCommandRecording) FRuns->CommandTick();
}

}  // namespace ui
