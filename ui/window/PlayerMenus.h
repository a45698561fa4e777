// The five menus of the player window as tables: the window and tray menu
// (101), the favourites' context menu (102), the list-manager menu (103),
// the add-button menu (104) and the database's context menu (105). Each
// table is turned into a toolkit menu by BuildTableMenu; the captions keep
// their "&" access keys and the shortcut text after the tab.
#pragma once

#include <functional>
#include <span>
#include <string>

#include "widgets/menus/Menu.h"

namespace ui {

// Command ids of the menus and of the keys that stand for them.
inline constexpr widgets::UINT cmPlayFavourite = 40100, cmStopPlayback = 40101, cmSearchStation = 40102,
                               cmRemove = 40103, cmMoveUp = 40104, cmMoveDown = 40105, cmEdit = 40106,
                               cmShowPlayerMenu = 40107, cmUpdateAll = 40151,
                               cmSearchWeb = 40152, cmSearchVideo = 40153, cmSaveAs = 40200, cmAddFile = 40201,
                               cmLoadFile = 40202, cmClearAll = 40203, cmSortAscending = 40204,
                               cmSortDescending = 40205, cmPlayDatabase = 40501, cmToggleFavourite = 40502,
                               cmReportBroken = 40503;
// Commands without a menu item (the media controls).
inline constexpr widgets::UINT cmPlayStop = 9010, cmNext = 9012, cmPrevious = 9013, cmRecordButton = 9014;

struct TMenuRow {
  enum TKind { Item, Separator, SubMenu, EndSubMenu };
  TKind Kind = Item;
  widgets::UINT Id = 0;
  const char16_t* Caption = u"";
  // Shown only in administrator mode.
  bool AdminOnly = false;
};

enum class TPlayerMenuId { Player = 101, PlayList = 102, PlayListManager = 103, AddButton = 104, Broadcast = 105 };

std::span<const TMenuRow> MenuTable(TPlayerMenuId menu);

struct TMenuBuildOptions {
  bool Administrator = false;
  // Items whose command cannot run here are shown greyed.
  std::function<bool(widgets::UINT id)> Available;
};

// A pop-up menu made from the rows; the caller destroys it.
widgets::HMENU BuildTableMenu(std::span<const TMenuRow> rows, const TMenuBuildOptions& options);

}  // namespace ui
