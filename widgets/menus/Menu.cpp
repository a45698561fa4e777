#include "widgets/menus/Menu.h"

#include <map>

#include "widgets/backend/Backend.h"

namespace widgets {

namespace {
struct TMenu {
  std::vector<TMenuItem> Items;
};
std::map<HMENU, TMenu> gMenus;
HMENU gNextMenu = 0x40000;

TMenu* Find(HMENU menu) {
  auto it = gMenus.find(menu);
  return it == gMenus.end() ? nullptr : &it->second;
}

TMenuItem* FindItem(HMENU menu, UINT item, UINT flags) {
  TMenu* m = Find(menu);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->Items.size() ? &m->Items[item] : nullptr;
  for (TMenuItem& i : m->Items) {
    if (!(i.Flags & (MF_POPUP | MF_SEPARATOR)) && i.Id == item) return &i;
    if (i.Flags & MF_POPUP)
      if (TMenuItem* inner = FindItem(i.SubMenu, item, flags)) return inner;
  }
  return nullptr;
}
}  // namespace

HMENU CreateMenu() {
  HMENU handle = gNextMenu++;
  gMenus[handle];
  return handle;
}

HMENU CreatePopupMenu() { return CreateMenu(); }

bool IsMenu(HMENU menu) { return Find(menu) != nullptr; }

bool DestroyMenu(HMENU menu) {
  TMenu* m = Find(menu);
  if (!m) return false;
  std::vector<HMENU> children;
  for (const TMenuItem& i : m->Items)
    if (i.Flags & MF_POPUP) children.push_back(i.SubMenu);
  gMenus.erase(menu);
  for (HMENU child : children) DestroyMenu(child);
  return true;
}

bool AppendMenuW(HMENU menu, UINT flags, std::uintptr_t idOrSubmenu, const std::u16string& text) {
  TMenu* m = Find(menu);
  if (!m) return false;
  TMenuItem item;
  item.Flags = flags;
  if (flags & MF_POPUP) {
    if (!IsMenu(idOrSubmenu) || idOrSubmenu == menu) return false;
    item.SubMenu = idOrSubmenu;
  } else {
    item.Id = static_cast<UINT>(idOrSubmenu);
  }
  if (!(flags & MF_SEPARATOR)) item.Text = text;
  m->Items.push_back(item);
  return true;
}

int GetMenuItemCount(HMENU menu) {
  TMenu* m = Find(menu);
  return m ? static_cast<int>(m->Items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  TMenu* m = Find(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->Items.size())) return UINT(-1);
  const TMenuItem& i = m->Items[static_cast<size_t>(position)];
  return (i.Flags & MF_POPUP) ? UINT(-1) : i.Id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  TMenu* m = Find(menu);
  if (!m || position < 0 || position >= static_cast<int>(m->Items.size())) return 0;
  const TMenuItem& i = m->Items[static_cast<size_t>(position)];
  return (i.Flags & MF_POPUP) ? i.SubMenu : 0;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  TMenuItem* i = FindItem(menu, item, flags);
  if (!i) return DWORD(-1);
  DWORD previous = i->Flags & MF_CHECKED;
  i->Flags = (i->Flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

int EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  TMenuItem* i = FindItem(menu, item, flags);
  if (!i) return -1;
  int previous = static_cast<int>(i->Flags & (MF_GRAYED | MF_DISABLED));
  i->Flags = (i->Flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

std::vector<TMenuItem> MenuItems(HMENU menu) {
  TMenu* m = Find(menu);
  return m ? m->Items : std::vector<TMenuItem>{};
}

UINT TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, void*) {
  if (!IsMenu(menu)) return 0;
  UINT id = Backend().TrackMenu(menu, x, y);
  if (flags & TPM_RETURNCMD) return id;
  if (id == 0) return 0;
  if (!(flags & TPM_NONOTIFY)) PostMessage(owner, WM_COMMAND, id, 0);
  return 1;
}

}  // namespace widgets
