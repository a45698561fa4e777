// A station list box on a dark layered window of the offscreen backend,
// filled with numbered stations, and small colour helpers for the picture.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "MainLoop.h"
#include "lists/PlayList.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/paint/WindowEx.h"

namespace testlistbox {

constexpr uint32_t kBackdrop = 0xff202020;
constexpr int kBoxLeft = 10, kBoxTop = 20, kBoxWidth = 270;

inline std::u16string Text(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// Entries "Radyo 1" ... with ids 1001 ..., all network addresses.
inline void Fill(ui::TPlayListBoxEx& box, int count) {
  for (int i = 0; i < count; ++i)
    box.AddItem(qor::MakeItem(Text(std::to_string(i + 1)), 1001 + i, Text("Radyo " + std::to_string(i + 1)),
                              "http://127.0.0.1/" + std::to_string(i + 1)));
}

struct TRgb {
  int R, G, B;
};
inline TRgb Rgb(uint32_t p) { return {int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)}; }
inline bool IsOrange(uint32_t p) {
  TRgb c = Rgb(p);
  return c.R > 170 && c.G > 70 && c.G < 140 && c.B < 70;
}

class ListBoxTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window.SetBounds(100, 100, 300, 260);
    Window.OnPaint = [this](widgets::TObject*) {
      Window.Canvas().Brush().SetColor(kBackdrop);
      Window.Canvas().FillRect(0, 0, Window.Width(), Window.Height());
    };
    Window.SetVisible(true);
    Box.SetParent(&Window);
    SetRows(10);
    Box.SetVisible(true);
    Native = widgets::OffscreenWindowOf(Window);
    ASSERT_NE(Native, nullptr);
  }
  void TearDown() override {
    widgets::ReleaseCapture();
    core::ProcessMessages();
  }
  void SetRows(int rows) {
    Box.SetBounds(kBoxLeft, kBoxTop, kBoxWidth, rows * Box.RowHeight());
    Box.SetVisibleRows(rows);
  }
  // Redraws the window and hands back its picture.
  void Repaint() {
    Window.Paint();
    ASSERT_EQ(Native->PixelWidth, Window.Width());
  }
  // A pixel of the box in box coordinates.
  uint32_t At(int x, int y) const { return Native->PixelAt(kBoxLeft + x, kBoxTop + y); }
  // Row `visible` (0 = top of the box), as window coordinates.
  int RowY(int visible, int dy = 7) const { return kBoxTop + visible * Box.RowHeight() + dy; }
  // Whether any pixel in the box rectangle [x0, x1) x [y0, y1) passes test.
  template <class F>
  bool AnyIn(int x0, int y0, int x1, int y1, F test) const {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (test(At(x, y))) return true;
    return false;
  }
  // The brightest channel value in the rectangle.
  int Brightest(int x0, int y0, int x1, int y1) const {
    int best = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        TRgb c = Rgb(At(x, y));
        best = std::max({best, c.R, c.G, c.B});
      }
    return best;
  }

  widgets::TWindowEx Window;
  ui::TPlayListBoxEx Box;
  widgets::TOffscreenWindow* Native = nullptr;
};

}  // namespace testlistbox
