// The kinds of control the player window is made of, named once so the
// window's code reads the same whichever classes stand behind them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "lists/PlayList.h"
#include "widgets/paint/ControlEx.h"
#include "widgets/paint/ImageEx.h"
#include "widgets/paint/LabelEx.h"

namespace ui {

using TPlayerButton = widgets::TImageEx;
using TPlayerMarquee = widgets::TLabelEx;
using TPlayerThrobber = widgets::TImageEx;
using TPlayerVolume = widgets::TImageEx;
using TPlayerVisualization = widgets::TControlEx;

// A plain station list: one 15-pixel row per entry, the selection and the
// playing entry highlighted, numbers or check boxes at the start.
class TSimpleListBox : public widgets::TControlEx {
 public:
  explicit TSimpleListBox(widgets::TComponent* owner = nullptr);
  ~TSimpleListBox() override;

  qor::TPlayList& Items() { return *FItems; }
  const qor::TPlayList& Items() const { return *FItems; }
  int Count() const { return FItems->Count(); }
  qor::TPlayItem* Item(int index) const;
  void SetTicked(int index, bool value);
  int IndexOfKey(std::u16string_view key) const { return FItems->IndexOfKey(key); }
  int IndexOfId(int32_t id) const { return FItems->IndexOfId(id); }
  bool LoadDatabase(const std::filesystem::path& path);
  bool LoadFavourites(const std::filesystem::path& path);
  bool SaveFavourites(const std::filesystem::path& path) const;

  int TopIndex() const { return FTopIndex; }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int index) { FItemIndex = index; }
  int32_t ActiveId() const { return FActiveId; }
  void SetActiveId(int32_t id) { FActiveId = id; }
  int VisibleRows() const { return FVisibleRows; }
  void SetVisibleRows(int n) { FVisibleRows = n; }
  int RowAt(int y) const { return FTopIndex + y / 15; }
  bool ShowCheckBoxes() const { return FShowCheckBoxes; }
  void SetShowCheckBoxes(bool value) { FShowCheckBoxes = value; }
  void SetFavouritesMode(int value) { FFavouritesMode = value; }
  void MoveSelection(int delta);
  void SelectAndShowPage(int index);
  void ScrollBy(int delta);

  void DoPaint() override;

 private:
  std::unique_ptr<qor::TPlayList> FItems;
  int FTopIndex = 0;
  int FItemIndex = -1;
  int32_t FActiveId = 0;
  int FVisibleRows = 10;
  bool FShowCheckBoxes = false;
  int FFavouritesMode = 0;
};

using TPlayListBox = TSimpleListBox;
using TFavouritesBox = TPlayListBox;
using TDatabaseBox = TPlayListBox;

}  // namespace ui
