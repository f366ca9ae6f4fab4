// Time and peak memory of `korvane` on single pages of 25, 50 and 100 MB: a
// long news page in UTF-8 and in GB18030, and pages made only of "<", of
// "&;", or of "<p" inside a title (the one text the engine takes whole,
// past the 900,000-unit cap). Pages this large pass --max-page-size only
// when it is raised, as it is here. Usage: cli_large_pages_bench [RUNS]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "korvane_runs.h"

namespace {

using korvane::bench::Measure;
using korvane::bench::Median;
using korvane::bench::RunKorvane;
using korvane::bench::ToGb18030;

namespace fs = std::filesystem;

constexpr size_t kMegabyte = 1'000'000;

std::string Repeated(std::string_view piece, size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text.append(piece);
  return text;
}

constexpr std::string_view kParagraph =
    "<p>记者从有关部门获悉，今年全市经济运行总体平稳，城乡居民收入稳步提高，"
    "百分之六点五的增长高于预期。2024年新建项目一百二十个。</p>\n";

std::string NewsPage(size_t bytes, std::string_view charset) {
  std::string page = "<html><head><meta charset=\"";
  page.append(charset).append("\"><title>全市经济运行总体平稳</title></head><body>");
  page += Repeated(kParagraph, bytes - page.size() - 14);
  return page + "</body></html>";
}

struct Kind {
  const char* name;
  std::function<std::string(size_t bytes)> make;
};

const Kind kKinds[] = {
    {"news page, UTF-8", [](size_t bytes) { return NewsPage(bytes, "utf-8"); }},
    // GB18030 takes two bytes where UTF-8 takes three: the same text in fewer
    // bytes would not be the same size of file.
    {"news page, GB18030",
     [](size_t bytes) { return ToGb18030(NewsPage(bytes * 3 / 2, "gb18030")); }},
    {"only \"<\"", [](size_t bytes) { return Repeated("<", bytes); }},
    {"only \"&;\"", [](size_t bytes) { return Repeated("&;", bytes); }},
    {"title of \"<p\"",
     [](size_t bytes) { return "<title>" + Repeated("<p", bytes - 15) + "</title>"; }},
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::string pattern = (fs::temp_directory_path() / "korvane-large-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  const fs::path folder = pattern;
  std::printf("%d runs each; median time, MB/s of the file, median peak RSS\n", runs);
  for (const Kind& kind : kKinds) {
    std::printf("%-20s", kind.name);
    for (const size_t megabytes : {25, 50, 100}) {
      const fs::path file = folder / "page.html";
      const std::string page = kind.make(megabytes * kMegabyte);
      std::ofstream(file, std::ios::binary) << page;
      std::vector<double> seconds;
      std::vector<long> peaks;
      for (int run = 0; run < runs; ++run) {
        const Measure measure =
            RunKorvane(KORVANE_BINARY, {"--max-page-size", "1G", file.string()});
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
  fs::remove_all(folder);
  return 0;
}
