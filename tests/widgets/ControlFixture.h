// A top-level window on the offscreen backend with child controls placed at
// known positions, and an event log the tests compare against.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MainLoop.h"
#include "widgets/backend/Offscreen.h"
#include "widgets/controls/Window.h"

namespace testwidgets {

struct TEventLog {
  std::vector<std::string> Events;
  void Add(const std::string& e) { Events.push_back(e); }
  int Count(const std::string& e) const {
    int n = 0;
    for (auto& x : Events) n += x == e;
    return n;
  }
  std::string Joined() const {
    std::string s;
    for (auto& x : Events) s += (s.empty() ? "" : " ") + x;
    return s;
  }
};

// Logs every mouse event of `c` under `name`.
inline void Wire(widgets::TControl& c, const std::string& name, TEventLog& log) {
  using namespace widgets;
  c.OnMouseDown = [&log, name](TObject*, UINT, int, int) { log.Add(name + ".down"); };
  c.OnMouseUp = [&log, name](TObject*, UINT, int, int) { log.Add(name + ".up"); };
  c.OnClick = [&log, name](TObject*, UINT, int, int) { log.Add(name + ".click"); };
  c.OnDblClick = [&log, name](TObject*) { log.Add(name + ".dbl"); };
  c.OnMouseMove = [&log, name](TObject*, UINT, int, int) { log.Add(name + ".move"); };
  c.OnDrag = [&log, name](TObject*, UINT, int, int) { log.Add(name + ".drag"); };
  c.OnMouseEnter = [&log, name](TObject*) { log.Add(name + ".enter"); };
  c.OnMouseLeave = [&log, name](TObject*) { log.Add(name + ".leave"); };
  c.OnMouseHover = [&log, name](TObject*) { log.Add(name + ".hover"); };
}

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Window.SetBounds(100, 50, 300, 200);
    Window.SetVisible(true);
    Left.SetParent(&Window);
    Left.SetBounds(10, 10, 100, 50);
    Left.SetVisible(true);
    Right.SetParent(&Window);
    Right.SetBounds(150, 10, 100, 50);
    Right.SetVisible(true);
    Native = widgets::OffscreenWindowOf(Window);
    ASSERT_NE(Native, nullptr);
  }
  void TearDown() override {
    widgets::ReleaseCapture();
    core::ProcessMessages();
  }

  widgets::TWindow Window;
  widgets::TControl Left{&Window};
  widgets::TControl Right{&Window};
  widgets::TOffscreenWindow* Native = nullptr;
  TEventLog Log;
};

}  // namespace testwidgets
