// Drawing helpers of the skin art generator. The skin is drawn in code so
// that every picture stays editable and crisp: glyphs are laid out on a
// 16-pixel grid with strokes on whole or half pixels, and panels are built
// from one drawing that is cut into its stretchable pieces.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skin {

constexpr uint32_t kAccent = 0xFFEC701F;
constexpr uint32_t kAccentDark = 0xFFC4561A;
constexpr uint32_t kWhite = 0xFFFFFFFF;

void SetColour(cairo_t* cr, uint32_t argb);
void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

enum class EGlyph {
  Play, Stop, Pause, Record, Next, Previous, Close, Minimize, Plus, Star, Gear, Globe, List,
  SpeakerOn, SpeakerOff, Search, Clock, Save, Back, Forward, Refresh, Home, AddRadio, Info,
};

// A glyph designed on the 16 x 16 grid, its top-left corner at (x, y)
// (whole pixels keep it crisp), in one colour.
void DrawGlyph(cairo_t* cr, EGlyph glyph, double x, double y, uint32_t colour);

// One picture of the skin: its file name, size and painter.
struct TSkinImage {
  std::string Name;
  int Width, Height;
  std::function<void(cairo_t*, int, int)> Paint;
};

std::vector<TSkinImage> SkinImages();
std::vector<TSkinImage> ProgramIcons();

}  // namespace skin
