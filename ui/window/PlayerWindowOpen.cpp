// Files and addresses given to the program to open, from its command line
// or from another instance. Opening differs from dropping in one thing:
// the user asked to hear what was opened, so it plays.
#include <algorithm>

#include "platform/OpenTarget.h"
#include "support/AsciiCase.h"
#include "support/Encoding.h"
#include "ui/window/PlayerWindow.h"
#include "widgets/controls/DropFiles.h"

namespace ui {

using namespace widgets;

namespace {

// Station lists are imported, not listened to: their first entry is just
// the first of many.
bool IsStationList(const std::u16string& path) {
  std::string ext = ascii::Lower(std::filesystem::path(enc::WideToFileName(path)).extension().string());
  return ext == ".rpf" || ext == ".xml";
}

}  // namespace

void TPlayerWindow::OpenedTargets(std::uintptr_t drop) {
  SetForegroundWindow(WindowHandle());
  std::vector<std::u16string> targets = DragQueryFiles(drop);
  DragFinish(drop);
  OpenTargets(targets);
}

void TPlayerWindow::OpenTargets(const std::vector<std::u16string>& targets) {
  std::vector<std::u16string> files;
  std::u16string address;
  for (const auto& target : targets) {
    // Of several addresses the last one plays, as if each had been opened
    // after the other.
    // Targets keep the bytes of file names; an address is text and reads
    // as any byte text does.
    if (platform::IsWebAddress(enc::Utf16ToUtf8(target))) address = enc::FileNameDisplay(target);
    else files.push_back(target);
  }
  bool added = !files.empty() && DropFiles(files, false);
  if (!address.empty()) {
    ListenTo(address, address);
  } else if (added && !std::all_of(files.begin(), files.end(), IsStationList)) {
    // The drop selected the first entry the files brought.
    PlayFromFavourites();
  }
}

}  // namespace ui
