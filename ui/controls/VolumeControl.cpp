#include "ui/controls/VolumeControl.h"

#include "ui/controls/Tinting.h"

#include <string>

using namespace core;
using namespace widgets;

namespace ui {

namespace {
constexpr int kHandCursor = 13, kArrowCursor = 0;
constexpr std::uint32_t kTrackColour = 0xC0FFFFFF;
}  // namespace

TVolumeControl::TVolumeControl(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TVolumeControl");
  TFontEx& font = Font();
  font.SetName("Arial");
  font.SetSize(8);
  font.SetStyle(FontStyleBold);
  font.SetColor(0xEFFFFFFF);
  Canvas().SetAntialias(false);
  // Drawn again only when the volume, the icon or the size changes, not
  // with every frame of the spectrum beside it.
  SetCached(true);
  SetBounds(0, 0, CollapsedWidth, CollapsedWidth);
  SetMuted(0);
}

TVolumeControl::~TVolumeControl() { DestroyHandle(); }

void TVolumeControl::SetMuted(std::uint8_t state) {
  FIcon.reset();
  FTinted.reset();
  FMuted = state;
  FIcon = TBitmapEx::FromResource(state == 0 ? SpeakerImage : MutedImage);
  SetTint(FTintColour);
}

void TVolumeControl::SetVolume(int value) {
  if (value == FVolume) return;
  FVolume = value;
  SetRedraw(true);
}

void TVolumeControl::SetTint(std::uint32_t colour) {
  SetRedraw(true);
  FTinted.reset();
  if (FIcon)
    FTinted = TintedCopy(*FIcon, colour, FTintColour);
  else
    FTintColour = (colour >> 24) == 0xFF ? colour : 0;
}

void TVolumeControl::Expand() {
  SetTint(AccentColour);
  SetWidth(ExpandedWidth);
  FExpanded = true;
}

void TVolumeControl::Collapse() {
  SetTint(0xFFFFFFFF);
  SetWidth(CollapsedWidth);
  FExpanded = false;
}

bool TVolumeControl::OverIcon(int x, int y) const {
  return FIcon && x >= 0 && y >= 0 && x < FIcon->Width() && y < FIcon->Height();
}

void TVolumeControl::DoPaint() {
  TControlEx::DoPaint();
  TCanvasEx& canvas = Canvas();
  if (FTinted) canvas.DrawBitmap(*FTinted, 0, 0);
  canvas.Brush().SetColor(AccentColour);
  canvas.FillRect(BarLeft, 10, BarLeft + FVolume, 12);
  canvas.Brush().SetColor(kTrackColour);
  canvas.FillRect(BarLeft + FVolume, 10, BarRight, 12);
  std::string text = "%" + std::to_string(FVolume);
  canvas.TextOut(140, 4, std::u16string(text.begin(), text.end()));
}

void TVolumeControl::WMMouseMove(TMessage& m) {
  TControlEx::WMMouseMove(m);
  bool icon = OverIcon(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
  // The owner's "Ses" hint belongs to the speaker, not to the bar.
  SetCursor(icon ? kHandCursor : kArrowCursor);
  SetShowHint(icon);
}

void TVolumeControl::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  TControlEx::WMButtonDown(m);
  if (m.Msg != WM_LBUTTONDOWN) return;
  const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  if (OverIcon(x, y)) {
    std::uint8_t state = FMuted;
    if (OnMuteClick) OnMuteClick(this, state);
    SetMuted(state);
  } else if (x >= BarLeft && x <= ClickRight && y >= 0 && y <= ClickBottom) {
    FVolume = x - BarLeft;
    int volume = FVolume;
    if (OnVolumeClick) OnVolumeClick(this, volume);
    FVolume = volume;
  } else {
    return;
  }
  SetRedraw(true);
  InvalidateTree();
}

void TVolumeControl::WMButtonUp(TMessage& m) {
  ReleaseCapture();
  TControlEx::WMButtonUp(m);
}

}  // namespace ui
