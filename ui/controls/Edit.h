// TEdit: the single-line search box of the player window. A text entry of
// the windowing system lies over the layered window and takes the pointer
// and keyboard there (typing, selection, clipboard, input methods); its
// pixels are drawn into the edit's own canvas on an opaque background and
// blended into the parent's picture, with a caret of our own that fades in
// and out instead of blinking. Where no system entry can be placed (the
// offscreen backend), an entry in memory stands in and takes the keys the
// toolkit delivers.
//
// The toolkit's Caption is the text. Every change of it, typed or set,
// reaches Change, which fires OnChange while NotifyChanges is set.
#pragma once

#include "widgets/backend/NativeEdit.h"
#include "widgets/controls/Window.h"
#include "widgets/paint/CanvasEx.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace ui {

constexpr core::DWORD ES_AUTOHSCROLL = 0x0080;
constexpr core::UINT EN_CHANGE = 0x0300;
constexpr core::UINT WM_SETFONT = 0x0030;

class TEdit : public widgets::TWinControl, private widgets::TNativeEditEvents {
public:
  explicit TEdit(core::TComponent* AOwner = nullptr);
  ~TEdit() override;

  widgets::TCanvasEx& Canvas() const { return *FCanvas; }
  widgets::TFontEx& Font() const { return FCanvas->Font(); }
  // Background behind the text, always drawn opaque.
  std::uint32_t Color() const { return FColor; }
  void SetColor(std::uint32_t value);
  std::uint32_t CaretColour() const { return FCaretColour; }
  void SetCaretColour(std::uint32_t value) { FCaretColour = value; }
  int CaretWidth() const { return FCaretWidth; }
  void SetCaretWidth(int value) { FCaretWidth = value; }
  int CaretHeight() const { return FCaretHeight; }
  int CaretAlpha() const { return FCaretAlpha; }
  bool CaretPhase() const { return FCaretPhase; }
  bool HasFocus() const { return FHasFocus; }
  std::uint8_t Opacity() const { return FOpacity; }
  void SetOpacity(std::uint8_t value) {
    FOpacity = value;
    FPictureStale = true;
  }
  // Draws the parent's picture behind the text instead of Color.
  bool TransparentBackground() const { return FTransparentBackground; }
  void SetTransparentBackground(bool value) {
    FTransparentBackground = value;
    FPictureStale = true;
  }
  bool NotifyChanges() const { return FNotifyChanges; }
  void SetNotifyChanges(bool value) { FNotifyChanges = value; }
  void SetSelection(int start, int end);
  void SelectAll();
  int SelStart() const;
  int SelLength() const;
  // The entry that holds the text (made with the window handle).
  widgets::TNativeEdit* NativeEdit() const { return FNative.get(); }
  // True when the entry is the windowing system's, false for the stand-in.
  bool SystemEntry() const { return FSystemEntry; }
  // Whether the system entry's place is being watched (not while the
  // window it sits in is hidden).
  bool WatchingPlace() const { return FSystemEntry && !FPlaceAsleep; }

  core::TNotifyEvent OnChange;
  // The clock of the caret's fading (milliseconds); tests put their own.
  std::function<core::DWORD()> TickCount = core::GetTickCount;

  void WndProc(core::TMessage& message) override;
  void DefaultHandler(core::TMessage& message) override;
  void Paint() override;
  void DoPaint() override;
  void Present() override;
  core::TRect TakePaintedChange() override;
  // Before each frame of the window the entry is put in place and, when
  // the picture must be drawn again, the parents are told: a frame in
  // which an unfocused edit stayed the same does not walk it.
  void FrameCheck() override;
  bool PaintSettled() const override;
  // Every change of the edit's own asks for this: the picture is drawn
  // again at the next paint (and not before, while nothing changed).
  void InvalidateTree() override;
  virtual void Change();

protected:
  void CreateParams(widgets::TCreateParams& params) override;
  void CreateHandle() override;
  void DestroyWindowHandle() override;
  void WMSetFocus(core::TMessage& m) override;
  void WMKillFocus(core::TMessage& m) override;
  void WMWindowPosChanged(core::TMessage& m) override;
  void WMShowWindow(core::TMessage& m) override;
  void WMKeyDown(core::TMessage& m) override;
  bool WMChar(core::TMessage& m) override;
  void WMButtonDown(core::TMessage& m) override;
  void WMContextMenu(core::TMessage& m) override;
  void WMCommand(core::TMessage& m) override;
  void TextChanged() override;
  virtual void WMSetFont(core::TMessage& m);

private:
  // TNativeEditEvents
  void NativeEditChanged() override;
  void NativeEditFocus(bool focused) override;
  bool NativeEditKey(bool down, unsigned vk, char16_t ch) override;
  void NativeEditRedraw() override;

  void RestartCaretPhase();
  // The place timer again after the window was hidden.
  void WakePlace();
  // Whether a paint would keep the picture.
  bool Still() const;
  void DrawCaret();
  // Puts the entry where the edit is on the window, shown while the edit
  // and all its parents are.
  void PlaceEntry();
  widgets::TEditLook Look() const;

  std::unique_ptr<widgets::TCanvasEx> FCanvas;
  // The picture presented last and what the paints since changed of it.
  std::unique_ptr<widgets::TBitmapEx> FLastPicture;
  core::TRect FChanged;
  bool FPictureStale = true;
  bool FPaintedEnabled = true;
  std::unique_ptr<widgets::TNativeEdit> FNative;
  core::UINT FBlinkPeriod = 530;
  core::DWORD FPhaseTime = 0;
  bool FCaretPhase = true;
  std::uint32_t FCaretColour = 0xFF000000;
  int FCaretWidth = 1;
  int FCaretHeight = 13;
  int FCaretAlpha = 255;
  bool FHasFocus = false;
  bool FTransparentBackground = false;
  std::uint32_t FColor = 0xFFFFFFFF;
  std::uint8_t FOpacity = 255;
  bool FNotifyChanges = true;
  bool FSystemEntry = false;
  bool FSyncing = false;       // the caption is being taken from the entry
  bool FFromEntry = false;     // a key message came from the system entry
  bool FReachedDefault = false;
  bool FRedrawPosted = false;
  core::TRect FPlaced{-1, -1, -1, -1};
  bool FEntryShown = false;
  bool FPlaceAsleep = false;
};

}  // namespace ui
