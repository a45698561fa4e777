// The window menu (also the tray menu): made once, its check marks set
// each time it is shown, its commands handled as WM_COMMAND. Items whose
// features the window does not have yet are shown greyed.
#include <gtk/gtk.h>

#include "app/Messages.h"
#include "app/Options.h"
#include "browser/Pages.h"
#include "support/Encoding.h"
#include "ui/window/PlayerBus.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/menus/Menu.h"

namespace ui {

using namespace widgets;
using namespace app;

void TPlayerWindow::BuildMenu() {
  FPlayerMenu = CreateMenu();
  HMENU player = CreatePopupMenu();
  HMENU add = CreatePopupMenu();
  AppendMenuW(add, MF_STRING, cmAddStation, u"&Radyo\tInsert");
  AppendMenuW(add, MF_SEPARATOR, 0, u"");
  AppendMenuW(add, MF_STRING | MF_GRAYED, cmAddAddress, u"&URL Adresi");
  AppendMenuW(add, MF_STRING | MF_GRAYED, cmAddVideo, u"&Youtube");
  AppendMenuW(player, MF_POPUP, add, u"&Ekle");
  AppendMenuW(player, MF_SEPARATOR, 0, u"");
  AppendMenuW(player, MF_STRING, cmRecord, u"&Radyodan Kaydet");
  AppendMenuW(player, MF_STRING | MF_GRAYED, cmSchedule, u"&Zamanlanmış Kayıt");
  AppendMenuW(player, MF_STRING, cmCopyTitle, u"R&DS Bilgisini Kopyala");
  AppendMenuW(player, MF_SEPARATOR, 0, u"");
  AppendMenuW(player, MF_STRING, cmAlwaysTop, u"&Her Zaman Üstte");
  AppendMenuW(player, MF_STRING, cmHibernate, u"Kış &Uykusu");
  AppendMenuW(player, MF_STRING, cmShowHide, u"&Göster/Gizle");
  AppendMenuW(player, MF_SEPARATOR, 0, u"");
  AppendMenuW(player, MF_STRING, cmOptions, u"&Seçenekler...");
  AppendMenuW(player, MF_STRING, cmBanner, u"R&eklam Panelini Göster");
  AppendMenuW(player, MF_SEPARATOR, 0, u"");
  AppendMenuW(player, MF_STRING, cmAbout, u"QOR Hakkı&nda");
  AppendMenuW(player, MF_STRING, cmClose, u"&Kapat\tAlt+F4");
  AppendMenuW(FPlayerMenu, MF_POPUP, player, u"Player");
  RefreshHotkeyTexts(FPlayerMenu, FOptions);
}

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
  TPoint at = GetCursorPos();
  TrackPopupMenuEx(GetSubMenu(PlayerMenu(), 0), TPM_VERTICAL, at.X, at.Y, WindowHandle());
}

bool TPlayerWindow::Command(WPARAM id) {
  switch (id) {
    case cmAbout: ShowBrowserPage(browser::UM_BROWSER_ABOUT); return true;
    case cmAddStation: ShowBrowserPage(browser::UM_BROWSER_FIND); return true;
    case cmClose:
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
      if (!FTitle.empty() && !Backend().IsOffscreen())
        gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), enc::Utf16ToUtf8(FTitle).c_str(), -1);
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
    default:
      return BusCommand(id);
  }
}

}  // namespace ui
