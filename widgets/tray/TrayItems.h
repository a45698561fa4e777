// The bookkeeping both tray hosts share: one item per (window, uID), added
// once, modified and deleted by the record that names it, and what a
// modification changed, so that a host redraws only that.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "widgets/tray/TrayHost.h"

namespace widgets {

struct TTrayChange {
  bool Icon = false;
  bool Tip = false;
};

// TItem is the host's own record; it has a member `TNotifyIconData Data`.
template <typename TItem>
class TTrayItems {
 public:
  using TKey = std::pair<HWND, UINT>;
  static TKey Key(const TNotifyIconData& data) { return {data.hWnd, data.uID}; }

  bool Contains(const TNotifyIconData& data) const { return FItems.count(Key(data)) != 0; }
  TItem* Find(const TNotifyIconData& data) {
    auto it = FItems.find(Key(data));
    return it == FItems.end() ? nullptr : it->second.get();
  }
  // Keeps a new item (the caller checked Contains first).
  TItem& Insert(std::unique_ptr<TItem> item) {
    TItem& kept = *item;
    FItems[Key(item->Data)] = std::move(item);
    return kept;
  }
  // Takes the item out; nullptr when there is none.
  std::unique_ptr<TItem> Take(const TNotifyIconData& data) { return TakeKey(Key(data)); }
  // Any item, for emptying the host; nullptr when none is left.
  std::unique_ptr<TItem> TakeAny() { return FItems.empty() ? nullptr : TakeKey(FItems.begin()->first); }

  // Stores the new record in the item and tells what differs.
  static TTrayChange Update(TItem& item, const TNotifyIconData& data) {
    TTrayChange change;
    change.Icon = item.Data.hIcon != data.hIcon;
    change.Tip = item.Data.szTip != data.szTip || (item.Data.uFlags & NIF_TIP) != (data.uFlags & NIF_TIP);
    item.Data = data;
    return change;
  }

 private:
  std::unique_ptr<TItem> TakeKey(const TKey& key) {
    auto it = FItems.find(key);
    if (it == FItems.end()) return nullptr;
    std::unique_ptr<TItem> item = std::move(it->second);
    FItems.erase(it);
    return item;
  }

  std::map<TKey, std::unique_ptr<TItem>> FItems;
};

}  // namespace widgets
