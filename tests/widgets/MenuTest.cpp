#include <gtest/gtest.h>

#include "widgets/backend/Offscreen.h"
#include "core/MessageWindow.h"
#include "widgets/menus/Menu.h"

using namespace widgets;

namespace {

TEST(Menus, BuildCheckEnableAndDestroyWithSubmenus) {
  HMENU bar = CreateMenu();
  HMENU sub = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuW(sub, MF_STRING, 40010, u"&Her zaman üstte"));
  ASSERT_TRUE(AppendMenuW(sub, MF_SEPARATOR, 0, u"ignored"));
  ASSERT_TRUE(AppendMenuW(sub, MF_STRING | MF_GRAYED, 40001, u"Çı&kış\tAlt+F4"));
  ASSERT_TRUE(AppendMenuW(bar, MF_POPUP, sub, u"Menü"));
  EXPECT_FALSE(AppendMenuW(bar, MF_POPUP, bar, u"itself")) << "a menu cannot hold itself";
  EXPECT_FALSE(AppendMenuW(0x1234, MF_STRING, 1, u"x"));

  EXPECT_EQ(GetMenuItemCount(bar), 1);
  EXPECT_EQ(GetSubMenu(bar, 0), sub);
  EXPECT_EQ(GetMenuItemID(bar, 0), UINT(-1));
  EXPECT_EQ(GetMenuItemID(sub, 2), 40001u);
  EXPECT_EQ(GetMenuItemID(sub, 7), UINT(-1));
  EXPECT_EQ(MenuItems(sub)[1].Text, u"") << "separators carry no text";

  // By command reaches into submenus; by position stays in the menu.
  EXPECT_EQ(CheckMenuItem(bar, 40010, MF_BYCOMMAND | MF_CHECKED), 0u);
  EXPECT_EQ(CheckMenuItem(bar, 40010, MF_UNCHECKED), DWORD(MF_CHECKED));
  EXPECT_EQ(CheckMenuItem(bar, 99999, MF_CHECKED), DWORD(-1));
  EXPECT_EQ(CheckMenuItem(sub, 0, MF_BYPOSITION | MF_CHECKED), 0u);
  EXPECT_TRUE(MenuItems(sub)[0].Flags & MF_CHECKED);
  EXPECT_EQ(EnableMenuItem(sub, 40001, MF_ENABLED), int(MF_GRAYED));
  EXPECT_EQ(MenuItems(sub)[2].Flags & MF_GRAYED, 0u);

  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(bar));
  EXPECT_FALSE(IsMenu(sub)) << "submenus go with their menu";
  EXPECT_FALSE(DestroyMenu(bar));
}

TEST(Menus, InsertModifyAndDeleteItemsInPlace) {
  HMENU bar = CreateMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenuW(sub, MF_STRING, 40007, u"&Radyodan Kaydet");
  AppendMenuW(sub, MF_STRING, 40001, u"&Kapat");
  AppendMenuW(bar, MF_POPUP, sub, u"Player");

  // By command the item lands in the submenu that holds the reference.
  ASSERT_TRUE(InsertMenuW(bar, 40001, MF_BYCOMMAND | MF_CHECKED, 9015, u"&Sessiz"));
  EXPECT_EQ(GetMenuItemCount(bar), 1);
  ASSERT_EQ(GetMenuItemCount(sub), 3);
  EXPECT_EQ(GetMenuItemID(sub, 1), 9015u);
  EXPECT_TRUE(MenuItems(sub)[1].Flags & MF_CHECKED);
  EXPECT_FALSE(MenuItems(sub)[1].Flags & MF_BYPOSITION) << "the lookup flag is not kept";
  // By position; past the end appends.
  ASSERT_TRUE(InsertMenuW(sub, 0, MF_BYPOSITION | MF_SEPARATOR, 0, u"x"));
  ASSERT_TRUE(InsertMenuW(sub, 99, MF_BYPOSITION, 40002, u"Son"));
  EXPECT_EQ(GetMenuItemID(sub, 4), 40002u);
  EXPECT_EQ(MenuItems(sub)[0].Text, u"");
  EXPECT_FALSE(InsertMenuW(bar, 12345, MF_BYCOMMAND, 1, u"x")) << "no such reference item";
  EXPECT_FALSE(InsertMenuW(sub, 0, MF_BYPOSITION | MF_POPUP, CreatePopupMenu(), u"x"));

  ASSERT_TRUE(ModifyMenuW(bar, 40007, MF_BYCOMMAND | MF_STRING, 40007, u"&Radyodan Kaydet\tCtrl+Alt+R"));
  EXPECT_EQ(MenuItems(sub)[1].Text, u"&Radyodan Kaydet\tCtrl+Alt+R");
  EXPECT_FALSE(ModifyMenuW(bar, 0, MF_BYPOSITION, 1, u"x")) << "a submenu is not a plain item";

  ASSERT_TRUE(DeleteMenu(bar, 9015, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuItemCount(sub), 4);
  EXPECT_EQ(CheckMenuItem(bar, 9015, MF_CHECKED), DWORD(-1));
  EXPECT_FALSE(DeleteMenu(bar, 9015, MF_BYCOMMAND));
  ASSERT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(sub)) << "a deleted submenu is destroyed";
  DestroyMenu(bar);
}

TEST(Menus, TrackingPostsTheCommandOrReturnsIt) {
  TOffscreenBackend* backend = OffscreenBackend();
  ASSERT_NE(backend, nullptr);
  struct TOwner : TMessageWindow {
    std::vector<WPARAM> Commands;
    ~TOwner() override { DestroyHandle(); }
    void WndProc(TMessage& m) override {
      if (m.Msg == WM_COMMAND) Commands.push_back(m.WParam);
      TMessageWindow::WndProc(m);
    }
  } owner;
  HMENU menu = CreatePopupMenu();
  AppendMenuW(menu, MF_STRING, 40020, u"Kaydet");
  backend->MenuChoice = 40020;
  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_VERTICAL, 10, 20, owner.Handle()), 1u);
  EXPECT_EQ(backend->LastMenu, menu);
  EXPECT_EQ(backend->LastMenuPoint, (TPoint{10, 20}));
  EXPECT_TRUE(owner.Commands.empty()) << "posted, not sent";
  ProcessMessages();
  EXPECT_EQ(owner.Commands, std::vector<WPARAM>{40020});

  EXPECT_EQ(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, owner.Handle()), 40020u);
  backend->MenuChoice = 0;
  EXPECT_EQ(TrackPopupMenuEx(menu, 0, 0, 0, owner.Handle()), 0u) << "dismissed";
  ProcessMessages();
  EXPECT_EQ(owner.Commands.size(), 1u);
  EXPECT_EQ(TrackPopupMenuEx(0x777, 0, 0, 0, owner.Handle()), 0u);
  DestroyMenu(menu);
}

}  // namespace
