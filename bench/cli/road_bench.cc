// SPDX-License-Identifier: Apache-2.0
// The whole road of the command line, as users run it: a WARC file of 2,000
// response records, plain and with one gzip member per record (as crawls are
// stored), through `korvane -j 1` and `-j 2`, beside `gzip -dc` of the same
// file; one 4 MB page through `korvane page.html`, start-up subtracted; and,
// with --memory, peak memory on batches of 1, 4, 16 and 64 MB pages.
//
// The records are generated news pages, or the pages of the folder that
// KORVANE_CORPUS names, repeated until there are 2,000.
//
// Usage: cli_road_bench [--runs N] [--memory] [--keep DIR] [--binary PATH]
//   --keep DIR: write the files into DIR and leave them there (for profiling)
//   --binary PATH: run this korvane instead of the one built beside the
//   benchmark (another build, to compare)
#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "decode/utf8.h"
#include "encode.h"
#include "korvane_run.h"
#include "median.h"
#include "news_pages.h"
#include "warc_record.h"

namespace {

using korvane::bench::Median;
using korvane::test_support::KorvaneRun;
using korvane::test_support::RunShell;

namespace fs = std::filesystem;

// The shell's words for the korvane to run: the one of this build, or --binary.
std::string korvane_command = "\"$KORVANE\"";

constexpr size_t kRecords = 2000;
constexpr double kMegabyte = 1e6;

std::string ToUtf8(std::u16string_view text) { return korvane::cli::ToUtf8(text); }

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// A generated page of about `bytes` bytes in UTF-8.
std::u16string NewsPageOfBytes(double bytes, uint32_t seed) {
  const std::u16string sample = korvane::test_support::NewsPage(100'000, seed);
  const double bytes_per_unit = static_cast<double>(ToUtf8(sample).size()) / sample.size();
  return korvane::test_support::NewsPage(static_cast<size_t>(bytes / bytes_per_unit), seed);
}

// The pages of the WARC file, made one at a time: the benchmark's own
// memory would otherwise count in the peak memory of the programs it runs
// (a forked child keeps the high-water mark of its parent).
class PageSource {
 public:
  // The corpus pages in path order, repeated up to kRecords; else generated
  // pages of 20,000 to 200,000 code units, as large as real news pages.
  explicit PageSource(const char* corpus) {
    if (corpus == nullptr) {
      origin_ = "generated pages";
      return;
    }
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
      if (entry.is_regular_file() && entry.path().extension() == ".html") {
        paths_.push_back(entry.path());
      }
    }
    std::sort(paths_.begin(), paths_.end());
    origin_ = std::to_string(paths_.size()) + " pages of " + corpus + ", repeated";
  }

  const std::string& origin() const { return origin_; }

  std::string Page(size_t number) {
    if (!paths_.empty()) return ReadFile(paths_[number % paths_.size()]);
    const size_t units = 20'000 + random_() % 180'000;
    return ToUtf8(korvane::test_support::NewsPage(units, static_cast<uint32_t>(number)));
  }

 private:
  std::string origin_;
  std::vector<fs::path> paths_;
  std::mt19937 random_{11};
};

struct Files {
  fs::path warc;
  fs::path warc_gz;
  uint64_t warc_bytes = 0;
  uint64_t warc_gz_bytes = 0;
};

Files WriteWarcFiles(PageSource& pages, const fs::path& folder) {
  Files files{folder / "pages.warc", folder / "pages.warc.gz"};
  std::ofstream plain(files.warc, std::ios::binary);
  std::ofstream compressed(files.warc_gz, std::ios::binary);
  for (size_t i = 0; i < kRecords; ++i) {
    korvane::test_support::WarcResponse response;
    response.uri = "http://news.example/" + std::to_string(i) + ".html";
    response.body = pages.Page(i);
    const std::string record = korvane::test_support::WarcRecord(response);
    const std::string member = korvane::test_support::Gzip(record);
    plain << record;
    compressed << member;
    files.warc_bytes += record.size();
    files.warc_gz_bytes += member.size();
  }
  return files;
}

struct Case {
  std::string name;
  std::string command;  // for the shell, in the benchmark's folder
  std::vector<KorvaneRun> runs;

