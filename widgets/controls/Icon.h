// Icons as handles, like the system's: made from pixels or PNG data,
// destroyed explicitly. The tray icon and window icons use them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace widgets {

using HICON = std::uintptr_t;

struct TIconImage {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Argb;  // straight (not premultiplied) 0xAARRGGBB, row after row
};

// 0 when the size is not positive or the pixels are too few.
HICON CreateIconFromArgb(int width, int height, const std::vector<std::uint32_t>& argb);
// Decodes PNG data and scales it to size x size; 0 when it is not a PNG.
HICON CreateIconFromPng(const std::string& png, int size);
bool DestroyIcon(HICON icon);
bool IsIcon(HICON icon);
// A copy of the icon's pixels; empty when `icon` is not an icon.
TIconImage IconImage(HICON icon);

}  // namespace widgets
