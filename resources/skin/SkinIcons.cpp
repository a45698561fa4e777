// The two program icons, "Android" (flat, orange) and "Klasik" (a dark
// radio set), drawn from one vector design at every size with the strokes
// rounded to whole pixels at the small sizes.
#include "SkinArt.h"

#include <algorithm>
#include <cmath>

namespace skin {

namespace {

double Snap(double v, int size) { return size <= 48 ? std::round(v) : v; }

void AndroidIcon(cairo_t* cr, int size) {
  const double s = size;
  const double inset = size <= 16 ? 0 : Snap(s * 0.04, size);
  RoundedRect(cr, inset, inset, s - 2 * inset, s - 2 * inset, s * 0.22);
  cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, s);
  cairo_pattern_add_color_stop_rgb(fill, 0, 0xF5 / 255.0, 0x8A / 255.0, 0x3C / 255.0);
  cairo_pattern_add_color_stop_rgb(fill, 1, 0xEC / 255.0, 0x70 / 255.0, 0x1F / 255.0);
  cairo_set_source(cr, fill);
  cairo_fill(cr);
  cairo_pattern_destroy(fill);

  // A broadcast mark: a dot with two waves on each side.
  const double cx = s / 2, cy = s / 2;
  const double line = std::max(1.25, Snap(s * 0.075, size));
  SetColour(cr, kWhite);
  cairo_arc(cr, cx, cy, std::max(1.5, s * 0.085), 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_line_width(cr, line);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  const int waves = size <= 16 ? 1 : 2;
  for (int i = 1; i <= waves; ++i) {
    double r = s * (0.14 + 0.13 * i);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, -M_PI / 4, M_PI / 4);
    cairo_stroke(cr);
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, r, 3 * M_PI / 4, 5 * M_PI / 4);
    cairo_stroke(cr);
  }
}

void ClassicIcon(cairo_t* cr, int size) {
  const double s = size;
  const double top = Snap(s * 0.26, size);
  // Antenna.
  SetColour(cr, 0xFF9A9A9A);
  cairo_set_line_width(cr, std::max(1.0, Snap(s * 0.04, size)));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, s * 0.3, top);
  cairo_line_to(cr, s * 0.72, std::max(0.5, s * 0.04));
  cairo_stroke(cr);
  // Cabinet.
  RoundedRect(cr, 0, top, s, s - top - (size <= 16 ? 1 : Snap(s * 0.06, size)), s * 0.12);
  cairo_pattern_t* body = cairo_pattern_create_linear(0, top, 0, s);
  cairo_pattern_add_color_stop_rgb(body, 0, 0.24, 0.24, 0.24);
  cairo_pattern_add_color_stop_rgb(body, 1, 0.09, 0.09, 0.09);
  cairo_set_source(cr, body);
  cairo_fill(cr);
  cairo_pattern_destroy(body);
  // Speaker grille.
  const double gx = s * 0.3, gy = (top + s) / 2 - s * 0.02, gr = s * 0.18;
  SetColour(cr, 0xFF5A5A5A);
  cairo_arc(cr, gx, gy, gr, 0, 2 * M_PI);
  cairo_fill(cr);
  if (size > 16) {
    SetColour(cr, 0xFF2A2A2A);
    cairo_set_line_width(cr, std::max(1.0, s * 0.025));
    for (double r = gr * 0.35; r < gr; r += gr * 0.33) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, gx, gy, r, 0, 2 * M_PI);
      cairo_stroke(cr);
    }
  }
  // Tuning dial with its needle.
  const double dx = Snap(s * 0.55, size), dy = Snap(gy - s * 0.13, size);
  const double dw = Snap(s * 0.36, size), dh = std::max(3.0, Snap(s * 0.26, size));
  RoundedRect(cr, dx, dy, dw, dh, s * 0.03);
  SetColour(cr, kAccent);
  cairo_fill(cr);
  SetColour(cr, kWhite);
  cairo_rectangle(cr, Snap(dx + dw * 0.6, size), dy, std::max(1.0, Snap(s * 0.03, size)), dh);
  cairo_fill(cr);
}

}  // namespace

std::vector<TSkinImage> ProgramIcons() {
  std::vector<TSkinImage> icons;
  // Every size of the hicolor icon theme, so that the desktop never scales.
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icons.push_back({"101-" + std::to_string(size), size, size,
                     [](cairo_t* cr, int w, int) { AndroidIcon(cr, w); }});
    icons.push_back({"102-" + std::to_string(size), size, size,
                     [](cairo_t* cr, int w, int) { ClassicIcon(cr, w); }});
  }
  return icons;
}

}  // namespace skin
