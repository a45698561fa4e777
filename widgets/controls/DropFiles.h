// Files dropped on a window. A window that accepts them (DragAcceptFiles)
// receives WM_DROPFILES with a drop handle in wParam; the receiver reads the
// paths with DragQueryFileW and frees the handle with DragFinish.
#pragma once

#include <string>
#include <vector>

#include "widgets/Core.h"

namespace widgets {

using HDROP = std::uintptr_t;

bool DragAcceptFiles(HWND window, bool accept);
// index 0xFFFFFFFF: the number of files. Otherwise copies at most size - 1
// characters of the path and a terminating zero into buffer and returns the
// copied length; buffer nullptr returns the path's full length.
UINT DragQueryFileW(HDROP drop, UINT index, char16_t* buffer, UINT size);
std::vector<std::u16string> DragQueryFiles(HDROP drop);
// The drop point in client coordinates of the window.
bool DragQueryPoint(HDROP drop, TPoint& point);
void DragFinish(HDROP drop);

// Used by the input router: makes a handle for the given file-system paths.
HDROP CreateDrop(const std::vector<std::string>& paths, TPoint point);

}  // namespace widgets
