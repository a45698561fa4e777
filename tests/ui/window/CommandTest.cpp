// The commands of the player window on the offscreen backend: the
// favourites operations, the menus and their keys, dragging rows and the
// commands that do nothing. Dialog answers come from the test through the
// window's replaceable questions; every change is read back from
// playlist.rpf.
#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "Media.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "support/Encoding.h"
#include <map>
#include "lists/PlayList.h"
#include "ui/dialogs/StationDialog.h"
#include "ui/window/PlayerMenus.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/menus/Menu.h"

namespace {

using namespace core;
using namespace widgets;
using namespace app;
using uitest::TPlayerWindowKit;
using uitest::TStation;

class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=1\n[application]\nshowbanner=0\n");
  }
  ui::TPlayerWindow& Open() {
    auto& w = Kit.Open();
    EXPECT_TRUE(testkit::PumpUntil([&] { return w.ListPanelVisible(); }));
    return w;
  }
  widgets::TOffscreenWindow* Native() { return widgets::OffscreenWindowOf(*Kit.Window); }
  void Do(WPARAM command) { SendMessage(Kit.Window->WindowHandle(), WM_COMMAND, command, 0); }
  // The names in playlist.rpf, in order.
  std::vector<std::u16string> Saved() {
    qor::TPlayList list;
    std::vector<std::u16string> names;
    if (!qor::LoadFavourites(list, Kit.Dir / "settings" / "playlist.rpf")) return names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Item(i)->Name);
    return names;
  }
  std::vector<std::u16string> Shown() {
    std::vector<std::u16string> names;
    for (int i = 0; i < Kit.Window->Favourites()->Count(); ++i) names.push_back(Kit.Window->Favourites()->Item(i)->Name);
    return names;
  }
  // A point on a row of a list, in window coordinates.
  widgets::TPoint Row(ui::TPlayListBox* box, int row, int x = 40) {
    return box->ClientToParent({x, row * box->RowHeight() + box->RowHeight() / 2}, Kit.Window.get());
  }
  void Answer(std::u16string name, std::u16string address, int result = ui::IDOK) {
    Kit.Window->AskStation = [=, this](const ui::TStationForm& form) {
      Forms.push_back(form);
      return ui::TStationAnswer{result, name, address};
    };
  }
  TPlayerWindowKit Kit;
  std::vector<ui::TStationForm> Forms;
};

const std::vector<TStation> kThree = {{u"Bravo", "http://127.0.0.1:1/b", 2, u""},
                                      {u"Alfa", "http://127.0.0.1:1/a", 1, u""},
                                      {u"Çarşı", "http://127.0.0.1:1/c", 3, u""}};

TEST_F(CommandTest, AddingByAddressTrimsAndOnlyKeysDecideAboutDuplicates) {
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/db", 7, u""}});
  auto& w = Open();
  Answer(u"  Radyo  ", u" http://127.0.0.1:1/r ");
  Do(ui::cmAddAddress);
  ASSERT_EQ(Forms.size(), 1u);
  EXPECT_EQ(Forms[0].Title, u"URL Adresinden Ekle");
  EXPECT_EQ(Forms[0].AddressLabel, u"Radyo URL:");
  // A station of the same name typed in again is a second entry.
  Do(ui::cmAddVideo);
  EXPECT_EQ(Forms[1].Title, u"Youtube URL Ekle");
  EXPECT_EQ(Forms[1].AddressLabel, u"Youtube URL:");
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Radyo", u"Radyo"}));
  EXPECT_EQ(w.Favourites()->Item(0)->Url, "http://127.0.0.1:1/r");
  EXPECT_NE(w.Favourites()->Item(0)->Id, w.Favourites()->Item(1)->Id);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);

  // Cancel, or an empty text, adds nothing.
  Answer(u"Başka", u"http://127.0.0.1:1/x", ui::IDCANCEL);
  Do(ui::cmAddAddress);
  Answer(u"Başka", u"   ");
  Do(ui::cmAddAddress);
  EXPECT_EQ(w.Favourites()->Count(), 2);

  // A station with a key is added once and ticks its database entry; the
  // second time it is only selected.
  EXPECT_EQ(w.AddStation(u"7", u"Veri", u"http://127.0.0.1:1/db"), 0);
  EXPECT_TRUE(w.Database()->Item(0)->Ticked);
  w.Favourites()->SetItemIndex(2);
  EXPECT_EQ(w.AddStation(u"7", u"Veri yine", u"http://127.0.0.1:1/other"), -1);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Veri", u"Radyo", u"Radyo"}));
  // Without a name or address nothing happens.
  EXPECT_EQ(w.AddStation(u"", u"", u"http://127.0.0.1:1/y"), 0);
  EXPECT_EQ(w.Favourites()->Count(), 3);
}

