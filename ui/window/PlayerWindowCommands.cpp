// The favourites operations behind the commands: adding by address and
// from the database, editing, removing, moving, sorting, saving as,
// importing and clearing. Every change of the favourites is saved at once
// (playlist.rpf is written to a temporary name and renamed).
#include "app/Messages.h"
#include "lists/PlayList.h"
#include "resources/strings/StringTable.h"
#include "support/Encoding.h"
#include "ui/dialogs/StationDialog.h"
#include "ui/window/CommandTexts.h"
#include "ui/window/PlayerTexts.h"
#include "ui/window/PlayerWindow.h"
#include "ui/window/SearchHits.h"

namespace ui {

using namespace widgets;
using namespace app;

void TPlayerWindow::SelectFavourite(int index) {
  if (!FFavourites->Item(index)) return;
  FFavourites->SelectAndShowPage(index);
  RepaintLists();
}

void TPlayerWindow::FavouritesChanged() {
  // The playing row follows its entry through every reordering.
  FFavourites->SetActiveId(FFavourites->ActiveId());
  RecountHits(FFavouritesSearch);
  SaveFavourites();
  RepaintLists();
}

int TPlayerWindow::AddStation(const std::u16string& key, const std::u16string& name, const std::u16string& address) {
  if (!key.empty()) {
    int known = FFavourites->IndexOfKey(key);
    if (known >= 0) {
      SelectFavourite(known);
      return -1;
    }
  }
  if (name.empty() || address.empty()) return 0;
  FFavourites->InsertItem(0, qor::MakeItem(key, qor::NewRandomId(), name, enc::Utf16ToUtf8(address)));
  SelectFavourite(0);
  FavouritesChanged();
  if (!key.empty())
    if (auto* linked = FDatabase->Item(FDatabase->IndexOfKey(key))) linked->Ticked = true;
  return 0;
}

void TPlayerWindow::AddByAddress(bool video) {
  if (!AskStation) return;
  TStationAnswer answer = AskStation(video ? AddVideoAddressForm() : AddByAddressForm());
  if (answer.Result != IDOK) return;
  std::u16string name = TrimText(answer.Name), address = TrimText(answer.Address);
  // Typed stations have no key: a second one of the same name is added too.
  if (!name.empty() && !address.empty()) AddStation(u"", name, address);
  if (ListPanelVisible() && FFavourites->Visible()) FFavourites->SetFocus();
}

void TPlayerWindow::EditSelected() {
  auto* item = FFavourites->Item(FFavourites->ItemIndex());
  if (!item || item->Name.empty() || item->Url.empty() || !AskStation) return;
  TStationForm form;
  form.Name = item->Name;
  form.Address = enc::Utf8ToUtf16(item->Url);
  // A favourite taken from the database keeps the database's address.
  form.AddressReadOnly = !item->Key.empty() && !FConfig.Administrator;
  int32_t id = item->Id;
  std::shared_ptr<bool> alive = FAlive;
  TStationAnswer answer = AskStation(form);
  if (!*alive || answer.Result != IDOK) return;
  // The dialog runs its own loop: the entry may be gone meanwhile.
  item = FFavourites->Item(FFavourites->IndexOfId(id));
  if (!item) return;
  std::u16string name = TrimText(answer.Name);
  if (!name.empty()) {
    item->SetName(name);
    if (item->Id == FFavourites->ActiveId()) {
      FCurrentName = name;
      bool playing = IsPlaying();
      SetMarquee(playing ? DisplayText(FCurrentName, FTitle) : FCurrentName, true);
      if (playing) {
        RebuildHint();
        Send(UM_SET_CAPTION, reinterpret_cast<WPARAM>(FCurrentName.c_str()));
        PublishTexts();
      }
    }
    std::u16string address = TrimText(answer.Address);
    if (!address.empty() && !form.AddressReadOnly) {
      item->Url = enc::Utf16ToUtf8(address);
      item->AddressKind = qor::akUnknown;
    }
    FavouritesChanged();
  }
  if (ListPanelVisible() && FFavourites->Visible()) FFavourites->SetFocus();
}

void TPlayerWindow::RemoveSelected() {
  if (!ListPanelVisible()) return;
  int index = FFavourites->ItemIndex();
  auto* item = FFavourites->Item(index);
  if (!item) return;
  std::u16string key = item->Key;
  FFavourites->DeleteItem(index);
  // The selection stays on the same row, or the last one.
  FFavourites->SetItemIndex(std::min(index, FFavourites->Count() - 1));
  FFavourites->ScrollBy(0);
  if (!key.empty())
    if (auto* linked = FDatabase->Item(FDatabase->IndexOfKey(key))) linked->Ticked = false;
  FavouritesChanged();
}

void TPlayerWindow::MoveSelected(int delta) {
  if (FListMode != 1) return;
  int from = FFavourites->ItemIndex();
  FFavourites->MoveSelectedItem(delta);
  if (from != FFavourites->ItemIndex()) FavouritesChanged();
  else RepaintLists();
}

void TPlayerWindow::SortFavourites(bool ascending) {
  if (FFavourites->Count() == 0) return;
  auto* selected = FFavourites->Item(FFavourites->ItemIndex());
  int32_t id = selected ? selected->Id : -1;
  FFavourites->SortByName(ascending);
  int index = selected ? FFavourites->IndexOfId(id) : -1;
  if (index >= 0) FFavourites->SelectAndShowPage(index);
  FavouritesChanged();
}

void TPlayerWindow::DatabaseCheck(int index) {
  // The check box has flipped the tick already; the favourites follow it.
  auto* entry = FDatabase->Item(index);
  if (!entry) return;
  if (entry->Ticked) {
    FFavourites->AddItem(qor::MakeItem(entry->Key, qor::NewRandomId(), entry->Name, entry->Url));
  } else {
    int linked = entry->Key.empty() ? -1 : FFavourites->IndexOfKey(entry->Key);
    if (linked >= 0) {
      FFavourites->DeleteItem(linked);
      if (FFavourites->ItemIndex() >= FFavourites->Count()) FFavourites->SetItemIndex(FFavourites->Count() - 1);
      FFavourites->ScrollBy(0);
    }
  }
  FavouritesChanged();
}

void TPlayerWindow::ToggleDatabaseFavourite() {
  int index = FDatabase->ItemIndex();
  auto* entry = FDatabase->Item(index);
  if (!entry) return;
  entry->Ticked = !entry->Ticked;
  DatabaseCheck(index);
}

void TPlayerWindow::SaveFavouritesAs() {
  if (FFavourites->Count() == 0 || !AskFileName) return;
  std::u16string chosen;
  int filter = 1;
  if (!AskFileName(true, chosen, filter) || chosen.empty()) return;
  std::filesystem::path path(SavedListName(enc::WideToFileName(chosen), filter));
  // A failed write leaves whatever file was there.
  if (filter == 2) FFavourites->ExportXmlFile(path);
  else FFavourites->ExportListFile(path);
}

void TPlayerWindow::ImportFavourites(bool replace) {
  if (!AskFileName) return;
  std::u16string chosen;
  int filter = 1;
  if (!AskFileName(false, chosen, filter) || chosen.empty()) return;
  std::filesystem::path path(enc::WideToFileName(chosen));
  int before = FFavourites->Count();
  // Both leave the favourites as they were when the file gives nothing.
  int read = replace ? FFavourites->OpenList(path) : FFavourites->ImportList(path);
  if (read <= 0 || FFavourites->Count() == 0) return;
  SelectFavourite(replace ? 0 : std::min(before, FFavourites->Count() - 1));
  TickLinkedEntries();
  FavouritesChanged();
}

void TPlayerWindow::ClearFavourites() {
  if (FFavourites->Count() == 0 || !AskYesNo) return;
  std::shared_ptr<bool> alive = FAlive;
  bool yes = AskYesNo(LoadString(340), LoadString(res::IDS_APP_TITLE));
  if (!*alive || !yes) return;
  FFavourites->ClearItems();
  FFavourites->SetItemIndex(0);
  for (int i = 0; i < FDatabase->Count(); ++i) FDatabase->Item(i)->Ticked = false;
  FavouritesChanged();
}

}  // namespace ui
