// Conversion speed in input code units per second: on generated news pages
// of about 50 KB, 300 KB and 3 MB (UTF-16), and, when KORVANE_CORPUS names a
// folder of UTF-8 pages, on those.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "korvane.h"
#include "news_pages.h"
#include "utf8.h"

namespace {

void BM_HtmlToText(benchmark::State& state) {
  const std::u16string page = korvane::test_support::NewsPage(state.range(0), 7);
  for (auto _ : state) benchmark::DoNotOptimize(korvane::HtmlToText(page));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
}

BENCHMARK(BM_HtmlToText)->Arg(25'000)->Arg(150'000)->Arg(1'500'000)->Unit(benchmark::kMicrosecond);

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

void BM_Corpus(benchmark::State& state) {
  const char* folder = std::getenv("KORVANE_CORPUS");
  if (folder == nullptr) {
    state.SkipWithError("set KORVANE_CORPUS to a folder of pages");
    return;
  }
  const std::vector<std::u16string> pages = CorpusPages(folder);
  int64_t units = 0;
  for (const std::u16string& page : pages) units += static_cast<int64_t>(page.size());
  for (auto _ : state) {
    for (const std::u16string& page : pages) benchmark::DoNotOptimize(korvane::HtmlToText(page));
  }
  state.SetItemsProcessed(state.iterations() * units);
  state.counters["pages"] = static_cast<double>(pages.size());
}

BENCHMARK(BM_Corpus)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