TEST_F(CommandTest, ADatabaseFavouriteKeepsItsAddressAndPlaysTheDatabasesOne) {
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/new", 7, u""}});
  Kit.WriteFavourites({{u"Veri", "http://127.0.0.1:1/old", 0x11, u"7"}, {u"Kendi", "http://127.0.0.1:1/own", 0x12, u""}});
  auto& w = Open();
  w.Favourites()->SetItemIndex(0);
  Answer(u" Veri FM ", u"http://127.0.0.1:1/changed");
  Kit.Window->Favourites()->SetFocus();
  Native()->KeyDown(VK_F1 + 1);
  ASSERT_EQ(Forms.size(), 1u);
  EXPECT_EQ(Forms[0].Title, u"Düzenle");
  EXPECT_EQ(Forms[0].Name, u"Veri");
  EXPECT_EQ(Forms[0].Address, u"http://127.0.0.1:1/old");
  EXPECT_TRUE(Forms[0].AddressReadOnly);
  EXPECT_EQ(w.Favourites()->Item(0)->Name, u"Veri FM");
  EXPECT_EQ(w.Favourites()->Item(0)->Url, "http://127.0.0.1:1/old");
  EXPECT_EQ(Saved()[0], u"Veri FM");

  // Its double-click plays the database's current address.
  widgets::TPoint at = Row(w.Favourites(), 0);
  Native()->DoubleClick(at.X, at.Y);
  EXPECT_EQ(Kit.Controller.PlayedUrl, u"http://127.0.0.1:1/new");
  EXPECT_EQ(Kit.Controller.PlayedName, u"Veri FM");
  // Renaming the playing entry renames what is shown.
  Answer(u"Veri Radyo", u"");
  Do(ui::cmEdit);
  EXPECT_EQ(w.CurrentName(), u"Veri Radyo");
  EXPECT_EQ(w.MarqueeText(), u"Veri Radyo");

  // A station typed in by hand takes the new address; an empty name ends
  // the edit before the address.
  w.Favourites()->SetItemIndex(1);
  Answer(u"Kendi", u" http://127.0.0.1:1/moved ");
  Do(ui::cmEdit);
  EXPECT_FALSE(Forms.back().AddressReadOnly);
  EXPECT_EQ(w.Favourites()->Item(1)->Url, "http://127.0.0.1:1/moved");
  Answer(u"  ", u"http://127.0.0.1:1/lost");
  Do(ui::cmEdit);
  EXPECT_EQ(w.Favourites()->Item(1)->Url, "http://127.0.0.1:1/moved");
  EXPECT_EQ(w.Favourites()->Item(1)->Name, u"Kendi");
}

TEST_F(CommandTest, AdministratorsEditDatabaseAddressesAndSeeTheirMenu) {
  Kit.Config.Administrator = true;
  Kit.WriteFavourites({{u"Veri", "http://127.0.0.1:1/old", 0x11, u"7"}});
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/new", 7, u""}});
  auto& w = Open();
  Answer(u"Veri", u"http://127.0.0.1:1/fixed");
  Do(ui::cmEdit);
  EXPECT_FALSE(Forms[0].AddressReadOnly);
  EXPECT_EQ(w.Favourites()->Item(0)->Url, "http://127.0.0.1:1/fixed");
  // Administrators play the favourite's own address.
  Do(ui::cmPlayFavourite);
  EXPECT_EQ(Kit.Controller.PlayedUrl, u"http://127.0.0.1:1/fixed");

  // The favourites' menu starts with the administrator part.
  auto* backend = widgets::OffscreenBackend();
  for (bool administrator : {true, false}) {
    widgets::HMENU menu = ui::BuildTableMenu(ui::MenuTable(ui::TPlayerMenuId::PlayList), {administrator, {}});
    auto items = widgets::MenuItems(menu);
    ASSERT_GE(items.size(), 3u);
    if (administrator) {
      EXPECT_EQ(items[0].Text, u"&Yönetici");
      EXPECT_EQ(widgets::GetMenuItemCount(items[0].SubMenu), 5);
      EXPECT_TRUE(items[1].Flags & widgets::MF_SEPARATOR);
      items.erase(items.begin(), items.begin() + 2);
    }
    EXPECT_EQ(items[0].Text, u"&Yürüt\tEnter");
    EXPECT_EQ(items[1].Id, ui::cmStopPlayback);
    widgets::DestroyMenu(menu);
  }
  // Its entries without an action change nothing and ask for nothing.
  std::vector<std::u16string> before = Saved();
  int plays = Kit.Controller.Count(UM_PLAY) + Kit.Controller.Count(UM_STOP);
  int menus = backend->MenusShown;
  for (WPARAM id : {ui::cmUpdateAll, ui::cmSearchWeb, ui::cmSearchVideo}) Do(id);
  ProcessMessages();
  EXPECT_EQ(Saved(), before);
  EXPECT_EQ(Kit.Controller.Count(UM_PLAY) + Kit.Controller.Count(UM_STOP), plays);
  EXPECT_EQ(backend->MenusShown, menus);
  EXPECT_EQ(Forms.size(), 1u);
}

