// The mouse and keys of the list panel that stand for commands: the
// command keys of the two lists, dragging a favourite to another row, the
// context menus, the side-bar and share buttons, and dropped files.
#include "ui/window/CommandTexts.h"
#include "ui/window/PlayerMenus.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/DropFiles.h"

namespace ui {

using namespace widgets;

bool TPlayerWindow::HandleCommandKey(std::uint16_t key, TShiftState shift) {
  if (!ListPanelVisible() || (shift & (ssCtrl | ssAlt))) return false;
  bool favourites = FListMode == 1;
  switch (key) {
    case VK_INSERT: if (favourites) Command(cmSearchStation); return favourites;
    case VK_DELETE: if (favourites) RemoveSelected(); return favourites;
    case VK_F1 + 1: if (favourites) EditSelected(); return favourites;
    case VK_SPACE: if (!favourites) ToggleDatabaseFavourite(); return !favourites;
    default: return false;
  }
}

void TPlayerWindow::DragRow(TPlayListBox* box, UINT keys, int y) {
  if (box != FFavourites || FListMode != 1 || !(keys & MK_LBUTTON) || FDraggedRow < 0) return;
  int from = FFavourites->ItemIndex();
  if (!FFavourites->Item(from)) return;
  int to = from;
  // Past an edge the entry moves one row at a time, and the list scrolls
  // with it; over a row it goes straight there.
  if (y < 0) to = from - 1;
  else if (y >= FFavourites->Height()) to = from + 1;
  else if (FFavourites->Item(FFavourites->RowAt(y))) to = FFavourites->RowAt(y);
  to = std::clamp(to, 0, FFavourites->Count() - 1);
  if (to == from) return;
  auto item = FFavourites->Items().Extract(from);
  FFavourites->InsertItem(to, std::move(item));
  FFavourites->SetItemIndex(to);
  if (to < FFavourites->TopIndex() || to > FFavourites->LastVisibleIndex()) FFavourites->MoveSelection(0);
  FDraggedRow = to;
  FRowsDragged = true;
  FFavourites->SetActiveId(FFavourites->ActiveId());
  RepaintLists();
}

void TPlayerWindow::WireListCommands(TPlayerButton* add, TPlayerButton* manager, TPlayerButton* facebook,
                                     TPlayerButton* twitter, TPlayerButton* google) {
  // The left button alone makes a drag; with a modifier it is a move.
  FFavourites->OnDrag = [this](TObject*, UINT keys, int, int y) { DragRow(FFavourites, keys, y); };
  FFavourites->OnMouseMove = FFavourites->OnDrag;
  FFavourites->OnMouseUp = [this](TObject*, UINT, int, int) {
    // A dragged row is saved once, where it was let go.
    if (FRowsDragged) FavouritesChanged();
    FRowsDragged = false;
  };
  FFavourites->OnContextMenu = [this](TObject*, int, int) { ListContextMenu(true); };
  FDatabase->OnContextMenu = [this](TObject*, int, int) { ListContextMenu(false); };
  add->OnClick = [this](TObject*, UINT, int, int) { ShowAddMenu(); };
  manager->OnClick = [this](TObject*, UINT, int, int) { ShowListManagerMenu(); };
  facebook->OnClick = [this](TObject*, UINT, int, int) { Share(TShareSite::Facebook); };
  twitter->OnClick = [this](TObject*, UINT, int, int) { Share(TShareSite::Twitter); };
  google->OnClick = [this](TObject*, UINT, int, int) { Share(TShareSite::GooglePlus); };
}

void TPlayerWindow::DroppedFiles(HDROP drop) {
  SetForegroundWindow(WindowHandle());
  // Ctrl held at the drop replaces the favourites with what it brings.
  bool replace = GetAsyncKeyState(VK_CONTROL) < 0;
  std::vector<std::u16string> paths = DragQueryFiles(drop);
  DropFiles(paths, replace);
  DragFinish(drop);
}

}  // namespace ui
