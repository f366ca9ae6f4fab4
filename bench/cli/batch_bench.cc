// SPDX-License-Identifier: Apache-2.0
// Throughput and peak memory of `korvane` over a folder of generated pages,
// with -j 1 and -j 2. Usage: cli_batch_bench [PAGES [RUNS]]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "encode.h"
#include "korvane_run.h"
#include "median.h"
#include "news_pages.h"
#include "temp_dir.h"

namespace {

using korvane::bench::Median;
using korvane::test_support::KorvaneRun;
using korvane::test_support::RunKorvane;

namespace fs = std::filesystem;

// One page in four is GB18030 with its meta, as older Chinese sites serve them.
uint64_t WritePages(const fs::path& folder, int pages) {
  std::mt19937 random(2024);
  uint64_t bytes = 0;
  for (int number = 0; number < pages; ++number) {
    const bool gb = number % 4 == 3;
    std::string page =
        korvane::test_support::BatchNewsPage(random, number, gb ? "gb2312" : "utf-8");
    if (gb) page = korvane::test_support::Encode(page, "gb18030");
    const fs::path file = folder / ("section" + std::to_string(number / 100)) /
                          ("page" + std::to_string(number) + ".html");
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << page;
    bytes += page.size();
  }
  return bytes;
}

// Runs korvane on the pages; exits when the run fails.
KorvaneRun Convert(const fs::path& work, int jobs) {
  KorvaneRun run = RunKorvane(work, "-q -j " + std::to_string(jobs) + " pages > /dev/null");
  if (run.status != 0) {
    std::fprintf(stderr, "korvane failed: %s", run.err.c_str());
    std::exit(1);
  }
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  const int pages = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const korvane::test_support::TempDir work;
  const uint64_t bytes = WritePages(work.path() / "pages", pages);
  std::printf("%d generated pages, %.1f MB, %d runs each\n", pages,
              static_cast<double>(bytes) / 1e6, runs);
  double single = 0;
  for (const int jobs : {1, 2}) {
    std::vector<double> seconds;
    std::vector<double> cpu_seconds;
    long peak = 0;
    Convert(work.path(), jobs);  // warm the page cache
    for (int run = 0; run < runs; ++run) {
      const KorvaneRun measure = Convert(work.path(), jobs);
      seconds.push_back(measure.seconds);
      cpu_seconds.push_back(measure.cpu_seconds);
      peak = std::max(peak, measure.peak_kib);
    }
    const double median = Median(seconds);
    if (jobs == 1) single = median;
    // CPU time shows whether the work divides; wall time also depends on
    // how many cores the machine has free.
    std::printf("-j %d: median %.3f s (CPU %.3f s), %.0f pages/s, %.1f MB/s, peak RSS %.1f MB",
                jobs, median, Median(cpu_seconds), pages / median,
                static_cast<double>(bytes) / 1e6 / median, peak / 1024.0);
    if (jobs == 2) std::printf(", %.2fx -j 1", single / median);
    std::printf("\n");
  }
  return 0;
}