TEST_F(CommandTest, RightClickMenuRemovesAndTheDatabaseSpaceTogglesTheFavourite) {
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/db", 7, u""}, {u"Diğer", "http://127.0.0.1:1/d2", 8, u""}});
  Kit.WriteFavourites({{u"Veri", "http://127.0.0.1:1/db", 0x11, u"7"}, {u"Kendi", "http://127.0.0.1:1/own", 0x12, u""}});
  auto& w = Open();
  EXPECT_TRUE(w.Database()->Item(0)->Ticked);
  auto* backend = widgets::OffscreenBackend();
  // Outside administrator mode the menu starts with "Yürüt".
  backend->MenuChoice = ui::cmRemove;
  int menus = backend->MenusShown;
  widgets::TPoint at = Row(w.Favourites(), 0);
  Native()->Click(at.X, at.Y, 3);
  ProcessMessages();
  EXPECT_EQ(backend->MenusShown, menus + 1);
  EXPECT_FALSE(widgets::IsMenu(backend->LastMenu));  // made for each use
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Kendi"}));
  EXPECT_FALSE(w.Database()->Item(0)->Ticked);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);

  // Space in the database list adds the entry, and again removes it.
  backend->MenuChoice = 0;
  w.SetListMode(0);
  w.Database()->SetItemIndex(1);
  w.Database()->SetFocus();
  Native()->KeyDown(VK_SPACE, u' ');
  EXPECT_TRUE(w.Database()->Item(1)->Ticked);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Kendi", u"Diğer"}));
  EXPECT_EQ(w.Favourites()->Item(1)->Key, u"8");
  // Delete belongs to the favourites: in the database it removes nothing.
  Native()->KeyDown(VK_DELETE);
  EXPECT_EQ(w.Favourites()->Count(), 2);
  Do(ui::cmToggleFavourite);
  EXPECT_FALSE(w.Database()->Item(1)->Ticked);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Kendi"}));

  // The database's own menu.
  w.Database()->SetItemIndex(0);
  backend->MenuChoice = ui::cmPlayDatabase;
  at = Row(w.Database(), 0, 60);
  Native()->Click(at.X, at.Y, 3);
  ProcessMessages();
  EXPECT_EQ(Kit.Controller.PlayedUrl, u"http://127.0.0.1:1/db");
}

TEST_F(CommandTest, SortingKeepsTheSelectedEntryAndMovesAreSaved) {
  Kit.WriteFavourites(kThree);
  auto& w = Open();
  w.Favourites()->SetItemIndex(1);  // Alfa
  Do(ui::cmSortDescending);
  EXPECT_EQ(Shown(), (std::vector<std::u16string>{u"Çarşı", u"Bravo", u"Alfa"}));
  EXPECT_EQ(w.Favourites()->Item(w.Favourites()->ItemIndex())->Name, u"Alfa");
  Do(ui::cmSortAscending);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Alfa", u"Bravo", u"Çarşı"}));
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);

  Do(ui::cmMoveDown);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Bravo", u"Alfa", u"Çarşı"}));
  EXPECT_EQ(w.Favourites()->ItemIndex(), 1);
  w.Favourites()->SetFocus();
  Native()->SetModifiers(false, true, false);
  Native()->KeyDown(VK_UP);
  Native()->SetModifiers(false, false, false);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Alfa", u"Bravo", u"Çarşı"}));
  // Moves belong to the favourites list.
  w.SetListMode(0);
  Do(ui::cmMoveDown);
  EXPECT_EQ(Shown()[0], u"Alfa");
}

