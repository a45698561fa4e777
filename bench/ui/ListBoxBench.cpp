// The station list box over the full database (31,611 stations): painting
// one page, one wheel step with its repaint, and one keystroke of a search
// in the box (search, show the first hit's page, repaint). Offscreen, as
// the player window's list panel draws it: 13 rows, check boxes.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/common/StationData.h"
#include "ui/listbox/ListBoxInput.h"
#include "ui/listbox/PlayListBoxEx.h"
#include "ui/listbox/PlayListContent.h"
#include "widgets/paint/WindowEx.h"

namespace {

constexpr int kRows = 13;

// The list panel of the player window with the database box on it.
struct TListScene {
  widgets::TWindowEx Window;
  ui::TPlayListContent Content;
  ui::TPlayListBoxEx Box;

  TListScene() {
    Window.SetBounds(0, 0, 290, kRows * 15 + 38);
    Window.SetVisible(true);
    Content.SetColour(0xff202020);
    Content.SetParent(&Window);
    Content.SetBounds(0, 0, 290, kRows * 15 + 38);
    Content.SetVisible(true);
    Box.SetParent(&Content);
    Box.SetBounds(50, 12, 218, kRows * 15);
    Box.SetVisibleRows(kRows);
    Box.SetShowCheckBoxes(true);
    Box.SetVisible(true);
    benchkit::FillBenchStations(Box.Items());
    Box.ScrollBy(0);
    // The player window always marks a database entry as playing.
    Box.SetActiveId(Box.Item(100)->Id);
    Box.SelectAndShowPage(Box.Count() / 2);
    // The first paint classifies the addresses of the page in view.
    Box.Paint();
  }
};

TListScene& Scene() {
  static TListScene scene;
  return scene;
}

void BM_PaintPage(benchmark::State& state) {
  auto& scene = Scene();
  for (auto _ : state) scene.Box.Paint();
  state.counters["stations"] = scene.Box.Count();
}
BENCHMARK(BM_PaintPage)->Unit(benchmark::kMicrosecond);

// One notch and the owner's repaint. The view runs 100 notches down, then
// 100 up, so the thumb moves as often as it does for a user who scrolls
// (once per pixel of travel: about every 55 notches here), and each such
// move repaints the window once more.
void BM_WheelStep(benchmark::State& state) {
  auto& scene = Scene();
  int notch = -120, steps = 0;
  for (auto _ : state) {
    ui::ScrollListBoxByWheel(scene.Box, notch);
    scene.Box.Paint();
    if (++steps % 100 == 0) notch = -notch;
  }
}
BENCHMARK(BM_WheelStep)->Unit(benchmark::kMicrosecond);

// Every prefix of the query, as typed; "keystroke" is the CPU time of one.
void SearchKeystroke(benchmark::State& state, std::u16string query) {
  auto& scene = Scene();
  ui::TPlayListBoxEx& box = scene.Box;
  for (auto _ : state) {
    for (size_t length = 1; length <= query.size(); ++length) {
      if (box.Search(std::u16string_view(query).substr(0, length)) > 0)
        box.SelectAndShowPage(box.IndexOfId(box.Results()[0]));
      box.Paint();
    }
  }
  state.counters["keystroke"] = benchmark::Counter(static_cast<double>(query.size()),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK_CAPTURE(SearchKeystroke, kral, std::u16string(u"kral"))->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SearchKeystroke, radyo_istanbul, std::u16string(u"radyo istanbul"))->Unit(benchmark::kMicrosecond);

}  // namespace
