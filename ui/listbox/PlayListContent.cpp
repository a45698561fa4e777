#include "ui/listbox/PlayListContent.h"

#include "ui/controls/Tinting.h"

namespace ui {

using namespace widgets;

namespace {

constexpr int kPieceImages[3] = {2021, 2022, 2023};
constexpr int kTopHeight = 12, kMiddleHeight = 15;
// Room the bottom piece needs below the last middle piece.
constexpr int kBottomRoom = 38;
constexpr UINT kItemHeight = 15;

}  // namespace

TPlayListContent::TPlayListContent(TComponent* AOwner) : TControlEx(AOwner) {
  SetClassNameW(u"TPlayListContent");
  // The background changes only with its colour and its height.
  SetCached(true);
  for (int i = 0; i < 3; ++i) FSources[i] = TBitmapEx::FromResource(kPieceImages[i]);
  SetColour(FColour);
}

TPlayListContent::~TPlayListContent() { DestroyHandle(); }

void TPlayListContent::SetColour(uint32_t colour) {
  if ((colour >> 24) != 0xff) {
    FColour = 0;
    return;
  }
  for (int i = 0; i < 3; ++i)
    if (FSources[i]) FPieces[i] = TintedCopy(*FSources[i], colour, FColour);
  FColour = colour;
  SetRedraw(true);
}

void TPlayListContent::DoPaint() {
  TControlEx::DoPaint();
  TCanvasEx& canvas = Canvas();
  if (FPieces[0]) canvas.DrawBitmapAlpha(*FPieces[0], 0, 0, 255);
  int y = kTopHeight;
  for (; y <= Height() - kBottomRoom; y += kMiddleHeight)
    if (FPieces[1]) canvas.DrawBitmapAlpha(*FPieces[1], 0, y, 255);
  if (FPieces[2]) canvas.DrawBitmapAlpha(*FPieces[2], 0, y, 255);
}

void TPlayListContent::WMMeasureItem(TMessage& m) {
  if (auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam)) item->itemHeight = kItemHeight;
  m.Result = 1;
}

}  // namespace ui
