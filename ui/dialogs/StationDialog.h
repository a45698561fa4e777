// Dialog 103: a station's name and address, for adding a station by its
// address ("URL Adresinden Ekle") and for editing a favourite ("Düzenle").
// The texts come back as typed; the caller trims and checks them.
#pragma once

#include <string>

#include "core/Messages.h"
#include "ui/dialogs/DialogKit.h"

namespace ui {

struct TStationForm {
  std::u16string Title = u"Düzenle";
  std::u16string AddressLabel = u"URL:";  // the text of static 1003
  std::u16string Name;
  std::u16string Address;
  // A favourite linked to a database entry keeps the database's address
  // (outside administrator mode).
  bool AddressReadOnly = false;
};

// The two add forms, with their titles and labels from the string table.
TStationForm AddByAddressForm();
TStationForm AddVideoAddressForm();

struct TStationAnswer {
  // IDOK or IDCANCEL; 0 when the dialog was already open and was only
  // brought to the front.
  int Result = 0;
  std::u16string Name;
  std::u16string Address;
};

class TStationDialog : public TModalDialog {
 public:
  TStationDialog(core::HWND parent, const TStationForm& form);
  const TStationAnswer& Answer() const { return FAnswer; }

 protected:
  int Finish(int response) override;

 private:
  TStationAnswer FAnswer;
};

TStationAnswer EditStationDialog(core::HWND parent, const TStationForm& form);

}  // namespace ui
