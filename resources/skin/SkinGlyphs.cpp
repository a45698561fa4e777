// The white glyphs of the skin, each on a 16 x 16 grid.
#include "SkinArt.h"

#include <cmath>

namespace skin {

void SetColour(cairo_t* cr, uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min(r, std::min(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

namespace {

void Polygon(cairo_t* cr, std::initializer_list<double> points) {
  auto p = points.begin();
  cairo_move_to(cr, p[0], p[1]);
  for (size_t i = 2; i + 1 < points.size(); i += 2) cairo_line_to(cr, p[i], p[i + 1]);
  cairo_close_path(cr);
  cairo_fill(cr);
}

void Line(cairo_t* cr, double x1, double y1, double x2, double y2, double width) {
  cairo_set_line_width(cr, width);
  cairo_move_to(cr, x1, y1);
  cairo_line_to(cr, x2, y2);
  cairo_stroke(cr);
}

void Ring(cairo_t* cr, double cx, double cy, double r, double width) {
  cairo_set_line_width(cr, width);
  cairo_new_sub_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  cairo_stroke(cr);
}

void Arrow(cairo_t* cr, bool left) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  double tip = left ? 3 : 13, tail = left ? 13 : 3, head = left ? 8 : 8;
  Line(cr, tip, 8, tail, 8, 2);
  cairo_set_line_width(cr, 2);
  cairo_move_to(cr, head, 3);
  cairo_line_to(cr, tip, 8);
  cairo_line_to(cr, head, 13);
  cairo_stroke(cr);
}

void Speaker(cairo_t* cr) {
  Polygon(cr, {1, 6, 4, 6, 8, 2, 8, 14, 4, 10, 1, 10});
}

}  // namespace

void DrawGlyph(cairo_t* cr, EGlyph glyph, double x, double y, uint32_t colour) {
  cairo_save(cr);
  cairo_translate(cr, x, y);
  SetColour(cr, colour);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  switch (glyph) {
    case EGlyph::Play: Polygon(cr, {4, 2, 4, 14, 14, 8}); break;
    case EGlyph::Stop:
      RoundedRect(cr, 3, 3, 10, 10, 1.5);
      cairo_fill(cr);
      break;
    case EGlyph::Pause:
      cairo_rectangle(cr, 3, 2, 4, 12);
      cairo_rectangle(cr, 9, 2, 4, 12);
      cairo_fill(cr);
      break;
    case EGlyph::Record:
      cairo_arc(cr, 8, 8, 5.5, 0, 2 * M_PI);
      cairo_fill(cr);
      break;
    case EGlyph::Next:
      Polygon(cr, {2, 2, 2, 14, 10, 8});
      cairo_rectangle(cr, 11, 2, 3, 12);
      cairo_fill(cr);
      break;
    case EGlyph::Previous:
      Polygon(cr, {14, 2, 14, 14, 6, 8});
      cairo_rectangle(cr, 2, 2, 3, 12);
      cairo_fill(cr);
      break;
    case EGlyph::Close:
      Line(cr, 4, 4, 12, 12, 2);
      Line(cr, 12, 4, 4, 12, 2);
      break;
    case EGlyph::Minimize:
      cairo_rectangle(cr, 3, 10, 10, 2);
      cairo_fill(cr);
      break;
    case EGlyph::Plus:
      cairo_rectangle(cr, 7, 2, 2, 12);
      cairo_rectangle(cr, 2, 7, 12, 2);
      cairo_fill(cr);
      break;
    case EGlyph::Star: {
      cairo_move_to(cr, 8, 1);
      for (int i = 1; i < 10; ++i) {
        double angle = -M_PI / 2 + i * M_PI / 5;
        double r = (i % 2) ? 3.1 : 7.2;
        cairo_line_to(cr, 8 + r * std::cos(angle), 8.6 + r * std::sin(angle));
      }
      cairo_close_path(cr);
      cairo_fill(cr);
      break;
    }
    case EGlyph::Gear: {
      for (int i = 0; i < 8; ++i) {
        cairo_save(cr);
        cairo_translate(cr, 8, 8);
        cairo_rotate(cr, i * M_PI / 4);
        cairo_rectangle(cr, -1.5, -7.5, 3, 3);
        cairo_restore(cr);
      }
      cairo_fill(cr);
      cairo_arc(cr, 8, 8, 5.5, 0, 2 * M_PI);
      cairo_new_sub_path(cr);
      cairo_arc_negative(cr, 8, 8, 2.2, 2 * M_PI, 0);
      cairo_fill(cr);
      break;
    }
    case EGlyph::Globe:
      Ring(cr, 8, 8, 6.25, 1.5);
      cairo_save(cr);
      cairo_translate(cr, 8, 8);
      cairo_scale(cr, 0.45, 1);
      cairo_arc(cr, 0, 0, 6.25, 0, 2 * M_PI);
      cairo_restore(cr);
      cairo_set_line_width(cr, 1.25);
      cairo_stroke(cr);
      Line(cr, 2, 8, 14, 8, 1.25);
      Line(cr, 3.5, 4.75, 12.5, 4.75, 1);
      Line(cr, 3.5, 11.25, 12.5, 11.25, 1);
      break;
    case EGlyph::List:
      for (int row = 0; row < 3; ++row) {
        double y0 = 3 + row * 4;
        cairo_rectangle(cr, 1, y0, 2, 2);
        cairo_rectangle(cr, 5, y0, 10, 2);
      }
      cairo_fill(cr);
      break;
    case EGlyph::SpeakerOn:
      Speaker(cr);
      cairo_set_line_width(cr, 1.5);
      cairo_arc(cr, 8, 8, 3.25, -M_PI / 3, M_PI / 3);
      cairo_stroke(cr);
      cairo_arc(cr, 8, 8, 6.25, -M_PI / 3, M_PI / 3);
      cairo_stroke(cr);
      break;
    case EGlyph::SpeakerOff:
      Speaker(cr);
      Line(cr, 10.5, 5.5, 14.5, 10.5, 1.5);
      Line(cr, 14.5, 5.5, 10.5, 10.5, 1.5);
      break;
    case EGlyph::Search:
      Ring(cr, 6.5, 6.5, 4.5, 2);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      Line(cr, 10, 10, 14, 14, 2.5);
      break;
    case EGlyph::Clock:
      Ring(cr, 8, 8, 6.25, 1.5);
      Line(cr, 8, 8, 8, 4, 1.5);
      Line(cr, 8, 8, 11, 9.5, 1.5);
      break;
    case EGlyph::Save:
      Line(cr, 8, 1.5, 8, 9.5, 2);
      cairo_set_line_width(cr, 2);
      cairo_move_to(cr, 4.5, 6.5);
      cairo_line_to(cr, 8, 10);
      cairo_line_to(cr, 11.5, 6.5);
      cairo_stroke(cr);
      cairo_move_to(cr, 2, 10);
      cairo_line_to(cr, 2, 14);
      cairo_line_to(cr, 14, 14);
      cairo_line_to(cr, 14, 10);
      cairo_stroke(cr);
      break;
    case EGlyph::Back: Arrow(cr, true); break;
    case EGlyph::Forward: Arrow(cr, false); break;
    case EGlyph::Refresh:
      cairo_set_line_width(cr, 2);
      cairo_arc(cr, 8, 8, 5, -M_PI / 4, 3 * M_PI / 2);
      cairo_stroke(cr);
      Polygon(cr, {8, 0.5, 11.5, 3, 8, 5.5});
      break;
    case EGlyph::Home:
      cairo_set_line_width(cr, 2);
      cairo_move_to(cr, 1.5, 8);
      cairo_line_to(cr, 8, 2);
      cairo_line_to(cr, 14.5, 8);
      cairo_stroke(cr);
      cairo_rectangle(cr, 4, 8, 8, 6);
      cairo_fill(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
      cairo_rectangle(cr, 7, 10, 2, 4);
      cairo_fill(cr);
      break;
    case EGlyph::AddRadio:
      cairo_arc(cr, 6, 7, 1.75, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_set_line_width(cr, 1.5);
      cairo_arc(cr, 6, 7, 4, -M_PI / 4, M_PI / 4);
      cairo_stroke(cr);
      cairo_arc(cr, 6, 7, 4, 3 * M_PI / 4, 5 * M_PI / 4);
      cairo_stroke(cr);
      cairo_rectangle(cr, 12, 9, 2, 6);
      cairo_rectangle(cr, 10, 11, 6, 2);
      cairo_fill(cr);
      break;
    case EGlyph::Info:
      Ring(cr, 8, 8, 6.25, 1.5);
      cairo_rectangle(cr, 7, 4, 2, 2);
      cairo_rectangle(cr, 7, 7, 2, 5);
      cairo_fill(cr);
      break;
  }
  cairo_restore(cr);
}

}  // namespace skin
