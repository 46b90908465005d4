// The scroll-back's processor time, without the pseudo-terminal: 100,000
// lines fed to the screen model in the 64 KB chunks the console reads, with
// no wait open, and with a `while not exists` searching every row that
// scrolls off (for a text that never comes, so every row is searched).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/posix/console/screen_model.h"
#include "runner/screen.h"

namespace {

std::string Lines(const char* format) {
  std::string lines;
  char line[128];
  for (int i = 1; i <= 100000; ++i) {
    std::snprintf(line, sizeof line, format, i);
    lines += line;
  }
  return lines;
}

const std::string& Output(int kind) {
  static const std::string seq = Lines("%d\r\n");
  static const std::string long_lines =
      Lines("line %08d the quick brown fox jumps over the lazy dog 0123456789\r\n");
  return kind == 0 ? seq : long_lines;
}

void Search(const char* rows, std::size_t length, void*) {
  benchmark::DoNotOptimize(RowsContain("never shown", rows, length));
}

// Arguments: the output (0: seq 1 100000, 1: lines of 70 bytes), and
// whether a wait is open.
void BM_HundredThousandLines(benchmark::State& state) {
  const std::string& output = Output(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string answers;
    posix::ScreenModel model(&answers);
    if (state.range(1)) model.KeepScrolledRows(Search, nullptr);
    for (std::size_t at = 0; at < output.size(); at += 64 * 1024)
      model.Feed(output.data() + at, std::min<std::size_t>(64 * 1024, output.size() - at));
    char row[posix::kRowBytes];
    benchmark::DoNotOptimize(model.ReadRow(0, 0, row, sizeof row));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output.size()));
}
BENCHMARK(BM_HundredThousandLines)
    ->ArgNames({"lines_of_70_bytes", "wait_open"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
