// TPlayListBoxEx: the painted station list. One 15-pixel row per entry of
// its own TPlayList, a scroll track with a draggable thumb on the right, a
// row number or a check box at the start of each row, and the highlights of
// the selected and of the playing entry. Only the rows in view are drawn.
//
// The box keeps its list, its search results and the view state; the owner
// (the player window) wires the mouse and key events of the toolkit to its
// own handlers and drives the view with MoveSelection, MoveSelectedItem,
// SelectAndShowPage and ScrollBy (ListBoxInput.h has the usual key and
// wheel rules). The box does not repaint by itself after a change, except
// while its thumb is dragged: the owner asks for the redraw.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "lists/PlayList.h"
#include "ui/controls/Grips.h"
#include "ui/controls/Tinting.h"
#include "widgets/paint/ControlEx.h"

namespace ui {

class TPlayListBoxEx;

// Fired after the mouse toggled the check box of the entry at index.
using TCheckEvent = std::function<void(widgets::TObject* Sender, int Index, qor::TPlayItem* Item)>;

// Colours of the rows (0xAARRGGBB).
constexpr uint32_t clListAccent = AccentColour;
constexpr uint32_t clListText = 0xdfffffff;
constexpr uint32_t clListSelectedText = 0xdf000000;
constexpr uint32_t clListPressedText = 0xdfffffff;
constexpr uint32_t clListFocusedFill = 0xefffffff;
constexpr uint32_t clListSelectedFill = 0xcfffffff;
constexpr uint32_t clListLocalFileText = 0xffc0c0c0;

class TPlayListBoxEx : public widgets::TControlEx {
public:
  explicit TPlayListBoxEx(widgets::TComponent* AOwner = nullptr);
  ~TPlayListBoxEx() override;

  // --- the entries ---
  qor::TPlayList& Items() { return *FItems; }
  const qor::TPlayList& Items() const { return *FItems; }
  qor::TResultList& Results() { return *FResults; }
  const qor::TResultList& Results() const { return *FResults; }
  int Count() const { return FItems->Count(); }
  // Null outside the list.
  qor::TPlayItem* Item(int index) const;

  int AddItem(std::unique_ptr<qor::TPlayItem> item);
  void InsertItem(int index, std::unique_ptr<qor::TPlayItem> item);
  void DeleteItem(int index);
  void ExchangeItems(int index1, int index2);
  void SetTicked(int index, bool value);
  // Frees every entry; TopIndex and ItemIndex become -1, the results empty.
  void ClearItems();
  int IndexOfKey(std::u16string_view key) const { return FItems->IndexOfKey(key); }
  int IndexOfId(int32_t id) const { return FItems->IndexOfId(id); }
  // Fills Results with the ids of the entries whose folded name holds the
  // folded text; an empty text changes nothing and gives 0.
  int Search(std::u16string_view text);
  qor::TPlayItem* FindByName(std::u16string_view text);
  void SortByName(bool ascending);

  // The list files; each replaces or extends the list inside an update.
  bool LoadDatabase(const std::filesystem::path& path);
  bool LoadFavourites(const std::filesystem::path& path);
  int ImportList(const std::filesystem::path& path);
  int OpenList(const std::filesystem::path& path);
  bool SaveFavourites(const std::filesystem::path& path) const;
  bool ExportListFile(const std::filesystem::path& path) const;
  bool ExportXmlFile(const std::filesystem::path& path) const;

  // Painting is suspended between the two.
  void BeginUpdate() { FUpdating = true; }
  void EndUpdate() { FUpdating = false; }
  bool Updating() const { return FUpdating; }

