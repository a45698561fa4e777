// 32-bit bitmaps for the painted controls: cairo image surfaces holding
// premultiplied ARGB pixels (cairo's ARGB32, the byte order B, G, R, A on
// little-endian machines), plus the few pixel operations the skin needs.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace widgets {

class TBitmapEx {
public:
  // A blank (fully transparent) bitmap. Negative sizes count as 0.
  TBitmapEx(int width, int height, cairo_format_t format = CAIRO_FORMAT_ARGB32);
  // Same size and format, the source's pixels painted over.
  TBitmapEx(const TBitmapEx& source);
  TBitmapEx& operator=(const TBitmapEx&) = delete;
  ~TBitmapEx();

  // Decodes PNG (or any format gdk-pixbuf reads) from memory; nullptr when
  // the data is not an image.
  static std::unique_ptr<TBitmapEx> FromData(std::string_view data);
  static std::unique_ptr<TBitmapEx> FromStream(std::istream& stream);
  // A skin image of the program's resource bundle by its numeric id;
  // nullptr when the bundle has no such image.
  static std::unique_ptr<TBitmapEx> FromResource(int id);
  // A program icon (101, 102) at one of its sizes (16, 32, 48, 256).
  static std::unique_ptr<TBitmapEx> FromIcon(int id, int size);
  static std::unique_ptr<TBitmapEx> FromResourcePath(const std::string& path);

  static std::string SkinResourcePath(int id);
  static std::string IconResourcePath(int id, int size);

  std::unique_ptr<TBitmapEx> Clone() const;
  // A new bitmap of width x height with this one painted at (-x, -y).
  std::unique_ptr<TBitmapEx> Crop(int x, int y, int width, int height) const;

  // Pixel operations; they act only on ARGB32 bitmaps.
  void Blur(int passes);
  void Tint(uint32_t colour);
  void Grayscale();
  void Fade(int alpha);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Stride() const { return FStride; }
  cairo_format_t Format() const { return FFormat; }
  cairo_surface_t* Surface() const { return FSurface; }
  // Direct pixel access: call Flush before reading after cairo drew, and
  // MarkDirty after writing.
  uint8_t* Bits() const { return FBits; }
  void Flush() const;
  void MarkDirty() const;

  // Premultiplied 0xAARRGGBB at (x, y); 0 outside the bitmap.
  uint32_t Pixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t premultiplied);
  // Fills the whole bitmap with one premultiplied value (tests, backdrops).
  void Fill(uint32_t premultiplied);

  bool SaveToPng(const std::string& path) const;

private:
  explicit TBitmapEx(cairo_surface_t* adopted);
  void Attach(cairo_surface_t* surface);

  cairo_surface_t* FSurface = nullptr;
  cairo_format_t FFormat = CAIRO_FORMAT_ARGB32;
  int FHeight = 0;
  int FWidth = 0;
  int FStride = 0;
  uint8_t* FBits = nullptr;
};

}  // namespace widgets
