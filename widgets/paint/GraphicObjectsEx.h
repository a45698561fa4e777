// Brush, pen and string format of the painting canvas. Each tells its owner
// when it changes (a control then repaints or re-measures its text).
#pragma once

#include <cstdint>
#include <functional>

namespace widgets {

// Flags and values of text layout, numbered as the skin code has always
// numbered them.
enum : int {
  StringFormatFlagsDirectionRightToLeft = 0x0001,
  StringFormatFlagsNoWrap = 0x1000,
  StringFormatFlagsLineLimit = 0x2000,
  StringFormatFlagsNoClip = 0x4000,
  StringFormatFlagsMeasureTrailingSpaces = 0x0800,
};

enum TStringAlignment : int { StringAlignmentNear = 0, StringAlignmentCenter = 1, StringAlignmentFar = 2 };

enum TStringTrimming : int {
  StringTrimmingNone = 0,
  StringTrimmingCharacter = 1,
  StringTrimmingWord = 2,
  StringTrimmingEllipsisCharacter = 3,
  StringTrimmingEllipsisWord = 4,
  StringTrimmingEllipsisPath = 5,
};

enum THotkeyPrefix : int { HotkeyPrefixNone = 0, HotkeyPrefixShow = 1, HotkeyPrefixHide = 2 };

class TGraphicObjectEx {
public:
  virtual ~TGraphicObjectEx() = default;
  std::function<void()> OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange();
  }
};

class TSolidBrushEx : public TGraphicObjectEx {
public:
  explicit TSolidBrushEx(uint32_t colour = 0xFF000000) : FColor(colour) {}
  uint32_t Color() const { return FColor; }
  void SetColor(uint32_t colour);

private:
  uint32_t FColor;
};

enum TPenStyleEx : int { psSolidEx = 0, psDashEx = 1, psDotEx = 2, psDashDotEx = 3 };

class TPenEx : public TGraphicObjectEx {
public:
  uint32_t Color() const { return FColor; }
  void SetColor(uint32_t colour);
  double Width() const { return FWidth; }
  void SetWidth(double width);
  int Style() const { return FStyle; }
  void SetStyle(int style);

private:
  uint32_t FColor = 0xFF000000;
  double FWidth = 1.0;
  int FStyle = psSolidEx;
};

class TStringFormatEx : public TGraphicObjectEx {
public:
  int FormatFlags() const { return FFormatFlags; }
  void SetFormatFlags(int flags);
  int Alignment() const { return FAlignment; }
  void SetAlignment(int alignment);
  int LineAlignment() const { return FLineAlignment; }
  void SetLineAlignment(int alignment);
  int HotkeyPrefix() const { return FHotkeyPrefix; }
  void SetHotkeyPrefix(int prefix);
  int Trimming() const { return FTrimming; }
  void SetTrimming(int trimming);
  // Copies the values and notifies once.
  void Assign(const TStringFormatEx& other);

private:
  int FFormatFlags = 0;
  int FAlignment = StringAlignmentNear;
  int FLineAlignment = StringAlignmentNear;
  int FHotkeyPrefix = HotkeyPrefixNone;
  int FTrimming = StringTrimmingCharacter;
};

}  // namespace widgets
