// SPDX-License-Identifier: Apache-2.0
// Conversion speed in input code units per second, block and dom algorithm:
// on generated news pages of about 50 KB, 300 KB and 3 MB (UTF-16), and,
// when KORVANE_CORPUS names a folder of UTF-8 pages, on those (with the
// median time per page).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "decode/utf8.h"
#include "korvane.h"
#include "news_pages.h"

namespace {

void BM_HtmlToText(benchmark::State& state) {
  const std::u16string page = korvane::test_support::NewsPage(state.range(0), 7);
  for (auto _ : state) benchmark::DoNotOptimize(korvane::HtmlToText(page));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
}

BENCHMARK(BM_HtmlToText)->Arg(25'000)->Arg(150'000)->Arg(1'500'000)->Unit(benchmark::kMicrosecond);

void BM_Dom(benchmark::State& state) {
  const std::u16string page = korvane::test_support::NewsPage(state.range(0), 7);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        korvane::FormatRecord(korvane::ExtractArticle(page, korvane::Algorithm::kDom)));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
}

BENCHMARK(BM_Dom)->Arg(25'000)->Arg(150'000)->Arg(1'500'000)->Unit(benchmark::kMicrosecond);

std::vector<std::u16string> CorpusPages(const char* folder) {
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

std::u16string Convert(const std::u16string& page, korvane::Algorithm algorithm) {
  if (algorithm == korvane::Algorithm::kBlock) return korvane::HtmlToText(page);
  return korvane::FormatRecord(korvane::ExtractArticle(page, algorithm));
}

// Argument 0: block; 1: dom.
void BM_Corpus(benchmark::State& state) {
  const auto algorithm = static_cast<korvane::Algorithm>(state.range(0));
  const char* folder = std::getenv("KORVANE_CORPUS");
  if (folder == nullptr) {
    state.SkipWithError("set KORVANE_CORPUS to a folder of pages");
    return;
  }
  const std::vector<std::u16string> pages = CorpusPages(folder);
  int64_t units = 0;
  for (const std::u16string& page : pages) units += static_cast<int64_t>(page.size());
  std::vector<double> page_seconds(pages.size(), 1e9);
  for (auto _ : state) {
    for (size_t i = 0; i < pages.size(); ++i) {
      const auto start = std::chrono::steady_clock::now();
      benchmark::DoNotOptimize(Convert(pages[i], algorithm));
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      page_seconds[i] = std::min(page_seconds[i], took.count());
    }
  }
  state.SetItemsProcessed(state.iterations() * units);
  state.counters["pages"] = static_cast<double>(pages.size());
  std::sort(page_seconds.begin(), page_seconds.end());
  state.counters["median_ms"] = page_seconds.empty() ? 0 : page_seconds[pages.size() / 2] * 1e3;
}

BENCHMARK(BM_Corpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
