// The stock controls drawn by the toolkit itself (offscreen), in their
// states, for the contact sheet.
#include "tools/qor-skin/StockControls.h"

#include "widgets/paint/ButtonEx.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"
#include "widgets/paint/WindowEx.h"

#include <functional>

using namespace core;
using namespace widgets;

namespace qorskin {

namespace {

// Renders whatever `build` puts into a layered window of w x h on a dark
// panel and copies the composed picture into a box of the sheet.
void Show(TSheet& sheet, int w, int h, const std::u16string& caption,
          const std::function<void(TWindowEx&)>& build, uint32_t backdrop = 0xE0202020) {
  TWindowEx window;
  window.SetBounds(0, 0, w, h);
  window.OnPaint = [&window, backdrop](TObject*) {
    window.Canvas().Brush().SetColor(backdrop);
    window.Canvas().FillRect(0, 0, window.Width(), window.Height());
  };
  window.HandleNeeded();
  build(window);
  window.InvalidateTree();
  TCanvasEx& canvas = sheet.BeginBox(w, h, caption);
  canvas.DrawBitmap(window.Canvas().Bitmap(), sheet.BoxX(), sheet.BoxY());
  sheet.EndBox();
}

void Place(TControl& control, TWindowEx& window, int x, int y, int w, int h) {
  control.SetParent(&window);
  control.SetBounds(x, y, w, h);
  control.SetVisible(true);
}

void ButtonStates(TSheet& sheet, int imageId, int size) {
  struct TState {
    const char16_t* Name;
    unsigned State;
    bool Enabled;
  };
  const TState states[] = {{u"normal", 0, true},
                           {u"hot", bsHot, true},
                           {u"pressed", bsHot | bsPressed, true},
                           {u"disabled", 0, false}};
  std::string id = std::to_string(imageId);
  for (const auto& state : states) {
    Show(sheet, 64, size + 16, std::u16string(id.begin(), id.end()) + u" " + state.Name,
         [&](TWindowEx& window) {
           auto* button = new TButtonEx(&window);
           Place(*button, window, (64 - size) / 2, 8, size, size);
           button->SetImageId(imageId);
           button->SetState(state.State);
           button->SetEnabled(state.Enabled);
         });
  }
}

void TintedImage(TSheet& sheet, int imageId, uint32_t tint, const std::u16string& caption) {
  Show(sheet, 44, 40, caption, [&](TWindowEx& window) {
    auto* image = new TImageEx(&window);
    Place(*image, window, 0, 0, 44, 40);
    image->SetImageId(imageId);
    image->SetAutoSize(false);
    image->SetBounds(0, 0, 44, 40);
    image->SetCenter(true);
    image->SetTint(tint);
  });
}

}  // namespace

void DrawStockControls(TSheet& sheet) {
  sheet.Heading(u"Stock controls drawn by the toolkit: TButtonEx states, TLabelEx, tinted TImageEx");
  ButtonStates(sheet, 7003, 16);
  ButtonStates(sheet, 7000, 16);
  Show(sheet, 160, 28, u"TLabelEx with the default shadow", [](TWindowEx& window) {
    auto* label = new TLabelEx(&window);
    label->SetParent(&window);
    label->Font().SetName("Arial");
    label->Font().SetSize(9);
    label->Font().SetStyle(FontStyleBold);
    label->Font().SetColor(0xEFFFFFFF);
    label->SetCaption(u"Ses %75 · Kayıt");
    label->SetBounds(8, 6, label->Width() + 2, label->Height() + 2);
    label->SetVisible(true);
  }, 0xFF8A8A8A);
  Show(sheet, 160, 28, u"TLabelEx, shadow off, right aligned", [](TWindowEx& window) {
    auto* label = new TLabelEx(&window);
    label->Shadow().SetEnabled(false);
    label->SetAutoSize(false);
    Place(*label, window, 4, 4, 152, 20);
    label->Font().SetName("Tahoma");
    label->Font().SetSize(8);
    label->Font().SetColor(0xDFFFFFFF);
    label->SetAlignment(StringAlignmentFar);
    label->SetLineAlignment(StringAlignmentCenter);
    label->SetCaption(u"00:12:34");
  });
  TintedImage(sheet, 2008, 0xFFFF0000, u"2008 red");
  TintedImage(sheet, 2008, 0xFFFFFFFF, u"2008 white");
  TintedImage(sheet, 2014, 0xFFFF0000, u"2014 red");
  TintedImage(sheet, 2043, 0xFF00FFFF, u"2043 cyan");
  TintedImage(sheet, 2031, 0xFFEC701F, u"2031 orange");
  TintedImage(sheet, 2017, 0xFF00FF00, u"2017 green");
  Show(sheet, 44, 40, u"2001 at 128", [](TWindowEx& window) {
    auto* image = new TImageEx(&window);
    Place(*image, window, 12, 10, 20, 20);
    image->SetImageId(2001);
    image->SetImageOpacity(128);
  });
}

}  // namespace qorskin
