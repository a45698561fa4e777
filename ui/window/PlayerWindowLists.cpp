// The two station lists of the player window: loading, the entry chosen at
// start, playing an entry, the keys and mouse of the lists, and the ticks
// that link favourites to database entries.
#include "app/Messages.h"
#include "lists/ListIO.h"
#include "support/Encoding.h"
#include "ui/window/PlayerLayout.h"
#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;
using namespace app;

namespace {

std::filesystem::path InFolder(const std::u16string& folder, const char* name) {
  return std::filesystem::path(enc::WideToFileName(folder)) / name;
}

}  // namespace

void TPlayerWindow::LoadLists() {
  FFavourites->LoadFavourites(InFolder(FConfig.SettingsFolder, "playlist.rpf"));
  FDatabase->LoadDatabase(InFolder(FConfig.SettingsFolder, "broadcast.rpf"));
  TickLinkedEntries();
  SelectStart(FFavourites, FFavouriteIdent, true);
  SelectStart(FDatabase, FDatabaseIdent, false);
}

void TPlayerWindow::SelectStart(TPlayListBox* box, int32_t& ident, bool takeCurrent) {
  if (box->Count() == 0) return;
  int index = box->IndexOfId(ident);
  // A saved entry that is gone gives way to the first one.
  if (index < 0) {
    index = 0;
    ident = box->Item(0)->Id;
  }
  box->SetActiveId(ident);
  box->SelectAndShowPage(index);
  if (takeCurrent) {
    FCurrentName = box->Item(index)->Name;
    FCurrentUrl = enc::Utf8ToUtf16(box->Item(index)->Url);
  }
}

void TPlayerWindow::TickLinkedEntries() {
  for (int i = 0; i < FDatabase->Count(); ++i) {
    auto* entry = FDatabase->Item(i);
    entry->Ticked = !entry->Key.empty() && FFavourites->IndexOfKey(entry->Key) >= 0;
  }
}

TPlayListBox* TPlayerWindow::ShownList() const { return FListMode == 1 ? FFavourites : FDatabase; }

void TPlayerWindow::SetListMode(int mode) {
  FListMode = mode == 1 ? 1 : 0;
  FFavourites->SetVisible(FListMode == 1);
  FDatabase->SetVisible(FListMode == 0);
  ShowSearchBar();
  if (ListPanelVisible()) ShownList()->SetFocus();
  Invalidate();
}

void TPlayerWindow::PlaySelected() { PlayEntry(FListMode == 1); }

void TPlayerWindow::PlayFromFavourites() { PlayEntry(true); }

void TPlayerWindow::PlayEntry(bool fromFavourites) {
  if (WarnIfRecording()) return;
  TPlayListBox* box = fromFavourites ? FFavourites : FDatabase;
  auto* item = box->Item(box->ItemIndex());
  if (!item) return;
  FWasPlaying = false;
  Send(UM_STOP);
  (fromFavourites ? FFavouriteIdent : FDatabaseIdent) = item->Id;
  box->SetActiveId(item->Id);
  FCurrentName = item->Name;
  FCurrentUrl = enc::Utf8ToUtf16(item->Url);
  // A favourite taken from the database plays the database's address,
  // which a station-database update may have refreshed.
  // Administrators play the favourite's own address.
  if (fromFavourites && !item->Key.empty() && !FConfig.Administrator) {
    if (auto* linked = FDatabase->Item(FDatabase->IndexOfKey(item->Key))) FCurrentUrl = enc::Utf8ToUtf16(linked->Url);
  }
  Send(UM_PLAY, reinterpret_cast<WPARAM>(FCurrentName.c_str()), reinterpret_cast<LPARAM>(FCurrentUrl.c_str()));
  RepaintLists();
}

void TPlayerWindow::PlayNext() {
  if (WarnIfRecording()) return;
  int playing = FFavourites->IndexOfId(FFavourites->ActiveId());
  if (playing < 0) return;
  FFavourites->SetItemIndex(playing);
  FFavourites->MoveSelection(1);
  PlayFromFavourites();
}

void TPlayerWindow::PlayPrevious() {
  if (WarnIfRecording()) return;
  int playing = FFavourites->IndexOfId(FFavourites->ActiveId());
  if (playing < 0) return;
  FFavourites->SetItemIndex(playing);
  FFavourites->MoveSelection(-1);
  PlayFromFavourites();
}

void TPlayerWindow::ListMouseDown(TPlayListBox* box, UINT keys, int, int y) {
  if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return;
  int row = box->RowAt(y);
  bool onRow = row >= 0 && row < box->Count();
  if (onRow) box->SetItemIndex(row);
  // The pressed row: the one a drag takes along and a double-click plays.
  FDraggedRow = onRow ? row : -1;
  RepaintLists();
}

void TPlayerWindow::ListDblClick(TPlayListBox* box) {
  if (FDraggedRow >= 0 && box->Item(box->ItemIndex())) PlayEntry(box == FFavourites);
}

bool TPlayerWindow::HandleListKey(std::uint16_t key, TShiftState shift) {
  if (!ListPanelVisible()) return false;
  TPlayListBox* box = ShownList();
  int delta = 0;
  switch (key) {
    case VK_UP: delta = -1; break;
    case VK_DOWN: delta = 1; break;
    case VK_PRIOR: delta = -FRowCount; break;
    case VK_NEXT: delta = FRowCount; break;
    case VK_HOME: delta = -0x3FFFFFFF; break;
    case VK_END: delta = 0x3FFFFFFF; break;
    case VK_RETURN:
      PlaySelected();
      return true;
    case VK_LEFT:
      VolumeStepBy(-1);
      return true;
    case VK_RIGHT:
      VolumeStepBy(1);
      return true;
    default:
      return false;
  }
  if (shift & ssCtrl) {
    // Ctrl moves the selected favourite itself.
    if (FListMode != 1) return true;
    int from = box->ItemIndex();
    box->MoveSelectedItem(delta);
    if (from != box->ItemIndex()) SaveFavourites();
  } else {
    box->MoveSelection(delta);
  }
  RepaintLists();
  return true;
}

void TPlayerWindow::RepaintLists() { InvalidateTree(); }

bool TPlayerWindow::SaveFavourites() {
  std::error_code ignored;
  std::filesystem::create_directories(enc::WideToFileName(FConfig.SettingsFolder), ignored);
  // Failures are swallowed: the old file stays as it was.
  return FFavourites->SaveFavourites(InFolder(FConfig.SettingsFolder, "playlist.rpf"));
}

}  // namespace ui
