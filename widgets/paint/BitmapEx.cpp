#include "widgets/paint/BitmapEx.h"

#include <gdk/gdk.h>
#include <gio/gio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <vector>

#include "widgets/Identity.h"

namespace widgets {

namespace {

struct TReadCursor {
  const unsigned char* Data;
  size_t Size;
  size_t Position;
};

cairo_status_t ReadFromCursor(void* closure, unsigned char* data, unsigned int length) {
  auto* cursor = static_cast<TReadCursor*>(closure);
  if (cursor->Size - cursor->Position < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, cursor->Data + cursor->Position, length);
  cursor->Position += length;
  return CAIRO_STATUS_SUCCESS;
}

bool LooksLikePng(std::string_view data) {
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  return data.size() >= 8 && std::memcmp(data.data(), kSignature, 8) == 0;
}

cairo_surface_t* DecodePng(std::string_view data) {
  TReadCursor cursor{reinterpret_cast<const unsigned char*>(data.data()), data.size(), 0};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadFromCursor, &cursor);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return surface;
}

// Banner pictures may be JPEG or GIF; gdk-pixbuf reads those.
cairo_surface_t* DecodeWithPixbuf(std::string_view data) {
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  GError* error = nullptr;
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(data.data()),
                                    data.size(), &error);
  ok = gdk_pixbuf_loader_close(loader, ok ? &error : nullptr) && ok;
  if (error) g_error_free(error);
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  cairo_surface_t* surface = nullptr;
  if (pixbuf) {
    int width = gdk_pixbuf_get_width(pixbuf);
    int height = gdk_pixbuf_get_height(pixbuf);
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    gdk_cairo_set_source_pixbuf(cr, pixbuf, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
  }
  g_object_unref(loader);
  return surface;
}

}  // namespace

TBitmapEx::TBitmapEx(int width, int height, cairo_format_t format) {
  Attach(cairo_image_surface_create(format, std::max(width, 0), std::max(height, 0)));
}

TBitmapEx::TBitmapEx(const TBitmapEx& source) {
  Attach(cairo_image_surface_create(source.FFormat, source.FWidth, source.FHeight));
  cairo_t* cr = cairo_create(FSurface);
  cairo_set_source_surface(cr, source.FSurface, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
}

TBitmapEx::TBitmapEx(cairo_surface_t* adopted) {
  // Pixel operations assume ARGB32; decoded images may come back as RGB24.
  if (cairo_image_surface_get_format(adopted) != CAIRO_FORMAT_ARGB32) {
    cairo_surface_t* argb = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(adopted),
        cairo_image_surface_get_height(adopted));
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, adopted, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(adopted);
    adopted = argb;
  }
  Attach(adopted);
}

TBitmapEx::~TBitmapEx() { cairo_surface_destroy(FSurface); }

void TBitmapEx::Attach(cairo_surface_t* surface) {
  FSurface = surface;
  cairo_surface_flush(surface);
  FFormat = cairo_image_surface_get_format(surface);
  FWidth = cairo_image_surface_get_width(surface);
  FHeight = cairo_image_surface_get_height(surface);
  FStride = cairo_image_surface_get_stride(surface);
  FBits = cairo_image_surface_get_data(surface);
}

std::unique_ptr<TBitmapEx> TBitmapEx::FromData(std::string_view data) {
  if (data.empty()) return nullptr;
  cairo_surface_t* surface = LooksLikePng(data) ? DecodePng(data) : nullptr;
  if (!surface) surface = DecodeWithPixbuf(data);
  if (!surface) return nullptr;
  return std::unique_ptr<TBitmapEx>(new TBitmapEx(surface));
}

