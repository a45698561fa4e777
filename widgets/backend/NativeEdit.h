// A single-line text entry of the windowing system placed over a painted
// top-level window. The entry takes the pointer and the keyboard itself
// (typing, selection, clipboard, input methods), but its pixels are drawn
// by the owner into the window's picture (Render), so that it blends with
// the painted controls and the window's opacity like any of them.
//
// Positions are UTF-16 code units of the text. Coordinates are those of
// the top-level window's client area.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace widgets {

struct TEditLook {
  std::string FontName = "Tahoma";
  double FontPoints = 8;
  int FontStyle = 0;  // FontStyle* bits of FontEx.h
  std::uint32_t TextColour = 0xFF000000;
  std::uint32_t SelectionBack = 0xFFEC701F;
  std::uint32_t SelectionText = 0xFFFFFFFF;
  bool operator==(const TEditLook&) const = default;
};

class TNativeEditEvents {
 public:
  virtual ~TNativeEditEvents() = default;
  // The text changed, by the user or by SetText.
  virtual void NativeEditChanged() = 0;
  virtual void NativeEditFocus(bool focused) = 0;
  // A key reached the entry; true when the owner used it up, so that the
  // entry must not act on it. `vk` is a virtual-key code (0: none).
  virtual bool NativeEditKey(bool down, unsigned vk, char16_t ch) = 0;
  // Caret, selection or composition changed: the picture is out of date.
  virtual void NativeEditRedraw() = 0;
};

struct TEditCaret {
  int X = 0, Y = 0, Height = 0;
};

class TNativeEdit {
 public:
  virtual ~TNativeEdit() = default;
  virtual void SetBounds(int x, int y, int width, int height) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual std::u16string Text() const = 0;
  virtual void SetText(const std::u16string& text) = 0;
  virtual void SetLook(const TEditLook& look) = 0;
  virtual void SetFocused(bool focused) = 0;
  virtual bool Focused() const = 0;
  // start == end: no selection, the caret at `end`.
  virtual void SetSelection(int start, int end) = 0;
  virtual void Selection(int& start, int& end) const = 0;
  // Where the caret is, in the entry's own coordinates.
  virtual TEditCaret Caret() const = 0;
  // Draws text and selection (no background, no caret) with the entry's
  // size into a cairo_t* whose origin is the entry's top-left corner.
  virtual void Render(void* cairo) = 0;
  // Keys that came through the toolkit instead of reaching the entry
  // directly (the offscreen entry types them; a system entry has its own).
  virtual void TypeKey(unsigned /*vk*/, char16_t /*ch*/, bool /*shift*/, bool /*ctrl*/) {}
};

// An entry that lives only in memory and draws with pango: the offscreen
// backend's, and the stand-in wherever a window cannot hold a system entry.
// Its clipboard is process-wide.
std::unique_ptr<TNativeEdit> CreateMemoryEdit(TNativeEditEvents* events);

}  // namespace widgets
