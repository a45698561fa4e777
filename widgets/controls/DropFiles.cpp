#include "widgets/controls/DropFiles.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "core/Encoding.h"
#include "widgets/controls/Control.h"

namespace widgets {

namespace {
struct TDrop {
  std::vector<std::u16string> Paths;
  TPoint Point;
};
std::map<HDROP, TDrop> gDrops;
HDROP gNextDrop = 0x30000;
}  // namespace

bool DragAcceptFiles(HWND window, bool accept) {
  TControl* control = TControl::FromHandle(window);
  if (!control) return false;
  TNativeWindow* native = control->TopLevel()->NativeWindow();
  if (!native) return false;
  native->SetAcceptFiles(accept);
  return true;
}

HDROP CreateDrop(const std::vector<std::string>& paths, TPoint point) {
  HDROP handle = gNextDrop++;
  TDrop& drop = gDrops[handle];
  drop.Point = point;
  // Paths are file-system bytes: a name that is not UTF-8 keeps its bytes,
  // so that the path the receiver reads still opens the file.
  for (const std::string& path : paths) drop.Paths.push_back(enc::FileNameToWide(path));
  return handle;
}

UINT DragQueryFileW(HDROP drop, UINT index, char16_t* buffer, UINT size) {
  auto it = gDrops.find(drop);
  if (it == gDrops.end()) return 0;
  const auto& paths = it->second.Paths;
  if (index == 0xFFFFFFFF) return static_cast<UINT>(paths.size());
  if (index >= paths.size()) return 0;
  const std::u16string& path = paths[index];
  if (!buffer) return static_cast<UINT>(path.size());
  if (size == 0) return 0;
  size_t n = std::min<size_t>(path.size(), size - 1);
  std::memcpy(buffer, path.data(), n * sizeof(char16_t));
  buffer[n] = 0;
  return static_cast<UINT>(n);
}

std::vector<std::u16string> DragQueryFiles(HDROP drop) {
  auto it = gDrops.find(drop);
  return it == gDrops.end() ? std::vector<std::u16string>{} : it->second.Paths;
}

bool DragQueryPoint(HDROP drop, TPoint& point) {
  auto it = gDrops.find(drop);
  if (it == gDrops.end()) return false;
  point = it->second.Point;
  return true;
}

void DragFinish(HDROP drop) { gDrops.erase(drop); }

}  // namespace widgets
