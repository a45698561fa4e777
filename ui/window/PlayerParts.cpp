#include "ui/window/PlayerParts.h"

#include <algorithm>

#include "lists/ListIO.h"
#include "support/Encoding.h"

namespace ui {

using namespace widgets;

TSimpleListBox::TSimpleListBox(TComponent* owner) : TControlEx(owner), FItems(std::make_unique<qor::TPlayList>()) {
  Font().SetName("Tahoma");
  Font().SetSize(8);
}

TSimpleListBox::~TSimpleListBox() = default;

qor::TPlayItem* TSimpleListBox::Item(int index) const {
  return index >= 0 && index < Count() ? FItems->Item(index) : nullptr;
}

void TSimpleListBox::SetTicked(int index, bool value) {
  if (auto* item = Item(index)) item->Ticked = value;
}

bool TSimpleListBox::LoadDatabase(const std::filesystem::path& path) { return qor::LoadDatabase(*FItems, path); }
bool TSimpleListBox::LoadFavourites(const std::filesystem::path& path) { return qor::LoadFavourites(*FItems, path); }
bool TSimpleListBox::SaveFavourites(const std::filesystem::path& path) const {
  return qor::SaveFavourites(*FItems, path);
}

void TSimpleListBox::MoveSelection(int delta) {
  int next = std::min(std::max(FItemIndex + delta, 0), Count() - 1);
  FItemIndex = next;
  if (next < FTopIndex) FTopIndex = std::max(next, 0);
  else if (next >= FTopIndex + FVisibleRows) FTopIndex = next - FVisibleRows + 1;
}

void TSimpleListBox::SelectAndShowPage(int index) {
  index = std::min(std::max(index, 0), Count() - 1);
  FItemIndex = index;
  if (index < 0) return;
  FTopIndex = std::max(0, std::min(FVisibleRows * (index / FVisibleRows), Count() - FVisibleRows));
}

void TSimpleListBox::ScrollBy(int delta) {
  FTopIndex = Count() <= FVisibleRows ? 0 : std::clamp(FTopIndex - delta, 0, Count() - FVisibleRows);
}

void TSimpleListBox::DoPaint() {
  TControlEx::DoPaint();
  TCanvasEx& canvas = Canvas();
  canvas.Clear();
  int active = IndexOfId(FActiveId);
  for (int row = FTopIndex; row < Count() && row < FTopIndex + FVisibleRows; ++row) {
    int top = (row - FTopIndex) * 15;
    uint32_t text = 0xDFFFFFFF;
    if (row == FItemIndex) {
      canvas.Brush().SetColor(0xCFFFFFFF);
      canvas.FillRect(0, top, Width() - 20, top + 15);
      text = 0xDF000000;
    } else if (row == active) {
      text = 0xFFEC701F;
    }
    canvas.Font().SetColor(text);
    std::u16string lead = FShowCheckBoxes ? (Item(row)->Ticked ? u"[x]" : u"[ ]") : enc::Utf8ToUtf16(std::to_string(row + 1) + ".");
    canvas.TextRect({0, top, 32, top + 15}, lead);
    canvas.TextRect({36, top, Width() - 21, top + 15}, Item(row)->Name);
  }
}

}  // namespace ui
