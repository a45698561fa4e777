// The search bars of the two station lists: a grey "Radyo Ara" while the
// edit is empty and unfocused, a search on every change of the text, the
// hit counter and the arrows that step through the hits with wrap-around,
// and a red icon when nothing matches. Only the bar of the list shown is
// visible.
#include <algorithm>
#include <string>
#include <tuple>

#include "support/Encoding.h"
#include "ui/controls/Edit.h"
#include "ui/window/PlayerWindow.h"
#include "ui/window/SearchHits.h"

namespace ui {

using namespace widgets;

namespace {

constexpr std::uint32_t NoMatchTint = 0xFFFF0000;
constexpr std::uint32_t PlaceholderColour = 0xFFC0C0C0;
constexpr std::uint32_t TextColour = 0xFFFFFFFF;

TImageEx* SearchImage(TControl* parent, int x, int y, int w, int h, int image) {
  auto* control = new TImageEx(parent);
  control->SetParent(parent);
  control->SetBounds(x, y, w, h);
  control->SetImageId(image);
  control->SetVisible(true);
  return control;
}

std::u16string CounterText(int position, int count) {
  return enc::Utf8ToUtf16(std::to_string(position + 1) + " / " + std::to_string(count));
}

// Searches the list for the bar's text; the arrows, the counter and the
// icon's tint show whether anything matched.
int CountHits(TSearchBar& bar) {
  const std::u16string text = bar.Placeholder ? std::u16string() : bar.Edit->Caption();
  int hits = 0;
  if (text.empty()) bar.List->Results().Clear();
  else hits = bar.List->Search(text);
  bar.Icon->SetTint(!text.empty() && hits == 0 ? NoMatchTint : 0);
  bar.Previous->SetVisible(hits > 0);
  bar.Next->SetVisible(hits > 0);
  bar.Counter->SetVisible(hits > 0);
  return hits;
}

}  // namespace

void TPlayerWindow::BuildSearchBars() {
  BuildSearchBar(FFavouritesSearch, FFavourites);
  BuildSearchBar(FDatabaseSearch, FDatabase);
  ShowSearchBar();
}

void TPlayerWindow::BuildSearchBar(TSearchBar& bar, TPlayListBox* list) {
  bar.List = list;
  bar.Bar = new TControlEx(FBottomBar);
  bar.Bar->SetParent(FBottomBar);
  bar.Bar->SetBounds(0, 0, FBottomBar->Width() - 37, 16);
  bar.Bar->SetVisible(true);
  WireDrag(bar.Bar);
  const int h = bar.Bar->Height();

  bar.Icon = SearchImage(bar.Bar, 0, h - 14, 14, 14, 2014);
  bar.Icon->SetHint(LoadString(334));
  bar.Icon->SetShowHint(true);
  bar.Icon->SetCursor(13);
  bar.Icon->OnClick = [this, &bar](TObject*, UINT, int, int) { bar.Edit->SetFocus(); };

  bar.Edit = new TEdit(bar.Bar);
  bar.Edit->SetParent(bar.Bar);
  bar.Edit->SetBounds(16, h - 15, 85, 15);
  bar.Edit->SetColor(0xFF202020);
  bar.Edit->SetCaretColour(0xFFFFFFFF);
  bar.Edit->Font().SetName("Tahoma");
  bar.Edit->Font().SetSize(8);
  bar.Edit->SetVisible(true);
  bar.Edit->OnChange = [this, &bar](TObject*) { SearchChanged(bar); };
  bar.Edit->OnSetFocus = [this, &bar](TObject*) { SearchFocus(bar, true); };
  bar.Edit->OnKillFocus = [this, &bar](TObject*) { SearchFocus(bar, false); };
  bar.Edit->OnKeyDown = [this, &bar](TObject*, std::uint16_t& key, TShiftState shift) {
    if (SearchKey(bar, key, shift)) key = 0;
  };

  bar.Previous = SearchImage(bar.Bar, 105, h - 12, 5, 10, 2015);
  bar.Next = SearchImage(bar.Bar, 115, h - 12, 5, 10, 2016);
  for (auto [arrow, hint, delta] : {std::tuple{bar.Previous, 332, -1}, std::tuple{bar.Next, 333, 1}}) {
    arrow->SetImageOpacity(239);
    arrow->SetHint(LoadString(hint));
    arrow->SetShowHint(true);
    arrow->SetCursor(13);
    arrow->SetVisible(false);
    arrow->OnClick = [this, delta = delta](TObject*, UINT, int, int) { SearchStep(delta); };
  }

  bar.Counter = new TLabelEx(bar.Bar);
  bar.Counter->SetAutoSize(false);
  bar.Counter->SetParent(bar.Bar);
  bar.Counter->SetBounds(125, h - 15, 58, 16);
  bar.Counter->Font().SetName("Tahoma");
  bar.Counter->Font().SetSize(7);
  bar.Counter->Font().SetColor(0xBFFFFFFF);
  bar.Counter->Shadow().SetEnabled(false);
  bar.Counter->SetVisible(false);
  WireDrag(bar.Counter);

  SetPlaceholder(bar, true);
}

void TPlayerWindow::ShowSearchBar() {
  FFavouritesSearch.Bar->SetVisible(FListMode == 1);
  FDatabaseSearch.Bar->SetVisible(FListMode == 0);
}

void TPlayerWindow::FocusSearch() {
  TSearchBar& bar = FListMode == 1 ? FFavouritesSearch : FDatabaseSearch;
  bar.Edit->SetFocus();
}

void TPlayerWindow::SetPlaceholder(TSearchBar& bar, bool on) {
  // Writing the placeholder (or taking it away) is no search.
  bar.Placeholder = on;
  bar.Edit->SetNotifyChanges(false);
  bar.Edit->Font().SetColor(on ? PlaceholderColour : TextColour);
  bar.Edit->Font().SetStyle(on ? FontStyleItalic : FontStyleRegular);
  bar.Edit->SetCaption(on ? LoadString(334) : std::u16string());
  bar.Edit->SetNotifyChanges(true);
}

void TPlayerWindow::SearchFocus(TSearchBar& bar, bool focused) {
  if (focused && bar.Placeholder) SetPlaceholder(bar, false);
  else if (!focused && !bar.Placeholder && bar.Edit->Caption().empty()) SetPlaceholder(bar, true);
  InvalidateTree();
}

void TPlayerWindow::SearchChanged(TSearchBar& bar) {
  if (bar.Placeholder) return;
  bar.SearchPosition = 0;
  if (CountHits(bar) > 0) ShowHit(bar);
  InvalidateTree();
}

// The list changed under a search (an entry removed, added or renamed).
int RecountHits(TSearchBar& bar) {
  if (!bar.Edit || bar.Placeholder || bar.Edit->Caption().empty()) return 0;
  const int hits = CountHits(bar);
  bar.SearchPosition = std::clamp(bar.SearchPosition, 0, std::max(hits - 1, 0));
  if (hits > 0) bar.Counter->SetCaption(CounterText(bar.SearchPosition, hits));
  return hits;
}

void TPlayerWindow::ShowHit(TSearchBar& bar) {
  const int hits = bar.List->Results().Count();
  if (hits == 0) return;
  // Past either end the hits start over from the other.
  bar.SearchPosition = ((bar.SearchPosition % hits) + hits) % hits;
  bar.Counter->SetCaption(CounterText(bar.SearchPosition, hits));
  int index = bar.List->IndexOfId(bar.List->Results()[bar.SearchPosition]);
  if (index >= 0) bar.List->SelectAndShowPage(index);
  RepaintLists();
}

void TPlayerWindow::SearchStep(int delta) {
  TSearchBar& bar = FListMode == 1 ? FFavouritesSearch : FDatabaseSearch;
  if (bar.List->Results().Count() == 0) return;
  bar.SearchPosition += delta;
  ShowHit(bar);
}

bool TPlayerWindow::SearchKey(TSearchBar& bar, std::uint16_t key, TShiftState shift) {
  switch (key) {
    case VK_TAB:
      bar.List->SetFocus();
      return true;
    case VK_RETURN:
      PlaySelected();
      return true;
    case VK_ESCAPE:
      bar.Edit->SetCaption(u"");
      return true;
    case VK_UP:
    case VK_DOWN:
      if (shift & ssCtrl) return HandleListKey(key, shift);
      SearchStep(key == VK_UP ? -1 : 1);
      return true;
    case VK_PRIOR:
    case VK_NEXT:
      return HandleListKey(key, shift);
    default:
      return false;
  }
}

}  // namespace ui
