// TMarqueeLabelEx: one line of text that, when it is wider than the
// control, waits StartDelay milliseconds after each Reset and then slides
// one pixel per tick left until its right end is Margin pixels inside the
// right edge, back right until it starts Margin pixels inside the left
// edge, and so on. While it slides, both ends fade into EdgeColour.
//
// Tick steps the offset on the control's own 33 ms timer but does not
// repaint: the owner's redraw shows it. The timer stops while the label
// cannot be seen; showing the label, or the owner's Resume when its window
// shows again, starts it. An owner that redraws on a tick of the same
// rate steps the label from that tick instead (SetOwnerClocked): one
// timer then wakes the program for both.
#pragma once

#include "widgets/paint/ControlEx.h"

#include <cairo.h>

#include <cstdint>
#include <functional>

namespace ui {

class TMarqueeLabelEx : public widgets::TControlEx {
public:
  static constexpr unsigned TickInterval = 33;

  explicit TMarqueeLabelEx(core::TComponent* AOwner = nullptr);
  ~TMarqueeLabelEx() override;

  // Still and left-aligned at `offset`; the start delay begins again. The
  // owner calls Reset(0) whenever it changes the caption.
  void Reset(int offset = 0);

  bool Overflowing() const { return FOverflowing; }
  int Offset() const { return FOffset; }
  int Step() const { return FStep; }
  bool Started() const { return FStarted; }
  int StartDelay() const { return FStartDelay; }
  void SetStartDelay(int ms) { FStartDelay = ms; }
  std::uint32_t EdgeColour() const { return FEdgeColour; }
  void SetEdgeColour(std::uint32_t colour);
  std::uint32_t InnerColour() const { return FInnerColour; }
  void SetInnerColour(std::uint32_t colour);
  int FadeWidth() const { return FFadeWidth; }
  void SetFadeWidth(int pixels);
  int Margin() const { return FMargin; }
  void SetMargin(int pixels) { FMargin = pixels; }
  bool CentreVertically() const { return FCentreVertically; }
  void SetCentreVertically(bool value) { FCentreVertically = value; }
  bool ScrollEnabled() const { return FScrollEnabled; }
  void SetScrollEnabled(bool value) { FScrollEnabled = value; }
  const core::TRect& LeftFade() const { return FLeftRect; }
  const core::TRect& RightFade() const { return FRightRect; }

  // The clock of the start delay (milliseconds); tests put their own.
  std::function<core::DWORD()> TickCount = core::GetTickCount;

  // One step of the slide (each WM_TIMER of the control's timer).
  virtual void Tick();
  // Starts the timer again after it stopped unseen.
  void Resume();
  // The owner calls Tick; the label runs no timer of its own.
  bool OwnerClocked() const { return FOwnerClocked; }
  void SetOwnerClocked(bool value);
  bool Sliding() const { return FSliding; }

  void WndProc(core::TMessage& message) override;
  void DoPaint() override;

protected:
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  void WMSize(core::TMessage& m) override;

private:
  void BuildFades();
  void FreeFades();
  void ColourFades();

  bool FOverflowing = false;
  bool FSliding = false;  // the timer runs
  int FOffset = 0;
  int FStep = -1;
  core::DWORD FStartTick = 0;
  bool FStarted = false;
  int FStartDelay = 2000;
  core::TRect FLeftRect, FRightRect;
  cairo_pattern_t* FLeftBrush = nullptr;
  cairo_pattern_t* FRightBrush = nullptr;
  std::uint32_t FInnerColour = 0x00000000;
  std::uint32_t FEdgeColour = 0xC0000000;
  int FFadeWidth = 19;
  int FMargin = 20;
  bool FSuspended = false;
  bool FCentreVertically = false;
  bool FScrollEnabled = true;
  bool FOwnerClocked = false;
};

}  // namespace ui
