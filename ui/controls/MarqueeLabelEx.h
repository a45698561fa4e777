// TMarqueeLabelEx: one line of text that, when it is wider than the
// control, waits StartDelay milliseconds after each Reset and then slides
// one pixel per tick left until its right end is Margin pixels inside the
// right edge, back right until it starts Margin pixels inside the left
// edge, and so on. While it slides, both ends fade into EdgeColour.
//
// The caption is rendered once into a strip of its own whenever its text,
// font or height changes; each paint then only copies the part of the
// strip that shows at the current offset, and a slide of one step redraws
// and reports just the band the text's pixels cover, old place and new.
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
#include <memory>
#include <string>
#include <vector>

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
  void Paint() override;
  void DoPaint() override;
  // The strip's extent: pixels of text at offset 0 lie inside it (empty
  // without any); tests check the damage against it.
  const core::TRect& TextInk();

protected:
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  void WMSize(core::TMessage& m) override;

private:
  // The caption rendered on its own, as it shows at offset 0.
  struct TStrip {
    std::u16string Text;
    std::string FontName;
    double FontSize = 0;
    int FontStyle = 0;
    std::uint32_t FontColour = 0;
    int Hint = 0, Height = -1;
    bool Antialias = false, Centred = false;
    int TextWidth = 0;  // as Canvas().TextWidth measures it
    int Left = 0;       // the strip's column 0 in the control at offset 0
    int Top = 0;        // where the text is drawn in the strip and the control
    core::TRect Ink;    // in the control at offset 0
    std::unique_ptr<widgets::TCanvasEx> Picture;  // null: too wide for one
  };
  // Renders the strip again if the caption or its look changed; true then.
  bool UpdateStrip();
  // Puts the text at FOffset into `rect` (control pixels) of the picture,
  // whose pixels there hold nothing else, and the fades over it.
  void DrawText(const core::TRect& rect);
  // The fades over `rect` of the picture.
  void DrawFades(const core::TRect& rect);
  // Moves the shown text from FShownOffset to FOffset.
  void MoveText();

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
  // A fade's gradient as cairo draws it on nothing, row after row over the
  // part of its rectangle inside the control: laid over the text by hand,
  // a step costs no cairo fill.
  struct TFade {
    core::TRect Rect;
    std::vector<std::uint32_t> Pixels;
  };
  TFade FLeftFade, FRightFade;
  static void LayFade(const TFade& fade, const widgets::TBitmapEx& picture, const core::TRect& rect);
  bool FFadesBuilt = false;
  std::uint32_t FInnerColour = 0x00000000;
  std::uint32_t FEdgeColour = 0xC0000000;
  int FFadeWidth = 19;
  int FMargin = 20;
  bool FSuspended = false;
  bool FCentreVertically = false;
  bool FScrollEnabled = true;
  bool FOwnerClocked = false;
  TStrip FStrip;
  // What the picture shows.
  int FShownOffset = 0;
  bool FShownOverflowing = false;
};

}  // namespace ui
