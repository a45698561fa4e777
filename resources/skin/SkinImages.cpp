// The skin pictures by id. Pictures that the program tints (list panel,
// recording panel, browser frame, check boxes, thumbs) are drawn light, so
// that grey-and-multiply gives them the tint colour; everything else is a
// white glyph or a dark translucent panel with the orange accent.
#include "SkinArt.h"

#include <cmath>

namespace skin {

namespace {

using TPainter = std::function<void(cairo_t*, int, int)>;

TSkinImage Image(int id, int w, int h, TPainter paint) {
  return {std::to_string(id), w, h, std::move(paint)};
}

void VerticalGradient(cairo_t* cr, double y0, double y1, uint32_t top, uint32_t bottom) {
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, y0, 0, y1);
  auto stop = [&](double at, uint32_t c) {
    cairo_pattern_add_color_stop_rgba(gradient, at, ((c >> 16) & 0xFF) / 255.0,
                                      ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0,
                                      (c >> 24) / 255.0);
  };
  stop(0, top);
  stop(1, bottom);
  cairo_set_source(cr, gradient);
  cairo_pattern_destroy(gradient);
}

// The dark body of the player: a translucent rounded panel with a light
// rim on top and a thin dark outline.
void DarkPanel(cairo_t* cr, int w, int h, double r) {
  RoundedRect(cr, 0, 0, w, h, r);
  VerticalGradient(cr, 0, h, 0xE82E2E2E, 0xF0141414);
  cairo_fill(cr);
  RoundedRect(cr, 0.5, 0.5, w - 1, h - 1, r - 0.5);
  SetColour(cr, 0xC0000000);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  RoundedRect(cr, 1.5, 1.5, w - 3, h - 3, r - 1.5);
  VerticalGradient(cr, 0, h, 0x40FFFFFF, 0x08FFFFFF);
  cairo_stroke(cr);
}

// A light panel for tinting: a white rim around a light grey face, so the
// tinted result keeps a faint edge.
void LightPanel(cairo_t* cr, double x, double y, double w, double h, double r) {
  RoundedRect(cr, x, y, w, h, r);
  SetColour(cr, 0xF0D6D6D6);
  cairo_fill(cr);
  RoundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, r - 0.5);
  SetColour(cr, 0xFFFFFFFF);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

// Pieces cut from one drawing: the drawing is painted at (-x, -y) with
// the piece's size as the clip.
TPainter Piece(std::function<void(cairo_t*)> drawing, int x, int y) {
  return [drawing, x, y](cairo_t* cr, int, int) {
    cairo_translate(cr, -x, -y);
    drawing(cr);
  };
}

TPainter Glyph(EGlyph glyph, uint32_t colour = kWhite) {
  return [glyph, colour](cairo_t* cr, int w, int h) {
    DrawGlyph(cr, glyph, std::floor((w - 16) / 2.0), std::floor((h - 16) / 2.0), colour);
  };
}

// A round button face: a thin ring with a glyph drawn inside it.
TPainter Ringed(std::function<void(cairo_t*)> inner) {
  return [inner](cairo_t* cr, int w, int h) {
    SetColour(cr, 0xB0FFFFFF);
    cairo_set_line_width(cr, 1.5);
    cairo_arc(cr, w / 2.0, h / 2.0, w / 2.0 - 1.25, 0, 2 * M_PI);
    cairo_stroke(cr);
    inner(cr);
  };
}

// Four states side by side (normal, pressed, hot, disabled), one cell each.
TPainter ButtonStrip(int cell, std::function<void(cairo_t*, uint32_t)> glyph, uint32_t normal,
                     uint32_t disabled) {
  return [=](cairo_t* cr, int, int) {
    const uint32_t colours[4] = {normal, kAccentDark, kAccent, disabled};
    for (int i = 0; i < 4; ++i) {
      cairo_save(cr);
      cairo_rectangle(cr, i * cell, 0, cell, cell);
      cairo_clip(cr);
      // The pressed cell sits one pixel lower and to the right.
      cairo_translate(cr, i * cell + (i == 1), i == 1);
      glyph(cr, colours[i]);
      cairo_restore(cr);
    }
  };
}

void ListPanelDrawing(cairo_t* cr) { LightPanel(cr, 0, 0, 290, 12 + 15 + 26, 8); }

// The browser frame drawn whole (48 x 82): a light top band for the
// toolbar, a plain body and a bottom band; it is cut into nine pieces
// whose middles stretch.
void FrameDrawing(cairo_t* cr) {
  RoundedRect(cr, 0, 0, 48, 82, 10);
  SetColour(cr, 0xF8E0E0E0);
  cairo_fill(cr);
  cairo_save(cr);
  RoundedRect(cr, 0, 0, 48, 82, 10);
  cairo_clip(cr);
  cairo_rectangle(cr, 0, 0, 48, 36);
  VerticalGradient(cr, 0, 36, 0xFFFFFFFF, 0xFFE8E8E8);
  cairo_fill(cr);
  cairo_rectangle(cr, 0, 52, 48, 30);
  VerticalGradient(cr, 52, 82, 0xFFE0E0E0, 0xFFF4F4F4);
  cairo_fill(cr);
  cairo_restore(cr);
  RoundedRect(cr, 0.5, 0.5, 47, 81, 9.5);
  SetColour(cr, 0xFF8A8A8A);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void CheckBox(cairo_t* cr, bool ticked) {
  RoundedRect(cr, 0.5, 0.5, 12, 12, 2);
  SetColour(cr, kWhite);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  if (!ticked) return;
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 3, 6.5);
  cairo_line_to(cr, 5.5, 9);
  cairo_line_to(cr, 10, 3.5);
  cairo_stroke(cr);
}

void Throbber(cairo_t* cr, int, int) {
  for (int frame = 0; frame < 18; ++frame) {
    double cy = frame * 18 + 9;
    SetColour(cr, 0x30FFFFFF);
    cairo_set_line_width(cr, 2.5);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 9, cy, 6, 0, 2 * M_PI);
    cairo_stroke(cr);
    // A comet of twelve short arcs, brightest at its head.
    double head = frame * 2 * M_PI / 18 - M_PI / 2;
    for (int i = 0; i < 12; ++i) {
      double a1 = head - i * M_PI / 8, a0 = a1 - M_PI / 8;
      uint32_t alpha = uint32_t(255 * (1.0 - i / 12.0));
      SetColour(cr, (alpha << 24) | (kAccent & 0xFFFFFF));
      cairo_set_line_cap(cr, i == 0 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
      cairo_new_sub_path(cr);
      cairo_arc(cr, 9, cy, 6, a0, a1);
      cairo_stroke(cr);
    }
  }
}

void ShareButton(cairo_t* cr, const char* letters) {
  RoundedRect(cr, 0.5, 0.5, 16, 16, 3.5);
  SetColour(cr, 0xC0FFFFFF);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, letters[1] ? 9 : 12);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, letters, &extents);
  SetColour(cr, kWhite);
  cairo_move_to(cr, std::round(8.5 - extents.width / 2 - extents.x_bearing),
                std::round(8.5 - extents.height / 2 - extents.y_bearing));
  cairo_show_text(cr, letters);
}

