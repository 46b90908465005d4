// Captures and searches per second on the recording platform: the cost of
// one pass of a wait loop on a screen that stays the same, without the
// platform's own screen reading; and of a search after every row changed.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/record/record.h"
#include "runner/globals.h"
#include "runner/screen.h"

namespace {

std::vector<std::string> BusyScreen() {
  std::vector<std::string> rows;
  for (int i = 0; i < 25; ++i)
    rows.push_back("  Copying file " + std::to_string(i) + " of 25 to C:\\TARGET\\FOLDER ...    ");
  return rows;
}

void BM_CaptureAndSearch(benchmark::State& state) {
  record::ResetWorld();
  record::TheWorld().Quiet = true;
  record::TheWorld().Screens = {BusyScreen()};
  Run.StdOutHandle = record::kStdOut;
  ScreenImage screen;
  const std::string wanted = "press any key";  // absent: every row is searched
  for (auto _ : state) {
    CaptureScreen(screen);
    benchmark::DoNotOptimize(ScreenContains(wanted, screen));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CaptureAndSearch);

void BM_FoldAndSearch(benchmark::State& state) {
  ScreenImage screen;
  screen.Rows = 25;
  screen.RowBytes = 80;
  screen.Cells.assign(25 * 80, 'x');
  const std::string wanted = "ready>";
  for (auto _ : state) {
    PrepareForSearch(screen);
    benchmark::DoNotOptimize(ScreenContains(wanted, screen));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FoldAndSearch);

}  // namespace

BENCHMARK_MAIN();
