#include "ui/window/PlayerMenus.h"

#include "ui/window/PlayerWindow.h"

namespace ui {

using namespace widgets;

namespace {

using R = TMenuRow;
constexpr R Sep{R::Separator};
constexpr R End{R::EndSubMenu};

constexpr R Sub(const char16_t* caption, bool admin = false) { return {R::SubMenu, 0, caption, admin}; }
constexpr R Cmd(UINT id, const char16_t* caption, bool admin = false) { return {R::Item, id, caption, admin}; }

// The "Ekle" group is the same in the window menu, in the favourites'
// menu (with its own id for the station search) and behind the add button.
#define QOR_ADD_ROWS(search)                                                                                   \
  Cmd(search, u"&Radyo\tInsert"), Sep, Cmd(cmAddAddress, u"&URL Adresi"), Cmd(cmAddVideo, u"&Youtube")

constexpr R kPlayer[] = {
    Sub(u"&Ekle"), QOR_ADD_ROWS(cmAddStation), End,
    Sep,
    Cmd(cmRecord, u"&Radyodan Kaydet"),
    Cmd(cmSchedule, u"&Zamanlanmış Kayıt"),
    Cmd(cmCopyTitle, u"R&DS Bilgisini Kopyala"),
    Sep,
    Cmd(cmAlwaysTop, u"&Her Zaman Üstte"),
    Cmd(cmHibernate, u"Kış &Uykusu"),
    Cmd(cmShowHide, u"&Göster/Gizle"),
    Sep,
    Cmd(cmOptions, u"&Seçenekler..."),
    Cmd(cmBanner, u"R&eklam Panelini Göster"),
    Sep,
    Cmd(cmAbout, u"QOR Hakkı&nda"),
    Cmd(cmClose, u"&Kapat\tAlt+F4"),
};

constexpr R kPlayList[] = {
    Sub(u"&Yönetici", true),
    Cmd(cmDownloadStationList, u"&Radyo Listesi İndir"),
    Cmd(cmUpdateAll, u"&Tüm Radyoları Güncelle"),
    Sep,
    Cmd(cmSearchWeb, u"&Google' da Ara"),
    Cmd(cmSearchVideo, u"&Youtube"),
    End,
    {R::Separator, 0, u"", true},
    Cmd(cmPlayFavourite, u"&Yürüt\tEnter"),
    Cmd(cmStopPlayback, u"&Durdur\tCtrl+S"),
    Sep,
    Sub(u"&Ekle"), QOR_ADD_ROWS(cmSearchStation), End,
    Cmd(cmRemove, u"&Sil\tDelete"),
    Cmd(cmEdit, u"&Düzenle\tF2"),
    Sep,
    Sub(u"&Sırala"), Cmd(cmSortAscending, u"&Artan Sıralama"), Cmd(cmSortDescending, u"&Azalan Sıralama"), End,
    Cmd(cmMoveUp, u"Y&ukarı Taşı\tCtrl+Up"),
    Cmd(cmMoveDown, u"&Aşağı Taşı\tCtrl+Down"),
};

constexpr R kPlayListManager[] = {
    Cmd(cmSaveAs, u"&Farklı Kaydet"),
    Sep,
    Cmd(cmAddFile, u"&Ekle"),
    Cmd(cmLoadFile, u"&Yükle"),
    Sep,
    Sub(u"&Sırala"), Cmd(cmSortAscending, u"&Artan Sıralama"), Cmd(cmSortDescending, u"&Azalan Sıralama"), End,
    Sep,
    Cmd(cmClearAll, u"Tümünü Sil"),
};

constexpr R kAddButton[] = {QOR_ADD_ROWS(cmAddStation)};

constexpr R kBroadcast[] = {
    Cmd(cmPlayDatabase, u"&Yürüt\tEnter"),
    Cmd(cmToggleFavourite, u"&Favorilere Ekle\tSpace"),
    Sep,
    Cmd(cmReportBroken, u"&Hata Bildir"),
};

#undef QOR_ADD_ROWS

// Rows from `at` up to the end of the level; `at` ends behind it.
void Fill(HMENU menu, std::span<const TMenuRow> rows, size_t& at, const TMenuBuildOptions& options) {
  while (at < rows.size()) {
    const TMenuRow& row = rows[at++];
    if (row.Kind == R::EndSubMenu) return;
    bool shown = !row.AdminOnly || options.Administrator;
    switch (row.Kind) {
      case R::Separator:
        if (shown) AppendMenuW(menu, MF_SEPARATOR, 0, u"");
        break;
      case R::SubMenu: {
        HMENU sub = CreatePopupMenu();
        Fill(sub, rows, at, options);
        if (shown) AppendMenuW(menu, MF_POPUP, sub, row.Caption);
        else DestroyMenu(sub);
        break;
      }
      case R::Item:
        if (shown) {
          bool available = !options.Available || options.Available(row.Id);
          AppendMenuW(menu, MF_STRING | (available ? 0 : MF_GRAYED), row.Id, row.Caption);
        }
        break;
      case R::EndSubMenu:
        break;
    }
  }
}

}  // namespace

std::span<const TMenuRow> MenuTable(TPlayerMenuId menu) {
  switch (menu) {
    case TPlayerMenuId::Player: return kPlayer;
    case TPlayerMenuId::PlayList: return kPlayList;
    case TPlayerMenuId::PlayListManager: return kPlayListManager;
    case TPlayerMenuId::AddButton: return kAddButton;
    case TPlayerMenuId::Broadcast: return kBroadcast;
  }
  return {};
}

HMENU BuildTableMenu(std::span<const TMenuRow> rows, const TMenuBuildOptions& options) {
  HMENU menu = CreatePopupMenu();
  size_t at = 0;
  Fill(menu, rows, at, options);
  return menu;
}

}  // namespace ui
