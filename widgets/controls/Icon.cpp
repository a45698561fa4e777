#include "widgets/controls/Icon.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace widgets {

namespace {
std::mutex gLock;
std::map<HICON, TIconImage> gIcons;
HICON gNext = 0x20000;

struct TPngReader {
  const std::string* Data;
  size_t Offset = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<TPngReader*>(closure);
  if (reader->Offset + length > reader->Data->size()) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->Data->data() + reader->Offset, length);
  reader->Offset += length;
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

HICON CreateIconFromArgb(int width, int height, const std::vector<std::uint32_t>& argb) {
  if (width <= 0 || height <= 0 || width > 1024 || height > 1024) return 0;
  if (argb.size() < static_cast<size_t>(width) * height) return 0;
  std::lock_guard<std::mutex> guard(gLock);
  HICON handle = gNext++;
  TIconImage& image = gIcons[handle];
  image.Width = width;
  image.Height = height;
  image.Argb.assign(argb.begin(), argb.begin() + static_cast<long>(width) * height);
  return handle;
}

HICON CreateIconFromPng(const std::string& png, int size) {
  if (size <= 0 || size > 1024) return 0;
  TPngReader reader{&png};
  cairo_surface_t* source = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
  if (cairo_surface_status(source) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(source);
    return 0;
  }
  int w = cairo_image_surface_get_width(source), h = cairo_image_surface_get_height(source);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(target);
  cairo_scale(cr, double(size) / w, double(size) / h);
  cairo_set_source_surface(cr, source, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target);
  std::vector<std::uint32_t> argb(static_cast<size_t>(size) * size);
  const unsigned char* data = cairo_image_surface_get_data(target);
  int stride = cairo_image_surface_get_stride(target);
  for (int y = 0; y < size; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < size; ++x) {
      std::uint32_t p = row[x];
      std::uint32_t a = p >> 24;
      // Cairo keeps premultiplied colour; icons carry straight colour.
      auto un = [a](std::uint32_t c) { return a ? std::min<std::uint32_t>(255, (c * 255 + a / 2) / a) : 0; };
      argb[static_cast<size_t>(y) * size + x] =
          (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
    }
  }
  cairo_surface_destroy(target);
  cairo_surface_destroy(source);
  return CreateIconFromArgb(size, size, argb);
}

bool DestroyIcon(HICON icon) {
  std::lock_guard<std::mutex> guard(gLock);
  return gIcons.erase(icon) != 0;
}

bool IsIcon(HICON icon) {
  std::lock_guard<std::mutex> guard(gLock);
  return gIcons.count(icon) != 0;
}

TIconImage IconImage(HICON icon) {
  std::lock_guard<std::mutex> guard(gLock);
  auto it = gIcons.find(icon);
  return it == gIcons.end() ? TIconImage{} : it->second;
}

}  // namespace widgets
