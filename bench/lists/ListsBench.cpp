// Opening the sealed station database and searching it as the user types.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/common/StationData.h"
#include "lists/Collation.h"
#include "lists/ListFile.h"
#include "lists/ListIO.h"
#include "lists/PlayList.h"

using namespace qor;

namespace {

struct TDatabase {
  std::filesystem::path Folder;
  std::filesystem::path File;
  int Stations = 0;

  TDatabase() {
    TPlayList list;
    Stations = benchkit::FillBenchStations(list);
    Folder = std::filesystem::temp_directory_path() / ("qor-bench-lists-" + std::to_string(getpid()));
    std::filesystem::create_directories(Folder);
    File = Folder / "broadcast.rpf";
    if (!ExportListFile(list, File)) {
      std::fprintf(stderr, "cannot write %s\n", File.c_str());
      std::exit(1);
    }
  }
  ~TDatabase() { std::filesystem::remove_all(Folder); }
};

TDatabase& Database() {
  static TDatabase database;
  return database;
}

void BM_OpenDatabase(benchmark::State& state) {
  auto& database = Database();
  for (auto _ : state) {
    TPlayList list;
    if (!LoadDatabase(list, database.File) || list.Count() != database.Stations) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(list);
  }
  state.counters["stations"] = database.Stations;
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(database.File));
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Each keystroke of a query searches the whole list again, as the search
// box does; the benchmark reports the time of one keystroke.
void SearchPerKeystroke(benchmark::State& state, std::u16string query) {
  auto& database = Database();
  static TPlayList list;
  if (list.Count() == 0) LoadDatabase(list, database.File);
  TResultList results;
  size_t found = 0;
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    for (size_t length = 1; length <= query.size(); ++length)
      found += static_cast<size_t>(SearchByName(list, std::u16string_view(query).substr(0, length), results));
    benchmark::DoNotOptimize(found);
  }
  double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  state.counters["ms_per_keystroke"] = elapsed / static_cast<double>(state.iterations() * query.size());
}
BENCHMARK_CAPTURE(SearchPerKeystroke, radyo_istanbul, std::u16string(u"radyo istanbul"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchPerKeystroke, jazz, std::u16string(u"JAZZ"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SearchPerKeystroke, no_match, std::u16string(u"qqqxqqq"))->Unit(benchmark::kMillisecond);

void BM_SortByName(benchmark::State& state) {
  auto& database = Database();
  TPlayList list;
  LoadDatabase(list, database.File);
  bool ascending = true;
  for (auto _ : state) {
    SortByName(list, ascending);
    ascending = !ascending;
  }
}
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);

// Ticking the favourites in the database looks each favourite's key up.
void BM_IndexOfKeyMiss(benchmark::State& state) {
  auto& database = Database();
  static TPlayList list;
  if (list.Count() == 0) LoadDatabase(list, database.File);
  for (auto _ : state) benchmark::DoNotOptimize(list.IndexOfKey(u"no such key"));
}
BENCHMARK(BM_IndexOfKeyMiss)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
