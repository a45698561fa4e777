#include "widgets/menus/Menu.h"

#include <algorithm>
#include <map>
#include <utility>

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

// The menu that holds an item and the item's place in it: by position in
// `menu` itself, by command id in `menu` or any of its submenus.
std::pair<TMenu*, size_t> Locate(HMENU menu, UINT item, UINT flags) {
  TMenu* m = Find(menu);
  if (!m) return {nullptr, 0};
  if (flags & MF_BYPOSITION) return item < m->Items.size() ? std::pair{m, size_t{item}} : std::pair{nullptr, 0};
  for (size_t n = 0; n < m->Items.size(); ++n) {
    const TMenuItem& i = m->Items[n];
    if (!(i.Flags & (MF_POPUP | MF_SEPARATOR)) && i.Id == item) return {m, n};
    if (i.Flags & MF_POPUP)
      if (auto inner = Locate(i.SubMenu, item, flags); inner.first) return inner;
  }
  return {nullptr, 0};
}

TMenuItem* FindItem(HMENU menu, UINT item, UINT flags) {
  auto [m, n] = Locate(menu, item, flags);
  return m ? &m->Items[n] : nullptr;
}

// A plain item (no submenu) as the append, insert and modify calls make it.
TMenuItem PlainItem(UINT flags, std::uintptr_t id, const std::u16string& text) {
  TMenuItem item;
  item.Flags = flags & ~MF_BYPOSITION;
  item.Id = static_cast<UINT>(id);
  if (!(flags & MF_SEPARATOR)) item.Text = text;
  return item;
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

bool InsertMenuW(HMENU menu, UINT position, UINT flags, std::uintptr_t id, const std::u16string& text) {
  if (flags & MF_POPUP) return false;
  TMenu* m = Find(menu);
  if (!m) return false;
  size_t at = m->Items.size();
  if (flags & MF_BYPOSITION) {
    at = std::min<size_t>(position, at);
  } else {
    auto [holder, n] = Locate(menu, position, flags);
    if (!holder) return false;
    m = holder;
    at = n;
  }
  m->Items.insert(m->Items.begin() + static_cast<std::ptrdiff_t>(at), PlainItem(flags, id, text));
  return true;
}

bool ModifyMenuW(HMENU menu, UINT item, UINT flags, std::uintptr_t newId, const std::u16string& text) {
  if (flags & MF_POPUP) return false;
  TMenuItem* i = FindItem(menu, item, flags);
  if (!i || (i->Flags & MF_POPUP)) return false;
  *i = PlainItem(flags, newId, text);
  return true;
}

bool DeleteMenu(HMENU menu, UINT item, UINT flags) {
  auto [m, n] = Locate(menu, item, flags);
  if (!m) return false;
  TMenuItem removed = m->Items[n];
  m->Items.erase(m->Items.begin() + static_cast<std::ptrdiff_t>(n));
  if (removed.Flags & MF_POPUP) DestroyMenu(removed.SubMenu);
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
