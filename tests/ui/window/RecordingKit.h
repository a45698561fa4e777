// The player window's recording side against the stand-in controller, with
// the clocks in the test's hand: a wall clock and a boot clock that move
// only when the test says so.
#pragma once

#include <gtest/gtest.h>

#include "MainLoop.h"
#include "PlayerWindowKit.h"
#include "app/Messages.h"
#include "ui/window/PlayerRecording.h"
#include "ui/window/PlayerRuns.h"
#include "widgets/backend/Offscreen.h"

namespace uitest {

struct TFakeClock {
  // 19:59:50 of some day, and a boot clock well away from 0.
  ui::TClockReading Now{20000 * ui::SecondsPerDay + 19 * 3600 + 59 * 60 + 50, 7200000};
  void Advance(int64_t ms) {
    Now.BootMs += ms;
    Now.WallSeconds += ms / 1000;
  }
  int64_t SecondOfDay(int64_t ahead = 0) const { return (Now.WallSeconds + ahead) % ui::SecondsPerDay; }
};

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest() { Kit.WriteOptions("[player]\nautoplay=0\n[playlist]\nvisible=0\n"); }
  // Opens the window with the fake clock in place before the start-up
  // sequence arms the runs.
  ui::TPlayerWindow& Open() {
    ui::TPlayerWindow& w = Kit.Open(false);
    w.RecordingPart().Clock = ui::TRunClock{[this] { return Clock.Now; }};
    EXPECT_TRUE(testkit::PumpUntil([&] { return w.TimerRunning(ui::tmTick); }));
    return w;
  }
  ui::TPlayerRecording& Recording() { return Kit.Window->RecordingPart(); }
  void Timer(std::uintptr_t id) { core::SendMessage(Kit.Window->WindowHandle(), core::WM_TIMER, id, 0); }
  // One second on both clocks, then the timer's tick.
  void Second(std::uintptr_t id) {
    Clock.Advance(1000);
    Timer(id);
  }
  void ClickOn(widgets::TControl* control) {
    widgets::TPoint at = control->ClientToParent({control->Width() / 2, control->Height() / 2}, Kit.Window.get());
    widgets::OffscreenWindowOf(*Kit.Window)->Click(at.X, at.Y);
  }
  void HoverOver(widgets::TControl* control) {
    widgets::TPoint at = control->ClientToParent({control->Width() / 2, control->Height() / 2}, Kit.Window.get());
    widgets::OffscreenWindowOf(*Kit.Window)->MouseMove(at.X, at.Y);
    EXPECT_TRUE(testkit::PumpUntil([&] { return control->MouseInside(); }, 3000));
  }
  // Plays and starts a recording with the record button.
  void StartRecording() {
    Kit.Controller.PlayState = 1;
    ClickOn(Kit.Window->RecordButton());
    ASSERT_TRUE(Kit.Window->RecordingPanel()->Visible());
  }

  TPlayerWindowKit Kit;
  TFakeClock Clock;
};

}  // namespace uitest
