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

// Fills the control's canvas with one colour whenever it paints.
inline void PaintSolid(widgets::TControlEx& control, uint32_t colour) {
  control.OnPaint = [&control, colour](widgets::TObject*) {
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
    widgets::ProcessMessages();
  }
  // Places a visible child of `parent`.
  static void Place(widgets::TControl& child, widgets::TControl& parent, int x, int y, int w, int h) {
    child.SetParent(&parent);
    child.SetBounds(x, y, w, h);
    child.SetVisible(true);
  }

  widgets::TWindowEx Window;
  widgets::TOffscreenWindow* Native = nullptr;
};

}  // namespace testpaint
