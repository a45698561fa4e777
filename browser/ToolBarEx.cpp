#include "browser/ToolBarEx.h"

#include "resources/strings/StringTable.h"

namespace browser {

using namespace widgets;

namespace {

constexpr int kButtonSize = 16, kGap = 16, kTop = 4;
// Skin strip and hint of each button, in toolbar order.
constexpr int kImages[ToolButtonCount] = {7000, 7001, 7002, 7003, 7004, 7005, 7006};
constexpr int kHints[ToolButtonCount] = {150, 151, 152, 153, 154, 155, 110};

}  // namespace

TToolBarEx::TToolBarEx(TControl* parent) : TControlEx(parent) {
  SetClassNameW(u"TToolBarEx");
  SetParent(parent);
  for (int i = 0; i < ToolButtonCount; ++i) {
    auto* button = new TButtonEx(this);
    button->SetParent(this);
    button->SetBounds(i * (kButtonSize + kGap), kTop, kButtonSize, kButtonSize);
    button->SetImageId(kImages[i]);
    button->SetCursor(13);
    button->SetHint(res::LoadStr(kHints[i]));
    button->SetShowHint(true);
    button->SetEnabled(i != tbBack && i != tbForward && i != tbStop);
    button->SetVisible(true);
    button->OnClick = [this, i](core::TObject*, core::UINT, int, int) {
      if (FButtons[static_cast<size_t>(i)]->Enabled() && OnButton) OnButton(i);
    };
    FButtons[static_cast<size_t>(i)] = button;
  }
}

void TToolBarEx::SetButtonEnabled(int index, bool enabled) {
  TButtonEx* button = Button(index);
  if (button->Enabled() == enabled) return;
  button->SetEnabled(enabled);
  button->Invalidate();
}

}  // namespace browser
