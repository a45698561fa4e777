// The small player controls on the player window's 33 ms tick: a marquee
// step with its repaint, a spectrum frame, and the whole tick of every
// control that moves (marquee, spectrum, throbber, a fading glow and the
// search edit's caret), reported also as the share of one core at 30
// frames per second. Offscreen, as the player window draws them.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "ui/controls/AnimatedButtonEx.h"
#include "ui/controls/Edit.h"
#include "ui/controls/MarqueeLabelEx.h"
#include "ui/controls/ThrobberEx.h"
#include "ui/controls/Visualization.h"
#include "widgets/paint/WindowEx.h"

namespace {

// The display strip of the player window with its moving parts.
struct TControlsScene {
  widgets::TWindowEx Window;
  ui::TMarqueeLabelEx Marquee{&Window};
  ui::TVisualization Bars{&Window};
  ui::TThrobberEx Throbber{&Window};
  ui::TAnimatedButtonEx Button{&Window};
  ui::TEdit Edit{&Window};
  std::vector<float> Block = std::vector<float>(ui::TVisualization::SpectrumSize, 0.0f);
  int Frame = 0;

  TControlsScene() {
    Window.SetBounds(0, 0, 320, 104);
    Window.SetVisible(true);
    Place(Marquee, 86, 15, 153, 18);
    Marquee.Font().SetName("Arial");
    Marquee.Font().SetSize(8);
    Marquee.Font().SetStyle(widgets::FontStyleBold);
    Marquee.Font().SetColor(0xEFFFFFFF);
    Marquee.SetCaption(u"Radyo Kelvarin - Sezen Aksu - Gülümse (canlı kayıt, 1991)");
    // Reset long ago, so that it slides from the first tick.
    Marquee.TickCount = [] { return core::DWORD(0); };
    Marquee.Reset(0);
    Marquee.TickCount = [] { return core::DWORD(100000); };
    Place(Bars, 243, 36, 20, 19);
    Place(Throbber, 265, 13, 18, 18);
    Throbber.SetImage(5003);
    Place(Button, 20, 12, 20, 20);
    Button.SetImage(2001);
    Place(Edit, 16, 80, 85, 15);
    Edit.SetColor(0xFF202020);
    Edit.SetCaretColour(0xFFFFFFFF);
    Edit.SetCaption(u"kral");
    Edit.SetFocus();
  }
  void Place(widgets::TControl& control, int x, int y, int w, int h) {
    control.SetParent(&Window);
    control.SetBounds(x, y, w, h);
    control.SetVisible(true);
  }
  // A moving spectrum: a few partials whose levels change every frame.
  void NextBlock() {
    ++Frame;
    for (int k = 0; k < 128; ++k)
      Block[static_cast<size_t>(k)] = static_cast<float>(0.02 * (1.0 + std::sin(Frame * 0.3 + k * 0.7)) / (1 + k % 7));
  }
};

TControlsScene& Scene() {
  static TControlsScene scene;
  return scene;
}

void BM_MarqueeTickAndRepaint(benchmark::State& state) {
  auto& scene = Scene();
  for (auto _ : state) {
    scene.Marquee.Tick();
    scene.Marquee.Paint();
  }
  state.counters["overflowing"] = scene.Marquee.Overflowing();
}
BENCHMARK(BM_MarqueeTickAndRepaint)->Unit(benchmark::kMicrosecond);

void BM_SpectrumFrame(benchmark::State& state) {
  auto& scene = Scene();
  for (auto _ : state) {
    scene.NextBlock();
    scene.Bars.SetSpectrum(scene.Block.data());
    scene.Bars.Paint();
  }
}
BENCHMARK(BM_SpectrumFrame)->Unit(benchmark::kMicrosecond);

// Everything these controls do per tick of the player window, without the
// window's own composition (the player window's benchmark has that).
void BM_ControlsTick(benchmark::State& state) {
  auto& scene = Scene();
  int tick = 0;
  for (auto _ : state) {
    scene.Marquee.Tick();
    scene.NextBlock();
    scene.Bars.SetSpectrum(scene.Block.data());
    scene.Throbber.Advance();
    // The glow steps about twice per 33 ms; it comes and goes every second.
    scene.Button.Perform(++tick % 30 < 15 ? core::CM_MOUSEENTER : core::WM_MOUSELEAVE);
    scene.Button.Tick();
    scene.Button.Tick();
    for (widgets::TControl* control : {static_cast<widgets::TControl*>(&scene.Marquee),
                                        static_cast<widgets::TControl*>(&scene.Bars),
                                        static_cast<widgets::TControl*>(&scene.Throbber),
                                        static_cast<widgets::TControl*>(&scene.Button),
                                        static_cast<widgets::TControl*>(&scene.Edit)})
      control->Paint();
  }
  state.counters["core_percent_at_30fps"] =
      benchmark::Counter(1.0 / (30.0 * 100.0), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ControlsTick)->Unit(benchmark::kMicrosecond);

}  // namespace