TEST_F(CommandTest, DraggingARowMovesItAndPastTheEdgesOneRowAtATime) {
  std::vector<TStation> many;
  for (int i = 0; i < 20; ++i)
    many.push_back({u"R" + std::u16string(1, static_cast<char16_t>(u'a' + i)), "http://127.0.0.1:1/x", i + 1, u""});
  Kit.WriteFavourites(many);
  auto& w = Open();
  auto* box = w.Favourites();
  widgets::TPoint from = Row(box, 0), to = Row(box, 3);
  Native()->MouseDown(from.X, from.Y);
  Native()->MouseMove(to.X, to.Y);
  EXPECT_EQ(box->Item(3)->Name, u"Ra");
  EXPECT_EQ(box->ItemIndex(), 3);
  // Below the list the entry goes on one row per move, the view with it.
  widgets::TPoint below = box->ClientToParent({40, box->Height() + 5}, Kit.Window.get());
  for (int i = 0; i < 12; ++i) Native()->MouseMove(below.X, below.Y + (i % 2));
  EXPECT_EQ(box->ItemIndex(), 15);
  EXPECT_EQ(box->Item(15)->Name, u"Ra");
  EXPECT_LE(box->TopIndex(), 15);
  EXPECT_GE(box->LastVisibleIndex(), 15);
  EXPECT_GT(box->TopIndex(), 0);
  Native()->MouseUp(below.X, below.Y);
  EXPECT_EQ(Saved()[15], u"Ra");
  EXPECT_EQ(Saved()[0], u"Rb");
  // Moving without the button moves nothing.
  Native()->MouseMove(to.X, to.Y);
  EXPECT_EQ(box->Item(15)->Name, u"Ra");
}

TEST_F(CommandTest, ListFilesAreSavedImportedAndLoadedAndBadFilesAddNothing) {
  Kit.WriteFavourites(kThree);
  auto& w = Open();
  std::u16string answer;
  int filter = 1;
  w.AskFileName = [&](bool, std::u16string& path, int& chosen) {
    path = answer;
    chosen = filter;
    return true;
  };
  // The chosen filter decides the format and the extension.
  answer = enc::Utf8ToUtf16((Kit.Dir / "liste").string());
  filter = 2;
  Do(ui::cmSaveAs);
  ASSERT_TRUE(std::filesystem::exists(Kit.Dir / "liste.xml"));
  EXPECT_NE(testkit::ReadBytes(Kit.Dir / "liste.xml").find("Çarşı"), std::string::npos);
  filter = 1;
  Do(ui::cmSaveAs);
  ASSERT_TRUE(qor::HasListMagic(Kit.Dir / "liste.rpf"));

  // Garbage, in either name, adds nothing and keeps what is there.
  testkit::TempDir::WriteFile(Kit.Dir / "bozuk.rpf", "QOR? not a list at all");
  answer = enc::Utf8ToUtf16((Kit.Dir / "bozuk.rpf").string());
  Do(ui::cmAddFile);
  Do(ui::cmLoadFile);
  EXPECT_EQ(Saved().size(), 3u);

  answer = enc::Utf8ToUtf16((Kit.Dir / "liste.xml").string());
  w.Favourites()->SetItemIndex(0);
  Do(ui::cmAddFile);
  EXPECT_EQ(Saved().size(), 6u);
  EXPECT_EQ(w.Favourites()->ItemIndex(), 3);
  answer = enc::Utf8ToUtf16((Kit.Dir / "liste.rpf").string());
  Do(ui::cmLoadFile);
  EXPECT_EQ(Saved(), (std::vector<std::u16string>{u"Bravo", u"Alfa", u"Çarşı"}));
  EXPECT_EQ(w.Favourites()->ItemIndex(), 0);

  // A chosen name that is not UTF-8 names that very file.
  const std::string odd = (Kit.Dir / "\xDE" "ark\xFD").string();
  answer = enc::FileNameToWide(odd);
  Do(ui::cmSaveAs);
  EXPECT_TRUE(qor::HasListMagic(odd + ".rpf"));
  answer = enc::FileNameToWide(odd + ".rpf");
  Do(ui::cmAddFile);
  EXPECT_EQ(Saved().size(), 6u);
}