void FfmpegBadge(cairo_t* cr, int w, int h) {
  DarkPanel(cr, w, h, 6);
  cairo_rectangle(cr, 10, h / 2.0 - 8, 4, 16);
  SetColour(cr, kAccent);
  cairo_fill(cr);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
  cairo_set_font_size(cr, 17);
  SetColour(cr, kWhite);
  cairo_move_to(cr, 22, h / 2.0 + 6);
  cairo_show_text(cr, "FFmpeg");
}

}  // namespace

std::vector<TSkinImage> SkinImages() {
  std::vector<TSkinImage> images;
  auto add = [&](int id, int w, int h, TPainter paint) { images.push_back(Image(id, w, h, paint)); };

  // Player window.
  // The player's bar fills only the top of its picture: the list panel
  // slides out from under it, and a soft shadow below the bar gives it
  // depth over the lists.
  add(2000, 320, 104, [](cairo_t* cr, int w, int) {
    constexpr int bar = 36;
    cairo_pattern_t* shadow = cairo_pattern_create_linear(0, bar - 3, 0, bar + 7);
    cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0.55);
    cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0);
    cairo_rectangle(cr, 8, bar - 3, w - 16, 10);
    cairo_set_source(cr, shadow);
    cairo_fill(cr);
    cairo_pattern_destroy(shadow);
    DarkPanel(cr, w, bar, 10);
  });
  add(2001, 20, 20, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        cairo_move_to(cr, 8, 6);
        cairo_line_to(cr, 8, 14);
        cairo_line_to(cr, 14.5, 10);
        cairo_close_path(cr);
        cairo_fill(cr);
      }));
  add(2002, 20, 20, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        RoundedRect(cr, 7, 7, 6, 6, 1);
        cairo_fill(cr);
      }));
  add(2003, 48, 12, ButtonStrip(12, [](cairo_t* cr, uint32_t c) {
        SetColour(cr, c);
        cairo_set_line_width(cr, 1.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, 3.5, 3.5);
        cairo_line_to(cr, 8.5, 8.5);
        cairo_move_to(cr, 8.5, 3.5);
        cairo_line_to(cr, 3.5, 8.5);
        cairo_stroke(cr);
      }, 0xFF5A5A5A, 0xFFBDBDBD));
  add(2004, 18, 18, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        cairo_rectangle(cr, 8, 5, 2, 8);
        cairo_rectangle(cr, 5, 8, 8, 2);
        cairo_fill(cr);
      }));
  add(2005, 20, 20, Glyph(EGlyph::Star));
  add(2007, 20, 20, Glyph(EGlyph::Gear));
  add(2008, 18, 18, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        cairo_arc(cr, 9, 9, 4.5, 0, 2 * M_PI);
        cairo_fill(cr);
      }));
  add(2009, 20, 20, Glyph(EGlyph::Globe));
  add(2010, 20, 20, Glyph(EGlyph::List));
  add(2011, 20, 20, Glyph(EGlyph::SpeakerOn));
  add(2012, 300, 20, [](cairo_t* cr, int w, int h) {
    RoundedRect(cr, 0, 0, w, h, 5);
    VerticalGradient(cr, 0, h, 0xFFFFFFFF, 0x90FFFFFF);
    cairo_fill(cr);
  });
  add(2013, 20, 20, Glyph(EGlyph::SpeakerOff));
  add(2014, 14, 14, [](cairo_t* cr, int, int) {
    SetColour(cr, kWhite);
    cairo_set_line_width(cr, 1.5);
    cairo_arc(cr, 5.75, 5.75, 4, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 9, 9);
    cairo_line_to(cr, 12.5, 12.5);
    cairo_stroke(cr);
  });
  add(2015, 5, 10, [](cairo_t* cr, int, int) {
    SetColour(cr, kWhite);
    cairo_move_to(cr, 5, 0);
    cairo_line_to(cr, 0, 5);
    cairo_line_to(cr, 5, 10);
    cairo_fill(cr);
  });
  add(2016, 5, 10, [](cairo_t* cr, int, int) {
    SetColour(cr, kWhite);
    cairo_move_to(cr, 0, 0);
    cairo_line_to(cr, 5, 5);
    cairo_line_to(cr, 0, 10);
    cairo_fill(cr);
  });
  add(2017, 20, 20, Glyph(EGlyph::Clock));

  // List panel, three stacked pieces of one panel.
  add(2021, 290, 12, Piece(ListPanelDrawing, 0, 0));
  add(2022, 290, 15, Piece(ListPanelDrawing, 0, 12));
  add(2023, 290, 26, Piece(ListPanelDrawing, 0, 27));
  add(2024, 16, 16, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        cairo_set_line_width(cr, 1.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, 5.5, 5.5);
        cairo_line_to(cr, 10.5, 10.5);
        cairo_move_to(cr, 10.5, 5.5);
        cairo_line_to(cr, 5.5, 10.5);
        cairo_stroke(cr);
      }));
  add(2025, 13, 13, [](cairo_t* cr, int, int) { CheckBox(cr, true); });
  add(2026, 13, 13, [](cairo_t* cr, int, int) { CheckBox(cr, false); });
  add(2031, 14, 14, [](cairo_t* cr, int, int) {
    cairo_pattern_t* shade = cairo_pattern_create_radial(5.5, 5, 1, 7, 7, 7);
    cairo_pattern_add_color_stop_rgba(shade, 0, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(shade, 1, 0.82, 0.82, 0.82, 1);
    cairo_arc(cr, 7, 7, 6, 0, 2 * M_PI);
    cairo_set_source(cr, shade);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shade);
    SetColour(cr, 0x60000000);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  });

  // Recording panel and notice.
  add(2040, 250, 50, [](cairo_t* cr, int w, int h) { LightPanel(cr, 0, 0, w, h, 8); });
  add(2041, 16, 16, Glyph(EGlyph::Save));
  add(2042, 16, 16, Glyph(EGlyph::Close));
  add(2043, 16, 16, Glyph(EGlyph::Pause));
  add(2050, 220, 50, [](cairo_t* cr, int w, int h) {
    RoundedRect(cr, 0, 0, w, h, 8);
    VerticalGradient(cr, 0, h, 0xFFFAFAFA, 0xFFE6E6E6);
    cairo_fill(cr);
    cairo_save(cr);
    RoundedRect(cr, 0, 0, w, h, 8);
    cairo_clip(cr);
    cairo_rectangle(cr, 0, h - 3, w, 3);
    SetColour(cr, kAccent);
    cairo_fill(cr);
    cairo_restore(cr);
  });
  add(2051, 16, 16, [](cairo_t* cr, int, int) {
    cairo_arc(cr, 8, 8, 7.5, 0, 2 * M_PI);
    SetColour(cr, kAccent);
    cairo_fill(cr);
    SetColour(cr, kWhite);
    cairo_move_to(cr, 6, 4.5);
    cairo_line_to(cr, 6, 11.5);
    cairo_line_to(cr, 12, 8);
    cairo_fill(cr);
  });

  // Share buttons.
  add(3000, 17, 17, [](cairo_t* cr, int, int) { ShareButton(cr, "f"); });
  add(3001, 17, 17, [](cairo_t* cr, int, int) { ShareButton(cr, "t"); });
  add(3002, 17, 17, [](cairo_t* cr, int, int) { ShareButton(cr, "g+"); });

  // List box thumb and the busy strip.
  add(5001, 12, 50, [](cairo_t* cr, int, int) {
    RoundedRect(cr, 3, 1, 6, 48, 3);
    SetColour(cr, 0xE6FFFFFF);
    cairo_fill(cr);
  });
  add(5003, 18, 324, Throbber);

  // Browser frame.
  const int frame[9][4] = {{0, 0, 16, 36},  {16, 0, 16, 36},  {32, 0, 16, 36},
                           {0, 36, 16, 16}, {16, 36, 16, 16}, {32, 36, 16, 16},
                           {0, 52, 16, 30}, {16, 52, 16, 30}, {32, 52, 16, 30}};
  for (int i = 0; i < 9; ++i)
    add(6000 + i, frame[i][2], frame[i][3], Piece(FrameDrawing, frame[i][0], frame[i][1]));
  add(6009, 16, 16, Ringed([](cairo_t* cr) {
        SetColour(cr, kWhite);
        cairo_set_line_width(cr, 1.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr, 5.5, 5.5);
        cairo_line_to(cr, 10.5, 10.5);
        cairo_move_to(cr, 10.5, 5.5);
        cairo_line_to(cr, 5.5, 10.5);
        cairo_stroke(cr);
      }));
  add(6010, 16, 16, [](cairo_t* cr, int, int) {
    SetColour(cr, 0xC0FFFFFF);
    for (int row = 0; row < 3; ++row)
      for (int col = 2 - row; col < 3; ++col) cairo_rectangle(cr, 4 + col * 4, 4 + row * 4, 2, 2);
    cairo_fill(cr);
  });

  // Browser toolbar strips.
  const EGlyph toolbar[7] = {EGlyph::Back, EGlyph::Forward, EGlyph::Close, EGlyph::Refresh,
                             EGlyph::Home, EGlyph::AddRadio, EGlyph::Info};
  for (int i = 0; i < 7; ++i) {
    EGlyph glyph = toolbar[i];
    add(7000 + i, 64, 16, ButtonStrip(16, [glyph](cairo_t* cr, uint32_t c) {
          DrawGlyph(cr, glyph, 0, 0, c);
        }, 0xE0FFFFFF, 0x50FFFFFF));
  }

  add(8000, 120, 32, FfmpegBadge);

  // Window buttons and the media controls.
  add(9000, 11, 11, [](cairo_t* cr, int, int) {
    SetColour(cr, kWhite);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 2.5, 2.5);
    cairo_line_to(cr, 8.5, 8.5);
    cairo_move_to(cr, 8.5, 2.5);
    cairo_line_to(cr, 2.5, 8.5);
    cairo_stroke(cr);
  });
  add(9001, 11, 11, [](cairo_t* cr, int, int) {
    SetColour(cr, kWhite);
    cairo_rectangle(cr, 2, 7, 7, 2);
    cairo_fill(cr);
  });
  add(9010, 16, 16, Glyph(EGlyph::Play));
  add(9011, 16, 16, Glyph(EGlyph::Stop));
  add(9012, 16, 16, Glyph(EGlyph::Next));
  add(9013, 16, 16, Glyph(EGlyph::Previous));
  add(9014, 16, 16, Glyph(EGlyph::Record, kAccent));
  return images;
}

}  // namespace skin
