// The recording side of the player window: the record button's start and
// stop, the recording panel (elapsed clock, file size, throbber, stop,
// pause and discard buttons), the notice panel that announces the finished
// file, and the unattended runs (PlayerRuns.h) that start and stop
// recordings by themselves. The window owns one of these and hands it the
// timers, events and clicks that concern recording.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/Messages.h"
#include "ui/window/PlayerParts.h"
#include "ui/window/RunTiming.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"

namespace ui {

class TPlayerWindow;
class TRecordingRuns;

class TPlayerRecording {
 public:
  explicit TPlayerRecording(TPlayerWindow& window);
  ~TPlayerRecording();
  TPlayerRecording(const TPlayerRecording&) = delete;
  TPlayerRecording& operator=(const TPlayerRecording&) = delete;

  // --- operations ---
  // Record button, command 40007: starts when the recorder is idle,
  // otherwise stops and keeps the file.
  void Toggle();
  // Starts only while the stream plays; true when it records.
  bool Start();
  void StopKeep();
  // Stops and deletes the file.
  void Cancel();
  void TogglePause();

  // --- what the window hands on ---
  void ClockTick();      // timer 1008
  void AnimationTick();  // the window's 33 ms tick
  void PlayerStopped();
  void PlayerPlaying();
  void PlayerError();
  // The controller stopped a recording that could not write.
  void Failed(core::WPARAM cause);
  // The unattended-run timers 1012 and 1013.
  void RunTimer(std::uintptr_t id);

  TRecordingRuns& Runs() { return *FRuns; }

  // --- state ---
  bool Paused() const { return FPaused; }
  int64_t ElapsedMs() const { return FElapsedMs; }
  bool FileAvailable() const { return FFileAvailable; }
  const std::u16string& LastRecordedFile() const { return FLastRecordedFile; }
  const std::u16string& RecordingTitle() const { return FRecordingTitle; }
  widgets::TLabelEx* ElapsedLabel() const { return FElapsed; }
  widgets::TLabelEx* SizeLabel() const { return FSize; }
  TPlayerThrobber* Throbber() const { return FThrobber; }
  TPlayerButton* StopButton() const { return FStop; }
  widgets::TImageEx* PauseButton() const { return FPause; }
  TPlayerButton* DiscardButton() const { return FDiscard; }
  widgets::TImageEx* NoticeIcon() const { return FNoticeIcon; }

  // --- replaceable by tests ---
  // The error box of a recording that failed.
  std::function<void(const std::u16string& text, const std::u16string& caption)> ShowErrorBox;
  // Showing the finished file in the file manager, and opening it.
  std::function<void(const std::string& path)> ShowFile;
  std::function<void(const std::string& path)> OpenFile;
  TRunClock Clock = TRunClock::System();

 private:
  void Build();
  void WireNotice();
  void RefreshLabels();
  // Back to the look of no recording (step 1 of stopping); false when the
  // window went away during the slide.
  bool ResetInterface();
  void ShowNotice();
  void SetPauseLook(bool paused);
  int PlayState() const;
  std::u16string WideAnswer(core::UINT msg) const;
  int RecorderState() const;

  TPlayerWindow& FWindow;
  std::unique_ptr<TRecordingRuns> FRuns;
  bool FPaused = false;
  bool FFileAvailable = false;
  int64_t FElapsedMs = 0;
  int64_t FLastClockMs = 0;
  // The whole size: the controller answers with its low 32 bits.
  uint64_t FRecordedSize = 0;
  std::u16string FRecordingTitle;
  std::u16string FLastRecordedFile;

  widgets::TLabelEx* FElapsed = nullptr;
  widgets::TLabelEx* FSize = nullptr;
  TPlayerThrobber* FThrobber = nullptr;
  TPlayerButton* FStop = nullptr;
  widgets::TImageEx* FPause = nullptr;
  TPlayerButton* FDiscard = nullptr;
  widgets::TImageEx* FNoticeIcon = nullptr;
};

}  // namespace ui
