#include "tools/qor-skin/SheetLayout.h"

#include <algorithm>
#include <string>

using widgets::TBitmapEx;
using widgets::TCanvasEx;
using core::TRect;

namespace qorskin {

namespace {

constexpr int kMargin = 16;
constexpr int kGap = 14;
constexpr int kCaption = 16;
constexpr int kZoom = 4;

std::u16string Number(int value) {
  std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

}  // namespace

TBitmapEx* TPictureCache::Get(int id) {
  auto found = FPictures.find(id);
  if (found == FPictures.end()) found = FPictures.emplace(id, TBitmapEx::FromResource(id)).first;
  return found->second.get();
}

TSheet::TSheet(int width, int height) : FCanvas(width, height) {
  FCanvas.Brush().SetColor(0xFF262626);
  FCanvas.FillRect(0, 0, width, height);
  FCanvas.Font().SetName("DejaVu Sans");
  FX = kMargin;
  FY = kMargin;
}

void TSheet::Heading(const std::u16string& text) {
  FY += FRowHeight + (FRowHeight ? kGap : 0);
  FX = kMargin;
  FRowHeight = 0;
  FCanvas.Font().SetSize(11);
  FCanvas.Font().SetStyle(widgets::FontStyleBold);
  FCanvas.Font().SetColor(0xFFEC701F);
  FCanvas.TextOut(kMargin, FY, text);
  FY += 24;
  FUsed = FY;
}

void TSheet::Place(int width, int height) {
  if (FX > kMargin && FX + width > FCanvas.Width() - kMargin) {
    FX = kMargin;
    FY += FRowHeight + kGap;
    FRowHeight = 0;
  }
  FCellX = FX;
  FCellY = FY;
  FX += width + kGap;
  FRowHeight = std::max(FRowHeight, height);
  FUsed = std::max(FUsed, FY + height);
}

void TSheet::Checker(int x, int y, int width, int height) {
  for (int cy = y; cy < y + height; cy += 8)
    for (int cx = x; cx < x + width; cx += 8) {
      FCanvas.Brush().SetColor((((cx - x) / 8 + (cy - y) / 8) % 2) ? 0xFF5E5E5E : 0xFF4C4C4C);
      FCanvas.FillRect(cx, cy, std::min(cx + 8, x + width), std::min(cy + 8, y + height));
    }
}

void TSheet::Caption(int x, int y, int width, const std::u16string& text) {
  FCanvas.Font().SetSize(7);
  FCanvas.Font().SetStyle(widgets::FontStyleRegular);
  FCanvas.Font().SetColor(0xFFD0D0D0);
  FCanvas.StringFormat().SetFormatFlags(widgets::StringFormatFlagsNoWrap |
                                        widgets::StringFormatFlagsNoClip);
  FCanvas.TextRect(TRect{x, y + 2, x + std::max(width, 40), y + kCaption}, text);
  FCanvas.StringFormat().SetFormatFlags(widgets::StringFormatFlagsMeasureTrailingSpaces);
}

void TSheet::Picture(const TBitmapEx& image, int id) {
  const bool zoom = image.Width() <= 24 && image.Height() <= 24;
  const int pad = 4;
  int width = image.Width() + 2 * pad;
  int height = image.Height() + 2 * pad;
  if (zoom) {
    width += image.Width() * kZoom + 2 * pad + 4;
    height = std::max(height, image.Height() * kZoom + 2 * pad);
  }
  width = std::max(width, 64);
  Place(width, height + kCaption);
  Checker(FCellX, FCellY, image.Width() + 2 * pad, image.Height() + 2 * pad);
  FCanvas.DrawBitmap(image, FCellX + pad, FCellY + pad);
  if (zoom) {
    int zx = FCellX + image.Width() + 2 * pad + 4;
    Checker(zx, FCellY, image.Width() * kZoom + 2 * pad, image.Height() * kZoom + 2 * pad);
    FCanvas.StretchDraw(image, zx + pad, FCellY + pad, image.Width() * kZoom, image.Height() * kZoom);
  }
  Caption(FCellX, FCellY + height, width,
          Number(id) + u" " + Number(image.Width()) + u"\u00d7" + Number(image.Height()));
}

void TSheet::Icon(const TBitmapEx& image, int id, int size) {
  Place(std::max(size + 8, 48), size + 8 + kCaption);
  Checker(FCellX, FCellY, size + 8, size + 8);
  FCanvas.DrawBitmap(image, FCellX + 4, FCellY + 4);
  Caption(FCellX, FCellY + size + 8, size + 8, Number(id) + u" @" + Number(size));
}

TCanvasEx& TSheet::BeginBox(int width, int height, const std::u16string& caption) {
  Place(width + 8, height + 8 + kCaption);
  Checker(FCellX, FCellY, width + 8, height + 8);
  FBoxX = FCellX + 4;
  FBoxY = FCellY + 4;
  FBoxWidth = width;
  FBoxHeight = height;
  FBoxCaption = caption;
  return FCanvas;
}

void TSheet::EndBox() {
  // Boxes may change the text settings; captions use their own.
  FCanvas.StringFormat().SetAlignment(widgets::StringAlignmentNear);
  FCanvas.StringFormat().SetLineAlignment(widgets::StringAlignmentNear);
  FCanvas.StringFormat().SetTrimming(widgets::StringTrimmingCharacter);
  FCanvas.Font().SetName("DejaVu Sans");
  Caption(FBoxX - 4, FBoxY + FBoxHeight + 4, FBoxWidth + 8, FBoxCaption);
}

std::unique_ptr<TBitmapEx> TSheet::Finish() {
  return FCanvas.Bitmap().Crop(0, 0, FCanvas.Width(), std::min(FCanvas.Height(), FUsed + kMargin));
}

void ShowControls(TSheet& sheet, int w, int h, const std::u16string& caption,
                  const std::function<void(widgets::TWindowEx&)>& build, uint32_t backdrop, int zoom) {
  widgets::TWindowEx window;
  window.SetBounds(0, 0, w, h);
  window.OnPaint = [&window, backdrop](core::TObject*) {
    window.Canvas().Brush().SetColor(backdrop);
    window.Canvas().FillRect(0, 0, window.Width(), window.Height());
  };
  // Visible (offscreen), so that controls that only move while shown do.
  window.SetVisible(true);
  build(window);
  window.InvalidateTree();
  zoom = std::max(zoom, 1);
  TCanvasEx& canvas = sheet.BeginBox(w * zoom, h * zoom, caption);
  canvas.StretchDraw(window.Canvas().Bitmap(), sheet.BoxX(), sheet.BoxY(), w * zoom, h * zoom);
  sheet.EndBox();
}

void PlaceControl(widgets::TControl& control, widgets::TWindowEx& window, int x, int y, int w, int h) {
  control.SetParent(&window);
  control.SetBounds(x, y, w, h);
  control.SetVisible(true);
}

}  // namespace qorskin
