// SPDX-License-Identifier: Apache-2.0
// Time and peak memory of `korvane` on single pages of 25, 50 and 100 MB: a
// long news page in UTF-8 and in GB18030, and pages made only of "<", of
// "&;", or of "<p" inside a title (the one text the engine takes whole,
// past the 900,000-unit cap); then `korvane --algorithm dom` on the news page
// in UTF-8, on "<" and on unclosed "<a>" tags. Pages this large pass
// --max-page-size only when it is raised, as it is here.
// Usage: cli_large_pages_bench [RUNS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "adversarial_pages.h"
#include "encode.h"
#include "korvane_run.h"
#include "median.h"
#include "news_pages.h"
#include "temp_dir.h"

namespace {

using korvane::bench::Median;
using korvane::test_support::Encode;
using korvane::test_support::KorvaneRun;
using korvane::test_support::LongNewsPage;
using korvane::test_support::Repeated;

constexpr size_t kMegabyte = 1'000'000;

struct Kind {
  const char* name;
  std::function<std::string(size_t bytes)> make;
  bool dom = false;
};

const Kind kKinds[] = {
    {"news page, UTF-8", [](size_t bytes) { return LongNewsPage(bytes, "utf-8"); }},
    // GB18030 takes two bytes where UTF-8 takes three: the same text in fewer
    // bytes would not be the same size of file.
    {"news page, GB18030",
     [](size_t bytes) { return Encode(LongNewsPage(bytes * 3 / 2, "gb18030"), "gb18030"); }},
    {"only \"<\"", [](size_t bytes) { return Repeated("<", bytes); }},
    {"only \"&;\"", [](size_t bytes) { return Repeated("&;", bytes); }},
    {"title of \"<p\"",
     [](size_t bytes) { return "<title>" + Repeated("<p", bytes - 15) + "</title>"; }},
    {"dom: news page", [](size_t bytes) { return LongNewsPage(bytes, "utf-8"); }, true},
    {"dom: only \"<\"", [](size_t bytes) { return Repeated("<", bytes); }, true},
    {"dom: only \"<a>\"", [](size_t bytes) { return Repeated("<a>", bytes); }, true},
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const korvane::test_support::TempDir work;
  std::printf("%d runs each; median time, MB/s of the file, median peak RSS\n", runs);
  for (const Kind& kind : kKinds) {
    std::printf("%-22s", kind.name);
    for (const size_t megabytes : {25, 50, 100}) {
      const std::string page = kind.make(megabytes * kMegabyte);
      work.Write("page.html", page);
      std::vector<double> seconds;
      std::vector<long> peaks;
      for (int run = 0; run < runs; ++run) {
        const std::string arguments = std::string("--max-page-size 1G ") +
                                      (kind.dom ? "--algorithm dom page.html" : "page.html");
        const KorvaneRun measure =
            korvane::test_support::RunKorvane(work.path(), arguments + " > /dev/null");
        if (measure.status != 0) {
          std::fprintf(stderr, "korvane failed: %s", measure.err.c_str());
          return 1;
        }
        seconds.push_back(measure.seconds);
        peaks.push_back(measure.peak_kib);
      }
      const double median = Median(seconds);
      std::printf("  %3zu MB: %6.2f s %6.1f MB/s %6.0f MB", page.size() / kMegabyte, median,
                  static_cast<double>(page.size()) / kMegabyte / median, Median(peaks) / 1024.0);
      std::fflush(stdout);
    }
    std::printf("\n");
  }
  return 0;
}