  double Seconds() const {
    std::vector<double> values;
    for (const KorvaneRun& run : runs) values.push_back(run.seconds);
    return Median(values);
  }
  double CpuSeconds() const {
    std::vector<double> values;
    for (const KorvaneRun& run : runs) values.push_back(run.cpu_seconds);
    return Median(values);
  }
  double PeakMegabytes() const {
    long peak = 0;
    for (const KorvaneRun& run : runs) peak = std::max(peak, run.peak_kib);
    return peak * 1024.0 / kMegabyte;
  }
};

// Runs a case; exits the benchmark when it fails.
KorvaneRun Run(const fs::path& folder, const Case& each) {
  KorvaneRun run = RunShell(folder, each.command + " > /dev/null");
  if (run.status != 0) {
    std::fprintf(stderr, "%s failed: %s", each.name.c_str(), run.err.c_str());
    std::exit(1);
  }
  return run;
}

// Every case once per round, so that a busy moment of the shared machine
// falls on all of them alike; one round first to warm the page cache.
void RunRounds(const fs::path& folder, std::vector<Case>& cases, int runs) {
  for (const Case& each : cases) Run(folder, each);
  for (int run = 0; run < runs; ++run) {
    for (Case& each : cases) each.runs.push_back(Run(folder, each));
  }
}

void PrintRoad(const fs::path& folder, const Files& files, size_t pages, int runs) {
  const std::string& korvane = korvane_command;
  std::vector<Case> cases = {
      {"gzip -dc pages.warc.gz", "gzip -dc pages.warc.gz", {}},
      {"korvane -j 1 pages.warc", korvane + " -q -j 1 pages.warc", {}},
      {"korvane -j 2 pages.warc", korvane + " -q -j 2 pages.warc", {}},
      {"korvane -j 1 pages.warc.gz", korvane + " -q -j 1 pages.warc.gz", {}},
      {"korvane -j 2 pages.warc.gz", korvane + " -q -j 2 pages.warc.gz", {}},
  };
  RunRounds(folder, cases, runs);
  const double megabytes = static_cast<double>(files.warc_bytes) / kMegabyte;
  std::printf("%-28s %9s %9s %8s %8s %9s\n", "median of runs", "time", "CPU", "MB/s", "pages/s",
              "peak RSS");
  for (const Case& each : cases) {
    std::printf("%-28s %7.3f s %7.3f s %8.1f %8.0f %6.1f MB\n", each.name.c_str(), each.Seconds(),
                each.CpuSeconds(), megabytes / each.Seconds(),
                static_cast<double>(pages) / each.Seconds(), each.PeakMegabytes());
  }
  std::printf("MB/s counts the plain WARC's %.1f MB for every case\n", megabytes);
  std::printf("-j 2 / -j 1: plain %.2fx, gzip %.2fx\n", cases[1].Seconds() / cases[2].Seconds(),
              cases[3].Seconds() / cases[4].Seconds());
  std::printf("korvane -j 2 pages.warc.gz takes %.2fx the time of gzip -dc\n",
              cases[4].Seconds() / cases[0].Seconds());
}

// One large page through `korvane page.html`; the same run on an empty page
// gives the start-up time to subtract.
void PrintOnePage(const fs::path& folder, int runs) {
  const fs::path file = folder / "page.html";
  const fs::path empty = folder / "empty.html";
  size_t units = 0;
  size_t bytes = 0;
  {
    const std::u16string page = NewsPageOfBytes(4 * kMegabyte, 4);
    const std::string utf8 = ToUtf8(page);
    std::ofstream(file, std::ios::binary) << utf8;
    units = page.size();
    bytes = utf8.size();
  }
  malloc_trim(0);
  std::ofstream(empty, std::ios::binary) << "<html></html>";
  std::vector<Case> cases = {
      {"page", korvane_command + " page.html", {}},
      {"start-up", korvane_command + " empty.html", {}},
  };
  RunRounds(folder, cases, std::max(runs, 15));
  const double seconds = cases[0].Seconds() - cases[1].Seconds();
  std::printf(
      "korvane page.html, %.1f MB, %.2f M code units: %.4f s, start-up %.4f s, "
      "%.0f M code units/s, peak RSS %.1f MB\n",
      static_cast<double>(bytes) / kMegabyte, units / 1e6, cases[0].Seconds(), cases[1].Seconds(),
      units / 1e6 / seconds, cases[0].PeakMegabytes());
}

// Peak memory of `korvane -j 2` over 8 pages of each size, and of one page
// alone: what a batch holds should not grow with its length.
void PrintMemory(const fs::path& folder, int runs) {
  std::printf("%-10s %14s %14s %14s\n", "page", "one page", "8 pages -j 2", "per MB of page");
  for (const size_t megabytes : {1, 4, 16, 64}) {
    const fs::path batch = folder / ("batch" + std::to_string(megabytes));
    fs::create_directories(batch);
    size_t bytes = 0;
    {
      const std::string page = ToUtf8(NewsPageOfBytes(megabytes * kMegabyte, 9));
      for (int i = 0; i < 8; ++i) {
        std::ofstream(batch / ("page" + std::to_string(i) + ".html"), std::ios::binary) << page;
      }
      bytes = page.size();
    }
    malloc_trim(0);
    const std::string name = batch.filename().string();
    std::vector<Case> cases = {
        {"one", korvane_command + " " + name + "/page0.html", {}},
        {"batch", korvane_command + " -q -j 2 " + name, {}},
    };
    RunRounds(folder, cases, runs);
    const double size = static_cast<double>(bytes) / kMegabyte;
    std::printf("%6.1f MB %11.1f MB %11.1f MB %13.2f\n", size, cases[0].PeakMegabytes(),
                cases[1].PeakMegabytes(), cases[1].PeakMegabytes() / size);
    fs::remove_all(batch);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 5;
  bool memory = false;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--memory") == 0) {
      memory = true;
    } else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) {
      keep = argv[++i];
    } else if (std::strcmp(argv[i], "--binary") == 0 && i + 1 < argc) {
      korvane_command = korvane::test_support::ShellQuoted(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "usage: cli_road_bench [--runs N] [--memory] [--keep DIR] [--binary PATH]\n");
      return 2;
    }
  }
  fs::path folder = keep;
  if (keep.empty()) {
    std::string pattern = (fs::temp_directory_path() / "korvane-road-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 1;
    folder = pattern;
  }
  fs::create_directories(folder);
  if (memory) {
    PrintMemory(folder, runs);
  } else {
    PageSource pages(std::getenv("KORVANE_CORPUS"));
    const Files files = WriteWarcFiles(pages, folder);
    std::printf("WARC of %zu records (%s): %.1f MB plain, %.1f MB gzip; %d runs each\n", kRecords,
                pages.origin().c_str(), files.warc_bytes / kMegabyte,
                files.warc_gz_bytes / kMegabyte, runs);
    PrintRoad(folder, files, kRecords, runs);
    PrintOnePage(folder, runs);
  }
  if (keep.empty()) fs::remove_all(folder);
  return 0;
}
