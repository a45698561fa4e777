#include "tools/qor-skin/ContactSheet.h"

#include "tools/qor-skin/SheetLayout.h"
#include "tools/qor-skin/StockControls.h"
#include "widgets/paint/CanvasEx.h"

#include <algorithm>

using widgets::TBitmapEx;
using widgets::TCanvasEx;

namespace qorskin {

namespace {

std::unique_ptr<TBitmapEx> Tinted(const TBitmapEx& source, uint32_t colour) {
  auto copy = source.Clone();
  copy->Grayscale();
  copy->Tint(colour);
  return copy;
}

// The player's top strip as the player window lays it out.
void DrawPlayer(TSheet& sheet, TPictureCache& pictures) {
  auto& canvas = sheet.BeginBox(320, 104, u"player body (2000 black, 2012 at 50, buttons)");
  int x = sheet.BoxX(), y = sheet.BoxY();
  if (auto* body = pictures.Get(2000)) canvas.DrawBitmap(*Tinted(*body, 0xFF000000), x, y);
  if (auto* strip = pictures.Get(2012)) canvas.DrawBitmapAlpha(*strip, x + 10, y + 3, 50);
  struct TPlaced { int Id, X, Y; };
  const TPlaced placed[] = {{2001, 20, 12}, {2008, 42, 13}, {2011, 64, 12}, {2010, 243, 12},
                            {9000, 288, 10}, {9001, 288, 23}};
  for (const auto& p : placed)
    if (auto* image = pictures.Get(p.Id)) canvas.DrawBitmap(*image, x + p.X, y + p.Y);
  if (auto* throbber = pictures.Get(5003))
    canvas.DrawBitmapRect(*throbber, x + 265, y + 13, 18, 18, 0, 5 * 18);
  canvas.Font().SetName("Arial");
  canvas.Font().SetSize(8);
  canvas.Font().SetStyle(widgets::FontStyleBold);
  canvas.Font().SetColor(0xEFFFFFFF);
  canvas.StringFormat().SetLineAlignment(widgets::StringAlignmentCenter);
  canvas.TextRect(core::TRect{x + 86, y + 15, x + 239, y + 33}, u"Radyo Kelvarin - Şarkı adı");
  canvas.StringFormat().SetLineAlignment(widgets::StringAlignmentNear);
  sheet.EndBox();
}

void DrawListPanel(TSheet& sheet, TPictureCache& pictures) {
  const int height = 12 + 15 * 6 + 26;
  auto& canvas = sheet.BeginBox(290, height, u"list panel (2021-2023 tinted 0xFF202020)");
  int x = sheet.BoxX(), y = sheet.BoxY();
  auto* top = pictures.Get(2021);
  auto* middle = pictures.Get(2022);
  auto* bottom = pictures.Get(2023);
  if (top && middle && bottom) {
    auto t = Tinted(*top, 0xFF202020), m = Tinted(*middle, 0xFF202020), b = Tinted(*bottom, 0xFF202020);
    canvas.DrawBitmap(*t, x, y);
    int row = 12;
    while (row <= height - 38) {
      canvas.DrawBitmap(*m, x, y + row);
      row += 15;
    }
    canvas.DrawBitmap(*b, x, y + row);
  }
  auto* ticked = pictures.Get(2025);
  auto* empty = pictures.Get(2026);
  canvas.Font().SetName("Tahoma");
  canvas.Font().SetSize(8);
  canvas.StringFormat().SetLineAlignment(widgets::StringAlignmentCenter);
  const char16_t* names[] = {u"Radyo Bir", u"Kelvarin FM", u"Seçili satır", u"Çalan istasyon"};
  for (int i = 0; i < 4; ++i) {
    int rowTop = y + 14 + i * 15;
    if (i == 2) {
      canvas.Brush().SetColor(0xEFFFFFFF);
      canvas.FillRect(x + 50, rowTop, x + 270, rowTop + 15);
    }
    if (ticked && empty) {
      auto box = i == 1 ? Tinted(*ticked, 0xFFEC701F)
                        : (i == 2 ? Tinted(*empty, 0xFF000000) : empty->Clone());
      canvas.DrawBitmap(*box, x + 58, rowTop + 1);
    }
    canvas.Font().SetColor(i == 2 ? 0xDF000000 : (i == 3 ? 0xFFEC701F : 0xDFFFFFFF));
    canvas.TextRect(core::TRect{x + 78, rowTop, x + 268, rowTop + 15}, names[i]);
  }
  if (auto* thumb = pictures.Get(5001)) canvas.DrawBitmap(*Tinted(*thumb, 0xFFEC701F), x + 271, y + 14);
  canvas.StringFormat().SetLineAlignment(widgets::StringAlignmentNear);
  sheet.EndBox();
}

void DrawBrowserFrame(TSheet& sheet, TPictureCache& pictures) {
  const int w = 300, h = 140;
  auto& canvas = sheet.BeginBox(w, h, u"browser frame (6000-6008 tinted 0xFF303030, toolbar)");
  int x = sheet.BoxX(), y = sheet.BoxY();
  struct TPiece { int Id, X, Y, W, H; };
  const TPiece pieces[] = {{6000, 0, 0, 16, 36},          {6001, 16, 0, w - 32, 36},
                           {6002, w - 16, 0, 16, 36},     {6003, 0, 36, 16, h - 66},
                           {6004, 16, 36, w - 32, h - 66}, {6005, w - 16, 36, 16, h - 66},
                           {6006, 0, h - 30, 16, 30},     {6007, 16, h - 30, w - 32, 30},
                           {6008, w - 16, h - 30, 16, 30}};
  for (const auto& p : pieces)
    if (auto* image = pictures.Get(p.Id))
      canvas.StretchDraw(*Tinted(*image, 0xFF303030), x + p.X, y + p.Y, p.W, p.H);
  for (int i = 0; i < 7; ++i)
    if (auto* strip = pictures.Get(7000 + i))
      canvas.DrawBitmapRect(*strip, x + 24 + i * 32, y + 10, 16, 16, i < 3 ? 48 : 0, 0);
  if (auto* close = pictures.Get(6009)) canvas.DrawBitmap(*close, x + w - 28, y + 11);
  if (auto* grip = pictures.Get(6010)) canvas.DrawBitmap(*grip, x + w - 25, y + h - 30);
  canvas.Brush().SetColor(0xFFFFFFFF);
  canvas.FillRect(x + 20, y + 38, x + w - 20, y + h - 32);
  sheet.EndBox();
}

void DrawPanels(TSheet& sheet, TPictureCache& pictures) {
  auto& canvas = sheet.BeginBox(250, 50, u"recording panel (2040 tinted 0xFF202020)");
  int x = sheet.BoxX(), y = sheet.BoxY();
  if (auto* face = pictures.Get(2040)) canvas.DrawBitmap(*Tinted(*face, 0xFF202020), x, y);
  canvas.Font().SetName("Tahoma");
  canvas.Font().SetSize(8);
  canvas.Font().SetColor(0xDFFFFFFF);
  canvas.StringFormat().SetAlignment(widgets::StringAlignmentFar);
  canvas.TextRect(core::TRect{x + 18, y + 22, x + 80, y + 42}, u"00:01:23");
  canvas.StringFormat().SetAlignment(widgets::StringAlignmentNear);
  canvas.TextRect(core::TRect{x + 107, y + 22, x + 163, y + 42}, u"1,25 MB");
  if (auto* throbber = pictures.Get(5003)) canvas.DrawBitmapRect(*throbber, x + 85, y + 20, 18, 18, 0, 0);
  const int ids[] = {2041, 2043, 2042};
  for (int i = 0; i < 3; ++i)
    if (auto* image = pictures.Get(ids[i])) canvas.DrawBitmap(*image, x + 250 - 85 + i * 25, y + 20 + (i == 2));
  sheet.EndBox();

  auto& notice = sheet.BeginBox(220, 50, u"notice (2050 at 239, 2051, 2003)");
  x = sheet.BoxX();
  y = sheet.BoxY();
  if (auto* face = pictures.Get(2050)) notice.DrawBitmapAlpha(*face, x, y, 239);
  if (auto* icon = pictures.Get(2051)) notice.DrawBitmap(*icon, x + 20, y + 14);
  if (auto* close = pictures.Get(2003)) notice.DrawBitmapRect(*close, x + 196, y + 21, 12, 12, 0, 0);
  notice.Font().SetName("Tahoma");
  notice.Font().SetSize(8);
  notice.Font().SetColor(0xEF202020);
  notice.StringFormat().SetTrimming(widgets::StringTrimmingEllipsisPath);
  notice.StringFormat().SetFormatFlags(notice.StringFormat().FormatFlags() | widgets::StringFormatFlagsNoWrap);
  notice.TextRect(core::TRect{x + 40, y + 15, x + 185, y + 30},
                  u"/home/kullanici/Masaüstü/Kayıtlar/Radyo Bir.mp3");
  notice.StringFormat().SetTrimming(widgets::StringTrimmingCharacter);
  notice.StringFormat().SetFormatFlags(widgets::StringFormatFlagsMeasureTrailingSpaces);
  sheet.EndBox();
}

}  // namespace

const std::vector<int>& SkinIds() {
  static const std::vector<int> ids = {
      2000, 2012, 2040, 2050, 2021, 2022, 2023, 2001, 2002, 2003, 2004, 2005, 2007, 2008, 2009,
      2010, 2011, 2013, 2014, 2015, 2016, 2017, 2024, 2025, 2026, 2031, 2041, 2042, 2043, 2051,
      3000, 3001, 3002, 5001, 5003, 6000, 6001, 6002, 6003, 6004, 6005, 6006, 6007, 6008, 6009,
      6010, 7000, 7001, 7002, 7003, 7004, 7005, 7006, 8000, 9000, 9001, 9010, 9011, 9012, 9013,
      9014};
  return ids;
}

std::unique_ptr<TBitmapEx> RenderContactSheet(std::vector<int>& missing) {
  TSheet sheet(1180, 2400);
  TPictureCache pictures;

  sheet.Heading(u"QOR skin pictures at 1x (small ones also at 4x)");
  for (int id : SkinIds()) {
    TBitmapEx* image = pictures.Get(id);
    if (!image) {
      missing.push_back(id);
      continue;
    }
    sheet.Picture(*image, id);
  }
  sheet.Heading(u"Program icons 101 \"Android\" and 102 \"Klasik\"");
  for (int icon : {101, 102})
    for (int size : {16, 32, 48, 256}) {
      auto image = TBitmapEx::FromIcon(icon, size);
      if (!image) {
        missing.push_back(icon * 1000 + size);
        continue;
      }
      sheet.Icon(*image, icon, size);
    }
  sheet.Heading(u"Assembled as the windows show them");
  DrawPlayer(sheet, pictures);
  DrawListPanel(sheet, pictures);
  DrawBrowserFrame(sheet, pictures);
  DrawPanels(sheet, pictures);
  DrawStockControls(sheet);
  return sheet.Finish();
}

}  // namespace qorskin