std::unique_ptr<TBitmapEx> TBitmapEx::FromStream(std::istream& stream) {
  std::string data{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  return FromData(data);
}

std::string TBitmapEx::SkinResourcePath(int id) {
  return ResourceBase() + "/skin/" + std::to_string(id) + ".png";
}

std::string TBitmapEx::IconResourcePath(int id, int size) {
  return ResourceBase() + "/icons/" + std::to_string(id) + "-" + std::to_string(size) + ".png";
}

std::unique_ptr<TBitmapEx> TBitmapEx::FromResourcePath(const std::string& path) {
  GBytes* bytes = g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  if (!bytes) return nullptr;
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  auto bitmap = FromData(std::string_view(data, size));
  g_bytes_unref(bytes);
  return bitmap;
}

std::unique_ptr<TBitmapEx> TBitmapEx::FromResource(int id) {
  return FromResourcePath(SkinResourcePath(id));
}

std::unique_ptr<TBitmapEx> TBitmapEx::FromIcon(int id, int size) {
  return FromResourcePath(IconResourcePath(id, size));
}

std::unique_ptr<TBitmapEx> TBitmapEx::Clone() const { return std::make_unique<TBitmapEx>(*this); }

std::unique_ptr<TBitmapEx> TBitmapEx::Crop(int x, int y, int width, int height) const {
  auto result = std::make_unique<TBitmapEx>(width, height, FFormat);
  cairo_t* cr = cairo_create(result->FSurface);
  cairo_set_source_surface(cr, FSurface, -x, -y);
  cairo_paint(cr);
  cairo_destroy(cr);
  result->Flush();
  return result;
}

void TBitmapEx::Flush() const { cairo_surface_flush(FSurface); }
void TBitmapEx::MarkDirty() const { cairo_surface_mark_dirty(FSurface); }

void TBitmapEx::Blur(int passes) {
  if (FFormat != CAIRO_FORMAT_ARGB32 || FWidth < 3 || FHeight < 3) return;
  Flush();
  for (int pass = 0; pass < passes; ++pass) {
    // In place, row by row: the left and upper neighbours already carry
    // this pass's values, which is what gives the blur its slight drift.
    for (int y = 1; y < FHeight - 1; ++y) {
      uint8_t* row = FBits + y * FStride;
      uint8_t* above = row - FStride;
      uint8_t* below = row + FStride;
      for (int x = 1; x < FWidth - 1; ++x) {
        for (int c = 0; c < 4; ++c) {
          int i = x * 4 + c;
          row[i] = static_cast<uint8_t>(
              (row[i - 4] + row[i + 4] + above[i] + below[i]) >> 2);
        }
      }
    }
  }
  MarkDirty();
}

void TBitmapEx::Tint(uint32_t colour) {
  if (FFormat != CAIRO_FORMAT_ARGB32) return;
  Flush();
  const unsigned blue = colour & 0xFF, green = (colour >> 8) & 0xFF, red = (colour >> 16) & 0xFF;
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* p = FBits + y * FStride;
    for (int x = 0; x < FWidth; ++x, p += 4) {
      p[0] = static_cast<uint8_t>(p[0] * blue / 256);
      p[1] = static_cast<uint8_t>(p[1] * green / 256);
      p[2] = static_cast<uint8_t>(p[2] * red / 256);
    }
  }
  MarkDirty();
}

void TBitmapEx::Grayscale() {
  if (FFormat != CAIRO_FORMAT_ARGB32) return;
  Flush();
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* p = FBits + y * FStride;
    for (int x = 0; x < FWidth; ++x, p += 4) {
      // Exact decimal weights, rounded half up.
      unsigned grey = (299u * p[2] + 587u * p[1] + 114u * p[0] + 500u) / 1000u;
      p[0] = p[1] = p[2] = static_cast<uint8_t>(grey);
    }
  }
  MarkDirty();
}

void TBitmapEx::Fade(int alpha) {
  if (FFormat != CAIRO_FORMAT_ARGB32) return;
  alpha = std::clamp(alpha, 0, 255);
  Flush();
  // Every channel, alpha included, is scaled alike so the pixels stay valid
  // premultiplied values; an opaque pixel ends at alpha * 255 / 256.
  for (int y = 0; y < FHeight; ++y) {
    uint8_t* p = FBits + y * FStride;
    for (int x = 0; x < FWidth * 4; ++x) p[x] = static_cast<uint8_t>(p[x] * alpha / 256);
  }
  MarkDirty();
}

uint32_t TBitmapEx::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  Flush();
  if (FFormat == CAIRO_FORMAT_ARGB32 || FFormat == CAIRO_FORMAT_RGB24) {
    uint32_t value;
    std::memcpy(&value, FBits + y * FStride + x * 4, 4);
    return FFormat == CAIRO_FORMAT_RGB24 ? (value | 0xFF000000u) : value;
  }
  if (FFormat == CAIRO_FORMAT_A8) return uint32_t(FBits[y * FStride + x]) << 24;
  return 0;
}

void TBitmapEx::SetPixel(int x, int y, uint32_t premultiplied) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  if (FFormat != CAIRO_FORMAT_ARGB32 && FFormat != CAIRO_FORMAT_RGB24) return;
  Flush();
  std::memcpy(FBits + y * FStride + x * 4, &premultiplied, 4);
  MarkDirty();
}

void TBitmapEx::Fill(uint32_t premultiplied) {
  if (FFormat != CAIRO_FORMAT_ARGB32 && FFormat != CAIRO_FORMAT_RGB24) return;
  Flush();
  for (int y = 0; y < FHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(FBits + y * FStride);
    std::fill(row, row + FWidth, premultiplied);
  }
  MarkDirty();
}

bool TBitmapEx::SaveToPng(const std::string& path) const {
  // Encoded in memory and written by GLib under a unique temporary name that
  // is renamed over the target: a failure never leaves a truncated picture
  // behind, and two writers of one file do not share a temporary file.
  std::string png;
  auto append = [](void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  };
  if (cairo_surface_write_to_png_stream(FSurface, append, &png) != CAIRO_STATUS_SUCCESS)
    return false;
  GError* error = nullptr;
  bool written = g_file_set_contents(path.c_str(), png.data(), static_cast<gssize>(png.size()), &error);
  if (error) g_error_free(error);
  return written;
}

}  // namespace widgets
