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
    ShowControls(sheet, 64, size + 16, std::u16string(id.begin(), id.end()) + u" " + state.Name,
         [&](TWindowEx& window) {
           auto* button = new TButtonEx(&window);
           PlaceControl(*button, window, (64 - size) / 2, 8, size, size);
           button->SetImageId(imageId);
           button->SetState(state.State);
           button->SetEnabled(state.Enabled);
         });
  }
}

void TintedImage(TSheet& sheet, int imageId, uint32_t tint, const std::u16string& caption) {
  ShowControls(sheet, 44, 40, caption, [&](TWindowEx& window) {
    auto* image = new TImageEx(&window);
    PlaceControl(*image, window, 0, 0, 44, 40);
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
  ShowControls(sheet, 160, 28, u"TLabelEx with the default shadow", [](TWindowEx& window) {
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
  ShowControls(sheet, 160, 28, u"TLabelEx, shadow off, right aligned", [](TWindowEx& window) {
    auto* label = new TLabelEx(&window);
    label->Shadow().SetEnabled(false);
    label->SetAutoSize(false);
    PlaceControl(*label, window, 4, 4, 152, 20);
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
  ShowControls(sheet, 44, 40, u"2001 at 128", [](TWindowEx& window) {
    auto* image = new TImageEx(&window);
    PlaceControl(*image, window, 12, 10, 20, 20);
    image->SetImageId(2001);
    image->SetImageOpacity(128);
  });
}

}  // namespace qorskin
