// The list and view operations of the station list box and its mouse
// handling; the painting is in PlayListBoxPaint.cpp.
#include "ui/listbox/PlayListBoxEx.h"

#include <algorithm>
#include <cmath>

#include "lists/ListIO.h"

namespace ui {

using namespace widgets;

namespace {

constexpr int kThumbImage = 5001;
constexpr int kThumbWidth = 12, kThumbHeight = 50;
constexpr UINT kScrollerId = 1001;
constexpr int kCursorArrow = 0, kCursorHand = 13;

int ClampToList(int64_t index, int count) {
  index = std::max<int64_t>(index, 0);
  return static_cast<int>(std::min<int64_t>(index, count - 1));
}

}  // namespace

TPlayListBoxEx::TPlayListBoxEx(TComponent* AOwner)
    : TControlEx(AOwner),
      FItems(std::make_unique<qor::TPlayList>()),
      FResults(std::make_unique<qor::TResultList>()) {
  SetClassNameW(u"TPlayListBoxEx");
  SetCached(true);
  SetFrameChecked(true);
  TCanvasEx& canvas = Canvas();
  canvas.SetAntialias(false);
  Font().SetName("Tahoma");
  Font().SetSize(8);
  Font().SetColor(0xffffffff);
  TStringFormatEx& format = canvas.StringFormat();
  format.SetLineAlignment(StringAlignmentCenter);
  format.SetTrimming(StringTrimmingEllipsisCharacter);
  format.SetFormatFlags(format.FormatFlags() | StringFormatFlagsNoWrap);

  auto tinted = [](int id, uint32_t colour) {
    std::unique_ptr<TBitmapEx> image = TBitmapEx::FromResource(id);
    if (image && colour) image->Tint(colour);
    return image;
  };
  FCheckTicked = tinted(2025, clListAccent);
  FCheckEmpty = tinted(2026, 0);
  FCheckEmptyDark = tinted(2026, 0xff000000);
}

TPlayListBoxEx::~TPlayListBoxEx() {
  // The track and thumb go first: they are children of this window.
  FThumb.reset();
  FScroller.reset();
  DestroyHandle();
}

// --- the entries ---

qor::TPlayItem* TPlayListBoxEx::Item(int index) const {
  return index >= 0 && index < Count() ? FItems->Item(index) : nullptr;
}

int TPlayListBoxEx::AddItem(std::unique_ptr<qor::TPlayItem> item) { return FItems->Add(std::move(item)); }

void TPlayListBoxEx::InsertItem(int index, std::unique_ptr<qor::TPlayItem> item) {
  FItems->Insert(index, std::move(item));
}

void TPlayListBoxEx::DeleteItem(int index) { FItems->Delete(index); }

void TPlayListBoxEx::ExchangeItems(int index1, int index2) { FItems->Exchange(index1, index2); }

void TPlayListBoxEx::SetTicked(int index, bool value) { FItems->SetTicked(index, value); }

// Runs work with painting suspended, and resumes painting even when it
// throws.
template <class F>
auto TPlayListBoxEx::Updated(F&& work) -> decltype(work()) {
  struct TResume {
    TPlayListBoxEx* Box;
    ~TResume() { Box->EndUpdate(); }
  } resume{this};
  BeginUpdate();
  return work();
}

void TPlayListBoxEx::ClearItems() {
  Updated([&] {
    FItems->Clear();
    FTopIndex = -1;
    FItemIndex = -1;
    FResults->Clear();
  });
}

int TPlayListBoxEx::Search(std::u16string_view text) {
  return Updated([&] { return qor::SearchByName(*FItems, text, *FResults); });
}

qor::TPlayItem* TPlayListBoxEx::FindByName(std::u16string_view text) {
  return Updated([&] { return qor::FindByName(*FItems, text); });
}

void TPlayListBoxEx::SortByName(bool ascending) { qor::SortByName(*FItems, ascending); }

bool TPlayListBoxEx::LoadDatabase(const std::filesystem::path& path) {
  return Updated([&] { return qor::LoadDatabase(*FItems, path); });
}

bool TPlayListBoxEx::LoadFavourites(const std::filesystem::path& path) {
  return Updated([&] { return qor::LoadFavourites(*FItems, path); });
}

int TPlayListBoxEx::ImportList(const std::filesystem::path& path) {
  return Updated([&] { return qor::ImportList(*FItems, path); });
}

int TPlayListBoxEx::OpenList(const std::filesystem::path& path) {
  return Updated([&] { return qor::OpenList(*FItems, path); });
}

bool TPlayListBoxEx::SaveFavourites(const std::filesystem::path& path) const {
  return qor::SaveFavourites(*FItems, path);
}

bool TPlayListBoxEx::ExportListFile(const std::filesystem::path& path) const {
  return qor::ExportListFile(*FItems, path);
}

bool TPlayListBoxEx::ExportXmlFile(const std::filesystem::path& path) const {
  return qor::ExportXmlFile(*FItems, path);
}

// --- the view ---

void TPlayListBoxEx::SetActiveId(int32_t id) {
  FActiveId = id;
  FActiveIndex = FItems->IndexOfId(id);
}

void TPlayListBoxEx::SetVisibleRows(int n) {
  FVisibleRows = n;
  PlaceScroller();
}

int TPlayListBoxEx::LastVisibleIndex() const {
  return static_cast<int>(std::min<int64_t>(Count() - 1, int64_t{FTopIndex} + FVisibleRows - 1));
}

int TPlayListBoxEx::RowAt(int y) const {
  // Rounded down, so a point above the box lies before the first row.
  int offset = y >= 0 ? y / FRowHeight : -((-y + FRowHeight - 1) / FRowHeight);
  return FTopIndex + offset;
}

void TPlayListBoxEx::UpdateScrollerVisibility() {
  if (FScroller) FScroller->SetVisible(Count() > FVisibleRows);
}

int TPlayListBoxEx::ThumbTravel() const {
  if (!FScroller || !FThumb) return 0;
  return FScroller->Height() - FThumb->Height();
}

void TPlayListBoxEx::UpdateScrollBar() {
  UpdateScrollerVisibility();
  const int count = Count();
  if (count <= FVisibleRows) FTopIndex = 0;
  const int travel = ThumbTravel();
  FScale = static_cast<float>(count > FVisibleRows ? count - FVisibleRows : count) / static_cast<float>(travel);
  if (!FThumb) return;
  int top = FThumb->Top();
  // NaN (nothing to travel) and a negative scale leave the thumb where it is.
  if (FScale > 0) top = static_cast<int>(std::nearbyint(static_cast<float>(FTopIndex) / FScale));
  top = std::max(0, std::min(top, travel));
  if (top != FThumb->Top()) FThumb->SetTop(top);
}

void TPlayListBoxEx::ScrollBy(int delta) {
  const int count = Count();
  if (count <= FVisibleRows) {
    FTopIndex = 0;
  } else {
    int64_t top = int64_t{FTopIndex} - delta;
    FTopIndex = static_cast<int>(std::clamp<int64_t>(top, 0, count - FVisibleRows));
  }
  UpdateScrollBar();
}

void TPlayListBoxEx::MoveSelection(int delta) { MoveTo(delta, false); }

void TPlayListBoxEx::MoveSelectedItem(int delta) { MoveTo(delta, true); }

void TPlayListBoxEx::MoveTo(int64_t delta, bool takeEntry) {
  UpdateScrollerVisibility();
  const int count = Count();
  const int old = FItemIndex;
  const int index = ClampToList(int64_t{FItemIndex} + delta, count);
  SetItemIndex(index);
  // An old selection outside the list has no entry to take along.
  if (takeEntry && index != old && Item(old) && Item(index)) FItems->Exchange(old, index);
  if (index < FTopIndex) {
    FTopIndex = index;
  } else if (index < int64_t{FTopIndex} + FVisibleRows - delta) {
    return;
  } else {
    int top = std::max(0, index - FVisibleRows + 1);
    if (top >= count - 1 || int64_t{top} + FVisibleRows > count) top = count - FVisibleRows;
    FTopIndex = top;
  }
  UpdateScrollBar();
}

void TPlayListBoxEx::SelectAndShowPage(int index) {
  UpdateScrollerVisibility();
  const int count = Count();
  index = ClampToList(index, count);
  SetItemIndex(index);
  // A box without rows has no pages: the entry itself comes first.
  int top = FVisibleRows > 0 ? FVisibleRows * (index / FVisibleRows) : index;
  if (int64_t{top} + FVisibleRows > count) top = count - FVisibleRows;
  FTopIndex = std::max(0, top);
  UpdateScrollBar();
}

// --- the scroll track and its thumb ---

void TPlayListBoxEx::CreateHandle() {
  TControlEx::CreateHandle();
  if (FScroller) return;
  FScroller = std::make_unique<TScrollerEx>();
  FScroller->SetParent(this);
  FScroller->SetCtrlID(kScrollerId);
  PlaceScroller();
  FScroller->SetVisible(true);

  FThumb = std::make_unique<TThumbEx>();
  FThumb->SetParent(FScroller.get());
  FThumb->SetAutoSize(false);
  FThumb->SetImageId(kThumbImage);
  FThumb->SetBounds(1, 0, kThumbWidth, kThumbHeight);
  FThumb->SetTint(0xffffffff);
  FThumb->SetVisible(true);
  FThumb->OnMouseDown = [this](TObject*, UINT keys, int x, int y) { ThumbMouseDown(keys, x, y); };
  FThumb->OnDrag = [this](TObject*, UINT keys, int x, int y) { ThumbDrag(keys, x, y); };
  FThumb->OnMouseEnter = [this](TObject*) { FThumb->SetTint(clListAccent); };
  FThumb->OnMouseLeave = [this](TObject*) { FThumb->SetTint(0xffffffff); };
  // A box that starts empty shows no track.
  UpdateScrollerVisibility();
}

// The track stands at the right edge over the box's full height.
void TPlayListBoxEx::PlaceScroller() {
  if (FScroller) FScroller->SetBounds(Width() - FScrollerWidth, 0, FScrollerWidth, Height());
}

void TPlayListBoxEx::WMSize(TMessage& m) {
  TControlEx::WMSize(m);
  PlaceScroller();
}

void TPlayListBoxEx::ThumbMouseDown(UINT keys, int x, int y) {
  if (keys != MK_LBUTTON) return;
  FDragStartY = FThumb->ClientToScreen({x, y}).Y;
  FDragStartThumbTop = FThumb->Top();
}

void TPlayListBoxEx::ThumbDrag(UINT keys, int x, int y) {
  if (!(keys & MK_LBUTTON)) return;
  UpdateScrollerVisibility();
  const int count = Count();
  if (count <= FVisibleRows) return;
  const int travel = ThumbTravel();
  FScale = static_cast<float>(count - FVisibleRows) / static_cast<float>(travel);
  const int cursorY = FThumb->ClientToScreen({x, y}).Y;
  int top = FDragStartThumbTop + (cursorY - FDragStartY);
  top = std::max(0, std::min(top, travel));
  const bool moved = top != FThumb->Top();
  FThumb->SetTop(top);
  FTopIndex = static_cast<int>(std::nearbyint(static_cast<float>(top) * FScale));
  if (moved) {
    ProcessMessages();
    InvalidateTree();
  }
}

// --- mouse and focus ---

void TPlayListBoxEx::WMButtonDown(TMessage& m) {
  SetCapture(WindowHandle());
  SetFocus();
  TControlEx::WMButtonDown(m);
  if (FFavouritesMode != 0 || m.Msg != WM_LBUTTONDOWN || GET_KEYSTATE_WPARAM(m.WParam) != MK_LBUTTON) return;
  const int x = GET_X_LPARAM(m.LParam);
  const int row = RowAt(GET_Y_LPARAM(m.LParam));
  qor::TPlayItem* item = Item(row);
  if (!item || x < FCheckLeft || x > FCheckLeft + FCheckWidth - 1) return;
  item->Ticked = !item->Ticked;
  if (OnCheck) OnCheck(this, row, item);
}

// The pointer shape changes at once, and stays as the box's own cursor for
// the moves that follow.
void TPlayListBoxEx::ShowCursor(int index) {
  SetCursor(index);
  widgets::SetCursor(index);
}

void TPlayListBoxEx::WMMouseMove(TMessage& m) {
  TControlEx::WMMouseMove(m);
  const int x = GET_X_LPARAM(m.LParam);
  const bool onRow = Item(RowAt(GET_Y_LPARAM(m.LParam))) != nullptr;
  if (FFavouritesMode != 0) {
    ShowCursor(kCursorArrow);
    if (onRow) FPressed = GET_KEYSTATE_WPARAM(m.WParam) == MK_LBUTTON;
  } else if (onRow) {
    ShowCursor(x >= FCheckLeft && x < FCheckLeft + FCheckWidth ? kCursorHand : kCursorArrow);
  }
}

void TPlayListBoxEx::WMButtonUp(TMessage& m) {
  FPressed = false;
  ReleaseCapture();
  TControlEx::WMButtonUp(m);
}

void TPlayListBoxEx::WMSetFocus(TMessage& m) {
  FFocused = true;
  TControlEx::WMSetFocus(m);
}

void TPlayListBoxEx::WMKillFocus(TMessage& m) {
  FFocused = false;
  TControlEx::WMKillFocus(m);
}

}  // namespace ui
