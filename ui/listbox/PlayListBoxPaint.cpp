// Painting of the station list box: only the rows in view, each with its
// fill, its number or check box, and its name.
#include <cmath>
#include <string>

#include "support/URLUtils.h"
#include "ui/listbox/PlayListBoxEx.h"

namespace ui {

using namespace widgets;

namespace {

constexpr int kNumberRight = 31;
constexpr int kNumberNameLeft = 36;
constexpr int kCheckNameGap = 5;

// Local files are told from network addresses once, on first display.
int32_t ClassifyAddress(const std::string& url) {
  TURLComponentStrings parts;
  if (SplitURL(url, parts) && parts.Scheme == "file") return qor::akLocalFile;
  return qor::akNetwork;
}

std::u16string RowNumber(int index) {
  std::string digits = std::to_string(int64_t{index} + 1) + ".";
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace

bool TPlayListBoxEx::LookChanged() {
  bool changed = !FLookKnown;
  FLookKnown = true;
  const std::array<long long, 16> view = {FUpdating,      Count(),      FTopIndex,          FItemIndex,
                                          FActiveId,      FPressed,     FFocused,           FFavouritesMode,
                                          FShowCheckBoxes, FCheckLeft,  FCheckWidth,        FRowHeight,
                                          FScrollerWidth, Width(),      Height(),           std::llround(Font().Size() * 100)};
  if (view != FLook.View) {
    FLook.View = view;
    changed = true;
  }
  if (Font().Name() != FLook.FontName) {
    FLook.FontName = Font().Name();
    changed = true;
  }
  size_t shown = 0;
  const int last = LastVisibleIndex();
  for (int row = FTopIndex; row <= last; ++row) {
    const qor::TPlayItem* item = Item(row);
    if (!item) break;
    if (shown == FLook.Rows.size()) {
      FLook.Rows.emplace_back();
      changed = true;
    }
    TRowLook& look = FLook.Rows[shown++];
    if (look.Id != item->Id || look.AddressKind != item->AddressKind || look.Ticked != item->Ticked ||
        look.Name != item->Name) {
      look.Id = item->Id;
      look.AddressKind = item->AddressKind;
      look.Ticked = item->Ticked;
      look.Name = item->Name;
      changed = true;
    }
  }
  if (shown != FLook.Rows.size()) {
    FLook.Rows.resize(shown);
    changed = true;
  }
  return changed;
}

void TPlayListBoxEx::Paint() {
  if (LookChanged()) SetRedraw(true);
  TControlEx::Paint();
}

void TPlayListBoxEx::FrameCheck() {
  // Hidden itself, it is walked again when it shows.
  if (!Visible()) return;
  // Under a hidden panel its rows are compared once the panel shows: the
  // parents up to that panel walk it then.
  if (!Showing()) {
    if (Settled()) Stir();
    return;
  }
  if (LookChanged()) SetRedraw(true);
}

void TPlayListBoxEx::DoPaint() {
  TControlEx::DoPaint();
  if (FUpdating || Count() == 0) return;
  // The playing row follows its entry through sorting, moves and deletion.
  // The row found last time is checked first: a scan of the whole database
  // on every paint would cost more than drawing the rows.
  const qor::TPlayItem* active = Item(FActiveIndex);
  if (!active || active->Id != FActiveId) FActiveIndex = FItems->IndexOfId(FActiveId);
  if (!Item(FTopIndex)) return;
  const int last = LastVisibleIndex();
  for (int row = FTopIndex; row <= last; ++row) PaintRow(row);
}

void TPlayListBoxEx::PaintRow(int row) {
  qor::TPlayItem* item = FItems->Item(row);
  if (!item) return;
  TCanvasEx& canvas = Canvas();
  const int rowTop = (row - FTopIndex) * FRowHeight;
  const int right = Width() - FScrollerWidth;

  if (item->AddressKind == qor::akUnknown) item->AddressKind = ClassifyAddress(item->Url);

  const bool selected = row == FItemIndex;
  uint32_t fill = 0x00ffffff;
  uint32_t text = clListText;
  if (selected) {
    fill = FPressed ? clListAccent : FFocused ? clListFocusedFill : clListSelectedFill;
    text = FPressed ? clListPressedText : clListSelectedText;
  } else if (row == FActiveIndex) {
    if (FFavouritesMode != 0) text = clListAccent;
  } else if (item->AddressKind == qor::akLocalFile) {
    text = clListLocalFileText;
  }
  Font().SetStyle(FontStyleRegular);
  canvas.Brush().SetColor(fill);
  canvas.FillRect(0, rowTop, right, rowTop + FRowHeight);

  TStringFormatEx& format = canvas.StringFormat();
  int nameLeft = kNumberNameLeft;
  if (FShowCheckBoxes) {
    // The check box column decides the colour of the name as well.
    const TBitmapEx* box = FCheckEmpty.get();
    if (item->Ticked) {
      box = FCheckTicked.get();
      text = clListAccent;
    } else if (selected) {
      box = FCheckEmptyDark.get();
      text = clListSelectedText;
    } else {
      text = clListText;
    }
    if (box) canvas.DrawBitmap(*box, FCheckLeft, rowTop + 1);
    nameLeft = FCheckLeft + FCheckWidth + kCheckNameGap;
    Font().SetColor(text);
  } else {
    Font().SetColor(text);
    format.SetAlignment(StringAlignmentFar);
    canvas.TextRect(TRect{0, rowTop, kNumberRight + 1, rowTop + FRowHeight}, RowNumber(row));
  }
  format.SetAlignment(StringAlignmentNear);
  canvas.TextRect(TRect{nameLeft, rowTop, right - 1, rowTop + FRowHeight}, item->Name);
}

}  // namespace ui
