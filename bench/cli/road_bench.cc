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
#include <unicode/ustring.h>

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

#include "korvane_runs.h"
#include "page_generator.h"
#include "warc_files.h"

namespace {

using korvane::bench::Measure;
using korvane::bench::Median;
using korvane::bench::RunProgram;

namespace fs = std::filesystem;

std::string korvane_binary = KORVANE_BINARY;

constexpr size_t kRecords = 2000;
constexpr double kMegabyte = 1e6;

std::string ToUtf8(std::u16string_view text) {
  std::string bytes(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(bytes.data(), static_cast<int32_t>(bytes.size()), &length, text.data(),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) std::abort();
  bytes.resize(length);
  return bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// A generated page of about `bytes` bytes in UTF-8.
std::u16string NewsPageOfBytes(double bytes, uint32_t seed) {
  const std::u16string sample = korvane::bench::NewsPage(100'000, seed);
  const double bytes_per_unit = static_cast<double>(ToUtf8(sample).size()) / sample.size();
  return korvane::bench::NewsPage(static_cast<size_t>(bytes / bytes_per_unit), seed);
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
    return ToUtf8(korvane::bench::NewsPage(units, static_cast<uint32_t>(number)));
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
    const std::string record = korvane::bench::WarcResponse(
        "http://news.example/" + std::to_string(i) + ".html", pages.Page(i));
    const std::string member = korvane::bench::GzipMember(record);
    plain << record;
    compressed << member;
    files.warc_bytes += record.size();
    files.warc_gz_bytes += member.size();
  }
  return files;
}

struct Case {
  std::string name;
  std::string program;
  std::vector<std::string> arguments;
  std::vector<Measure> measures;

  double Seconds() const {
    std::vector<double> values;
    for (const Measure& measure : measures) values.push_back(measure.seconds);
    return Median(values);
  }
  double CpuSeconds() const {
    std::vector<double> values;
    for (const Measure& measure : measures) values.push_back(measure.cpu_seconds);
    return Median(values);
  }
  double PeakMegabytes() const {
    long peak = 0;
    for (const Measure& measure : measures) peak = std::max(peak, measure.peak_kib);
    return peak * 1024.0 / kMegabyte;
  }
};

// Every case once per round, so that a busy moment of the shared machine
// falls on all of them alike; one round first to warm the page cache.
void RunRounds(std::vector<Case>& cases, int runs) {
  for (Case& each : cases) RunProgram(each.program, each.arguments);
  for (int run = 0; run < runs; ++run) {
    for (Case& each : cases) each.measures.push_back(RunProgram(each.program, each.arguments));
  }
}

void PrintRoad(const Files& files, size_t pages, int runs) {
  const std::string& korvane = korvane_binary;
  std::vector<Case> cases = {
      {"gzip -dc pages.warc.gz", "gzip", {"-dc", files.warc_gz.string()}, {}},
      {"korvane -j 1 pages.warc", korvane, {"-q", "-j", "1", files.warc.string()}, {}},
      {"korvane -j 2 pages.warc", korvane, {"-q", "-j", "2", files.warc.string()}, {}},
      {"korvane -j 1 pages.warc.gz", korvane, {"-q", "-j", "1", files.warc_gz.string()}, {}},
      {"korvane -j 2 pages.warc.gz", korvane, {"-q", "-j", "2", files.warc_gz.string()}, {}},
  };
  RunRounds(cases, runs);
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
      {"page", korvane_binary, {file.string()}, {}},
      {"start-up", korvane_binary, {empty.string()}, {}},
  };
  RunRounds(cases, std::max(runs, 15));
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
    std::vector<Case> cases = {
        {"one", korvane_binary, {(batch / "page0.html").string()}, {}},
        {"batch", korvane_binary, {"-q", "-j", "2", batch.string()}, {}},
    };
    RunRounds(cases, runs);
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
      korvane_binary = argv[++i];
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
    PrintRoad(files, kRecords, runs);
    PrintOnePage(folder, runs);
  }
  if (keep.empty()) fs::remove_all(folder);
  return 0;
}
