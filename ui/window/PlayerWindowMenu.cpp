// The window's menus and commands: the five menus are made from their
// tables (PlayerMenus.cpp), the window menu once (it is also the tray
// menu), the others for each use; every command arrives here as one id.
#include "app/Messages.h"
#include "app/Options.h"
#include "browser/Pages.h"
#include "ui/window/PlayerBus.h"
#include "ui/window/PlayerMenus.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/menus/Menu.h"

namespace ui {

using namespace widgets;
using namespace app;

bool TPlayerWindow::MenuCommandAvailable(std::uintptr_t id) const {
  switch (id) {
    case cmReportBroken:
      return browser::ReportAvailable();
    // Stopping what does not play is nothing to offer.
    case cmStopPlayback:
      return IsPlaying();
    default:
      return true;
  }
}

void TPlayerWindow::BuildMenu() {
  TMenuBuildOptions options;
  options.Administrator = FConfig.Administrator;
  options.Available = [this](UINT id) { return MenuCommandAvailable(id); };
  FPlayerMenu = CreateMenu();
  AppendMenuW(FPlayerMenu, MF_POPUP, BuildTableMenu(MenuTable(TPlayerMenuId::Player), options), u"Player");
  // The four hotkey commands show their combinations after the tab.
  RefreshHotkeyTexts(FPlayerMenu, FOptions);
}

void TPlayerWindow::RefreshMenuTexts() { RefreshHotkeyTexts(FPlayerMenu, FOptions); }

HMENU TPlayerWindow::PlayerMenu() {
  HMENU player = GetSubMenu(FPlayerMenu, 0);
  CheckMenuItem(player, cmAlwaysTop, AlwaysTop() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(player, cmHibernate, Hibernating() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(player, cmShowHide, Visible() ? MF_UNCHECKED : MF_CHECKED);
  CheckMenuItem(player, cmRecord, Recording() ? MF_CHECKED : MF_UNCHECKED);
  CheckMenuItem(player, cmBanner, FOptions.ReadBool(obShowBanner) ? MF_CHECKED : MF_UNCHECKED);
  return FPlayerMenu;
}

void TPlayerWindow::ShowWindowMenu(int, int) {
  // A list's right click has shown the list's menu; the same click then
  // reaches the root panel, which must not show a second menu.
  if (FListMenuShown) {
    FListMenuShown = false;
    return;
  }
  TPoint at = GetCursorPos();
  TrackPopupMenuEx(GetSubMenu(PlayerMenu(), 0), TPM_VERTICAL, at.X, at.Y, WindowHandle());
}

void TPlayerWindow::TrackTableMenu(int id) {
  TMenuBuildOptions options;
  options.Administrator = FConfig.Administrator;
  options.Available = [this](UINT item) { return MenuCommandAvailable(item); };
  HMENU menu = BuildTableMenu(MenuTable(static_cast<TPlayerMenuId>(id)), options);
  TPoint at = GetCursorPos();
  // The chosen command comes back as WM_COMMAND after the menu is gone.
  TrackPopupMenuEx(menu, TPM_VERTICAL, at.X, at.Y, WindowHandle());
  DestroyMenu(menu);
}

void TPlayerWindow::ShowFavouritesMenu() { TrackTableMenu(static_cast<int>(TPlayerMenuId::PlayList)); }
void TPlayerWindow::ListContextMenu(bool favourites) {
  if (favourites) ShowFavouritesMenu();
  else ShowDatabaseMenu();
  FListMenuShown = true;
}
void TPlayerWindow::ShowListManagerMenu() { TrackTableMenu(static_cast<int>(TPlayerMenuId::PlayListManager)); }
void TPlayerWindow::ShowAddMenu() { TrackTableMenu(static_cast<int>(TPlayerMenuId::AddButton)); }
void TPlayerWindow::ShowDatabaseMenu() { TrackTableMenu(static_cast<int>(TPlayerMenuId::Broadcast)); }

bool TPlayerWindow::Command(WPARAM id) {
  switch (id) {
    case cmAbout: ShowBrowserPage(browser::UM_BROWSER_ABOUT); return true;
    case cmAddStation:
    case cmSearchStation: ShowBrowserPage(browser::UM_BROWSER_FIND); return true;
    case cmClose:
      // Closing itself marks the window as closing.
      PostMessage(WindowHandle(), WM_CLOSE);
      return true;
    case cmOptions:
      PostMessage(FConfig.Controller, UM_SHOW_OPTIONS, static_cast<WPARAM>(WindowHandle()), 0);
      return true;
    case cmAlwaysTop:
      ToggleAlwaysOnTop();
      return true;
    case cmHibernate:
      ToggleHibernate();
      return true;
    case cmShowHide:
      ToggleVisible();
      return true;
    case cmCopyTitle:
      CopyTitle();
      return true;
    case cmRecord:
    case cmRecordButton: {
      if (!Visible()) ToggleVisible();
      if (Hibernating()) ToggleHibernate(false);
      std::shared_ptr<bool> alive = FAlive;
      if (id == cmRecordButton && !Pump(0)) return true;
      if (*alive) ToggleRecording();
      return true;
    }
    case cmSchedule:
      OpenScheduleDialog();
      return true;
    case cmBanner: {
      bool show = !FOptions.ReadBool(obShowBanner);
      FOptions.WriteBool(obShowBanner, show);
      FListeners->SetVisible(show && !FListeners->Caption().empty());
      if (show && ListPanelVisible()) ShowBannerBand();
      else if (!show) HideBannerBand();
      return true;
    }
    case cmDownloadStationList:
      DownloadStationList();
      return true;
    case cmAddAddress:
    case cmAddVideo:
      AddByAddress(id == cmAddVideo);
      return true;
    case cmPlayFavourite:
      if (FFavourites->Item(FFavourites->ItemIndex())) PlayEntry(true);
      return true;
    case cmPlayDatabase:
      if (FDatabase->Item(FDatabase->ItemIndex())) PlayEntry(false);
      return true;
    case cmStopPlayback:
      // A stop never starts anything.
      if (IsPlaying()) StopPlayback();
      return true;
    case cmRemove:
      RemoveSelected();
      return true;
    case cmMoveUp:
    case cmMoveDown:
      MoveSelected(id == cmMoveUp ? -1 : 1);
      return true;
    case cmEdit:
      EditSelected();
      return true;
    case cmShowPlayerMenu:
      ShowWindowMenu(0, 0);
      return true;
    case cmUpdateAll:
    case cmSearchWeb:
    case cmSearchVideo:
      // Administrator entries without an action.
      return true;
    case cmSaveAs:
      SaveFavouritesAs();
      return true;
    case cmAddFile:
    case cmLoadFile:
      ImportFavourites(id == cmLoadFile);
      return true;
    case cmClearAll:
      ClearFavourites();
      return true;
    case cmSortAscending:
    case cmSortDescending:
      SortFavourites(id == cmSortAscending);
      return true;
    case cmToggleFavourite:
      ToggleDatabaseFavourite();
      return true;
    case cmReportBroken:
      ReportBroken();
      return true;
    case cmPlayStop:
      StopPlayback();
      return true;
    case cmNext:
      PlayNext();
      return true;
    case cmPrevious:
      PlayPrevious();
      return true;
    default:
      return BusCommand(id);
  }
}

}  // namespace ui
