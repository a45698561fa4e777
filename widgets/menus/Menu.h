// Menus as handles, built item by item like the system's, shown as GTK menus
// (offscreen: answered by the test). The chosen command reaches the owner
// window as WM_COMMAND with the item id, or is returned (TPM_RETURNCMD).
//
//   HMENU menu = CreatePopupMenu();
//   AppendMenuW(menu, MF_STRING | MF_CHECKED, 40010, u"&Her zaman üstte");
//   AppendMenuW(menu, MF_SEPARATOR, 0, u"");
//   AppendMenuW(menu, MF_STRING, 40001, u"Çı&kış\tAlt+F4");
//   TrackPopupMenuEx(menu, TPM_VERTICAL, x, y, window, nullptr);
//
// "&" marks the access key ("&&" is a plain "&"); text after a tab is the
// shortcut shown at the right.
#pragma once

#include <string>
#include <vector>

#include "widgets/Core.h"

namespace widgets {

using HMENU = std::uintptr_t;

constexpr UINT MF_STRING = 0x0000, MF_ENABLED = 0x0000, MF_UNCHECKED = 0x0000, MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001, MF_DISABLED = 0x0002, MF_CHECKED = 0x0008, MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400, MF_SEPARATOR = 0x0800, MF_DEFAULT = 0x1000;
constexpr UINT TPM_LEFTALIGN = 0x0000, TPM_RIGHTBUTTON = 0x0002, TPM_VERTICAL = 0x0040,
               TPM_NONOTIFY = 0x0080, TPM_RETURNCMD = 0x0100;

struct TMenuItem {
  UINT Flags = 0;
  UINT Id = 0;
  HMENU SubMenu = 0;
  std::u16string Text;
};

HMENU CreateMenu();
HMENU CreatePopupMenu();
bool IsMenu(HMENU menu);
// Also destroys its submenus.
bool DestroyMenu(HMENU menu);
// `idOrSubmenu` is the command id, or with MF_POPUP the submenu (which the
// menu then owns).
bool AppendMenuW(HMENU menu, UINT flags, std::uintptr_t idOrSubmenu, const std::u16string& text);
// A plain item (no MF_POPUP) before the item at `position`: by position
// (past the end appends) or, by command, before that item in whichever
// submenu holds it.
bool InsertMenuW(HMENU menu, UINT position, UINT flags, std::uintptr_t id, const std::u16string& text);
// Replaces a plain item's flags, id and text.
bool ModifyMenuW(HMENU menu, UINT item, UINT flags, std::uintptr_t newId, const std::u16string& text);
// Removes an item; a submenu goes with it.
bool DeleteMenu(HMENU menu, UINT item, UINT flags);
int GetMenuItemCount(HMENU menu);
// -1 for a submenu or a bad position, as the system answers.
UINT GetMenuItemID(HMENU menu, int position);
HMENU GetSubMenu(HMENU menu, int position);
// The previous MF_CHECKED state, or (DWORD)-1 when there is no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
// The previous MF_GRAYED/MF_DISABLED state, or -1.
int EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The items of a menu (for backends and tests).
std::vector<TMenuItem> MenuItems(HMENU menu);

// Shows the menu at the screen point and waits until it closes. Without
// TPM_RETURNCMD the chosen id is posted to `owner` as WM_COMMAND and the
// result is non-zero when an item was chosen; with it the id is returned
// (0: none).
UINT TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void* params = nullptr);

}  // namespace widgets
