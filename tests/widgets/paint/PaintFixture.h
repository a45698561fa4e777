// A layered window on the offscreen backend for the painting tests, and
// small picture helpers.
#pragma once

#include <gtest/gtest.h>

#include "widgets/backend/Offscreen.h"
#include "widgets/paint/WindowEx.h"

#include <memory>

namespace testpaint {

inline std::unique_ptr<widgets::TBitmapEx> Solid(int w, int h, uint32_t premultiplied) {
  auto bitmap = std::make_unique<widgets::TBitmapEx>(w, h);
  bitmap->Fill(premultiplied);
  return bitmap;
}

inline uint32_t Alpha(uint32_t p) { return p >> 24; }
inline uint32_t Red(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t Green(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t Blue(uint32_t p) { return p & 0xFF; }
inline bool Visible(uint32_t p) { return Alpha(p) != 0; }

// The box around the pixels of a picture that `wanted` picks (by default
// every visible one); Left is -1 when there are none.
struct TInk {
  int Left = -1, Right = -1, Top = -1, Bottom = -1;
  bool Empty() const { return Left < 0; }
};

inline TInk InkOf(const widgets::TBitmapEx& bitmap, bool (*wanted)(uint32_t) = Visible) {
  TInk ink;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (!wanted(bitmap.Pixel(x, y))) continue;
      if (ink.Left < 0 || x < ink.Left) ink.Left = x;
      if (x > ink.Right) ink.Right = x;
      if (ink.Top < 0) ink.Top = y;
      ink.Bottom = y;
    }
  return ink;
}

// Places a visible child of `parent`.
inline void PlaceChild(widgets::TControl& child, widgets::TControl& parent, int x, int y, int w, int h) {
  child.SetParent(&parent);
  child.SetBounds(x, y, w, h);
  child.SetVisible(true);
}

// Fills the control's canvas with one colour whenever it paints.
inline void PaintSolid(widgets::TControlEx& control, uint32_t colour) {
  control.OnPaint = [&control, colour](core::TObject*) {
    control.Canvas().Brush().SetColor(colour);
    control.Canvas().FillRect(0, 0, control.Width(), control.Height());
  };
}

class PaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Window.SetBounds(40, 30, 100, 60);
    PaintSolid(Window, 0xFFFFFFFF);
    Window.SetVisible(true);
    Native = widgets::OffscreenWindowOf(Window);
    ASSERT_NE(Native, nullptr);
  }
  void TearDown() override {
    widgets::ReleaseCapture();
    core::ProcessMessages();
  }
  static void Place(widgets::TControl& child, widgets::TControl& parent, int x, int y, int w, int h) {
    PlaceChild(child, parent, x, y, w, h);
  }

  widgets::TWindowEx Window;
  widgets::TOffscreenWindow* Native = nullptr;
};

}  // namespace testpaint
