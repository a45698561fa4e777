// A layered window on the offscreen backend that holds the control under
// test, and small pixel helpers for the player-control tests.
#pragma once

#include <gtest/gtest.h>

#include "MainLoop.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/paint/WindowEx.h"

#include <cstdint>

namespace testcontrols {

inline std::uint32_t Alpha(std::uint32_t p) { return p >> 24; }
inline std::uint32_t Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
inline std::uint32_t Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
inline std::uint32_t Blue(std::uint32_t p) { return p & 0xFF; }

// Whether two bitmaps hold the same pixels.
inline bool SamePixels(const widgets::TBitmapEx& a, const widgets::TBitmapEx& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Window.SetBounds(40, 30, 300, 120);
    Window.SetVisible(true);
    Native = widgets::OffscreenWindowOf(Window);
    ASSERT_NE(Native, nullptr);
  }
  void TearDown() override {
    widgets::ReleaseCapture();
    core::ProcessMessages();
  }
  // Places a visible child of the window.
  void Place(widgets::TControl& child, int x, int y, int w, int h) {
    child.SetParent(&Window);
    child.SetBounds(x, y, w, h);
    child.SetVisible(true);
  }
  // Redraws the whole window now (as the player's 33 ms tick does).
  void Redraw() { Window.InvalidateTree(); }

  widgets::TWindowEx Window;
  widgets::TOffscreenWindow* Native = nullptr;
};

}  // namespace testcontrols
