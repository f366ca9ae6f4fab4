// Conversion speed in input code units per second: on generated news pages
// of about 50 KB, 300 KB and 3 MB (UTF-16), and, when KORVANE_CORPUS names a
// folder of UTF-8 pages, on those.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

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

std::u16string FromUtf8(const std::string& bytes) {
  std::u16string text(bytes.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(text.data(), static_cast<int32_t>(text.size()), &length, bytes.data(),
                       static_cast<int32_t>(bytes.size()), 0xFFFD, nullptr, &status);
  text.resize(U_SUCCESS(status) ? length : 0);
  return text;
}

std::vector<std::u16string> CorpusPages(const char* folder) {
  std::vector<std::u16string> pages;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.path().extension() != ".html") continue;
    std::ifstream file(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    pages.push_back(FromUtf8(bytes.str()));
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