TEST_F(CommandTest, ClearingAsksFirst) {
  Kit.WriteFavourites({{u"Veri", "http://127.0.0.1:1/db", 0x11, u"7"}});
  Kit.WriteDatabase({{u"Veri", "http://127.0.0.1:1/db", 7, u""}});
  auto& w = Open();
  std::vector<std::u16string> asked;
  bool yes = false;
  w.AskYesNo = [&](const std::u16string& text, const std::u16string& caption) {
    asked.push_back(text + u"|" + caption);
    return yes;
  };
  Do(ui::cmClearAll);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], u"Tüm listeyi silmek istediğinize emin misiniz?|QOR");
  EXPECT_EQ(Saved().size(), 1u);
  yes = true;
  Do(ui::cmClearAll);
  EXPECT_EQ(w.Favourites()->Count(), 0);
  EXPECT_TRUE(std::filesystem::exists(Kit.Dir / "settings" / "playlist.rpf"));
  EXPECT_TRUE(Saved().empty());
  EXPECT_FALSE(w.Database()->Item(0)->Ticked);
  // An empty list asks nothing.
  Do(ui::cmClearAll);
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(CommandTest, TheWindowMenuShowsHotkeysAndGreysWhatIsNotHere) {
  auto& w = Open();
  widgets::HMENU menu = widgets::GetSubMenu(w.PlayerMenu(), 0);
  std::map<widgets::UINT, widgets::TMenuItem> byId;
  for (const auto& item : widgets::MenuItems(menu)) byId[item.Id] = item;
  EXPECT_EQ(byId[ui::cmRecord].Text, u"&Radyodan Kaydet\tCtrl+Alt+R");
  EXPECT_EQ(byId[ui::cmAlwaysTop].Text, u"&Her Zaman Üstte\tCtrl+Alt+H");
  EXPECT_EQ(byId[ui::cmClose].Text, u"&Kapat\tAlt+F4");
  EXPECT_EQ(byId[ui::cmCopyTitle].Text, u"R&DS Bilgisini Kopyala");
  EXPECT_FALSE(byId[ui::cmCopyTitle].Flags & widgets::MF_GRAYED);
  // A hotkey switched off leaves the plain caption.
  Kit.Options->WriteHotkey(app::ohRecording, 0);
  w.RefreshMenuTexts();
  menu = widgets::GetSubMenu(w.PlayerMenu(), 0);
  bool found = false;
  for (const auto& item : widgets::MenuItems(menu))
    if (item.Id == ui::cmRecord) found = item.Text == u"&Radyodan Kaydet";
  EXPECT_TRUE(found);
  // The first entry is the add sub-menu, as behind the add button.
  auto add = widgets::MenuItems(widgets::GetSubMenu(menu, 0));
  ASSERT_EQ(add.size(), 4u);
  EXPECT_EQ(add[2].Id, ui::cmAddAddress);
  EXPECT_EQ(add[3].Text, u"&Youtube");
}

TEST_F(CommandTest, TheFavouritesMenuOffersStopOnlyWhileSomethingPlays) {
  Kit.WriteFavourites(kThree);
  auto& w = Open();
  auto* backend = widgets::OffscreenBackend();
  // The user picks "Durdur" when it is there to pick.
  std::vector<bool> offered;
  backend->ChooseMenu = [&](std::uintptr_t menu) -> widgets::UINT {
    for (const auto& item : widgets::MenuItems(menu))
      if (item.Id == ui::cmStopPlayback) {
        offered.push_back(!(item.Flags & widgets::MF_GRAYED));
        return offered.back() ? ui::cmStopPlayback : 0;
      }
    return 0;
  };
  widgets::TPoint at = Row(w.Favourites(), 1);
  // Stopped, playing, connecting, and stopped again after an error.
  for (int state : {0, 1, 4, 0}) {
    Kit.Controller.PlayState = state;
    int stops = Kit.Controller.Count(UM_STOP);
    Native()->Click(at.X, at.Y, 3);
    ProcessMessages();
    EXPECT_EQ(Kit.Controller.Count(UM_STOP) > stops, state != 0) << state;
  }
  backend->ChooseMenu = nullptr;
  EXPECT_EQ(offered, (std::vector<bool>{false, true, true, false}));
}

}  // namespace