  // --- the view ---
  int TopIndex() const { return FTopIndex; }
  int ItemIndex() const { return FItemIndex; }
  // Stores any value; one outside the list matches no row.
  void SetItemIndex(int index) { FItemIndex = index; }
  int RowHeight() const { return FRowHeight; }
  // The playing entry by its Id; its row follows it through reordering and
  // is gone once it is deleted.
  int32_t ActiveId() const { return FActiveId; }
  void SetActiveId(int32_t id);
  int ActiveIndex() const { return FActiveIndex; }
  bool Focused() const { return FFocused; }
  bool Pressed() const { return FPressed; }
  int VisibleRows() const { return FVisibleRows; }
  // The owner gives the box n rows of height; the track takes that height.
  void SetVisibleRows(int n);
  int LastVisibleIndex() const;
  // The row under y in box coordinates (may lie outside the list).
  int RowAt(int y) const;
  bool ShowCheckBoxes() const { return FShowCheckBoxes; }
  void SetShowCheckBoxes(bool value) { FShowCheckBoxes = value; }
  int FavouritesMode() const { return FFavouritesMode; }
  void SetFavouritesMode(int value) { FFavouritesMode = value; }
  int ScrollerWidth() const { return FScrollerWidth; }
  int CheckLeft() const { return FCheckLeft; }
  int CheckWidth() const { return FCheckWidth; }
  int CheckHeight() const { return FCheckHeight; }
  float Scale() const { return FScale; }
  TScrollerEx* Scroller() const { return FScroller.get(); }
  TThumbEx* Thumb() const { return FThumb.get(); }

  // Moves the selection by delta rows, clamped to the list, and scrolls it
  // into view.
  void MoveSelection(int delta);
  // The same, taking the selected entry along: it trades places with the
  // entry at the new index.
  void MoveSelectedItem(int delta);
  // Selects the entry and shows the page of VisibleRows rows that holds it.
  void SelectAndShowPage(int index);
  // Scrolls by delta rows; a positive delta moves towards the start.
  void ScrollBy(int delta);
  void UpdateScrollBar();
  void UpdateScrollerVisibility();

  TCheckEvent OnCheck;

  void Paint() override;
  void DoPaint() override;
  // The rows are compared before each frame of the window (FrameCheck):
  // a frame in which they stayed the same does not walk the box.
  void FrameCheck() override;
  bool ChangesOnlyWhenTold() const override { return true; }

protected:
  void CreateHandle() override;
  void WMSize(widgets::TMessage& m) override;
  void WMMouseMove(widgets::TMessage& m) override;
  void WMButtonDown(widgets::TMessage& m) override;
  void WMButtonUp(widgets::TMessage& m) override;
  void WMSetFocus(widgets::TMessage& m) override;
  void WMKillFocus(widgets::TMessage& m) override;

private:
  // The part of MoveSelection and MoveSelectedItem after the clamping.
  void MoveTo(int64_t delta, bool takeEntry);
  void PlaceScroller();
  void ShowCursor(int index);
  void ThumbMouseDown(widgets::UINT keys, int x, int y);
  void ThumbDrag(widgets::UINT keys, int x, int y);
  int ThumbTravel() const;
  void PaintRow(int row);
  // Everything the rows in view are drawn from: the list is drawn again
  // only when this changes, not with every frame of the window. Compared
  // field by field with what was drawn last, and brought up to date.
  struct TRowLook {
    int32_t Id = 0;
    int32_t AddressKind = 0;
    bool Ticked = false;
    std::u16string Name;
  };
  struct TLook {
    std::array<long long, 16> View{};
    std::string FontName;
    std::vector<TRowLook> Rows;
  };
  bool LookChanged();
  TLook FLook;
  bool FLookKnown = false;
  template <class F>
  auto Updated(F&& work) -> decltype(work());

  std::unique_ptr<qor::TPlayList> FItems;
  int FTopIndex = 0;
  int FItemIndex = -1;
  int FRowHeight = 15;
  int FActiveIndex = -1;
  bool FFocused = false;
  int FVisibleRows = 10;
  // Ids are never negative, so nothing plays until the owner says so.
  int32_t FActiveId = -1;
  bool FUpdating = false;
  std::unique_ptr<qor::TResultList> FResults;
  int FDragStartY = 0;
  int FDragStartThumbTop = 0;
  float FScale = 0;
  std::unique_ptr<TScrollerEx> FScroller;
  int FScrollerWidth = 20;
  std::unique_ptr<TThumbEx> FThumb;
  int FFavouritesMode = 0;
  int FCheckWidth = 15;
  int FCheckHeight = 15;
  bool FShowCheckBoxes = false;
  bool FPressed = false;
  int FCheckLeft = 8;
  std::unique_ptr<widgets::TBitmapEx> FCheckTicked;
  std::unique_ptr<widgets::TBitmapEx> FCheckEmpty;
  std::unique_ptr<widgets::TBitmapEx> FCheckEmptyDark;
};

}  // namespace ui
