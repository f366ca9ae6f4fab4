// What title, headline, author and date cost next to the whole dom
// conversion, on the pages of a folder (KORVANE_CORPUS, UTF-8 pages):
// per page the fastest of the runs of the whole conversion and of reading
// the metadata alone from the parsed page; the counters give the median
// milliseconds per page of each and the metadata's share of all the time.
//   KORVANE_CORPUS=DIR metadata_bench [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <vector>

#include "dom_tree.h"
#include "korvane.h"
#include "metadata.h"
#include "utf8.h"

namespace {

std::vector<std::u16string> Pages(const char* folder) {
  std::vector<std::u16string> pages;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().extension() != ".html") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    pages.push_back(korvane::cli::FromUtf8(bytes.str()).text);
  }
  return pages;
}

template <typename Work>
double Seconds(Work&& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return took.count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

void BM_MetadataShare(benchmark::State& state) {
  const char* folder = std::getenv("KORVANE_CORPUS");
  if (folder == nullptr) {
    state.SkipWithError("set KORVANE_CORPUS to a folder of pages");
    return;
  }
  const std::vector<std::u16string> pages = Pages(folder);
  std::vector<double> whole(pages.size(), 1e9);
  std::vector<double> metadata(pages.size(), 1e9);
  korvane::Dom dom;
  for (auto _ : state) {
    for (size_t i = 0; i < pages.size(); ++i) {
      whole[i] = std::min(
          whole[i], Seconds([&] {
            benchmark::DoNotOptimize(korvane::ExtractArticle(pages[i], korvane::Algorithm::kDom));
          }));
      dom.Parse(pages[i]);
      const korvane::ArticleSpan body{0, dom.size()};
      metadata[i] =
          std::min(metadata[i],
                   Seconds([&] { benchmark::DoNotOptimize(korvane::ReadMetadata(dom, body)); }));
    }
  }
  state.counters["pages"] = static_cast<double>(pages.size());
  state.counters["dom_median_ms"] = Median(whole) * 1e3;
  state.counters["metadata_median_ms"] = Median(metadata) * 1e3;
  const double all = std::accumulate(whole.begin(), whole.end(), 0.0);
  state.counters["metadata_share"] =
      all > 0 ? std::accumulate(metadata.begin(), metadata.end(), 0.0) / all : 0;
}

BENCHMARK(BM_MetadataShare)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
