// Conversion speed on generated news pages, in input code units per second.
#include <benchmark/benchmark.h>

#include "korvane.h"
#include "page_generator.h"

namespace {

void BM_HtmlToText(benchmark::State& state) {
  const std::u16string page = korvane::bench::NewsPage(state.range(0), 7);
  for (auto _ : state) benchmark::DoNotOptimize(korvane::HtmlToText(page));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
}

BENCHMARK(BM_HtmlToText)->Arg(25'000)->Arg(150'000)->Arg(1'500'000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
