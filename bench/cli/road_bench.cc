// SPDX-License-Identifier: Apache-2.0
// The whole road of the command line, as users run it: a WARC file of 2,000
// response records, plain and with one gzip member per record (as crawls are
// stored), through `korvane -j 1` and `-j 2` with each algorithm, beside
// `gzip -dc` of the same file; the serial part of a batch (the reader, the
// ordering and the writer) as CPU per record; one 4 MB page through
// `korvane page.html`, start-up subtracted; and, with --memory, what one
// 4 MB page adds to a one-line page's peak memory and page faults, page
// faults per record after the first 100 of the WARC file, and peak memory on
// batches of 1, 4, 16 and 64 MB pages.
//
// The records are generated news pages, or the pages of the folder that
// KORVANE_CORPUS names, repeated until there are 2,000.
//
// Usage: cli_road_bench [--runs N] [--memory] [--keep DIR] [--binary PATH]
//                       [--compare PATH]...
//   --keep DIR: write the files into DIR and leave them there (for profiling)
//   --binary PATH: run this korvane instead of the one built beside the
//   benchmark (another build, to compare)
//   --compare PATH: run this korvane too, in the same rounds, side by side
//   (repeatable: each build compared is named [1], [2], ... in the results)
#include <dirent.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
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
// The path of that korvane, for runs without the shell.
std::string korvane_path = korvane::test_support::KorvaneBinary();
// --compare: other korvanes run beside it.
struct Compared {
  std::string path;
  std::string command;
};
std::vector<Compared> compared;

constexpr const char* kAlgorithms[] = {"block", "dom"};

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

// Page faults per record are counted after this many records.
constexpr size_t kWarmRecords = 100;

struct Files {
  fs::path warc;
  fs::path warc_gz;
  fs::path warc_first;  // the first kWarmRecords records of warc
  uint64_t warc_bytes = 0;
  uint64_t warc_gz_bytes = 0;
};

Files WriteWarcFiles(PageSource& pages, const fs::path& folder) {
  Files files{folder / "pages.warc", folder / "pages.warc.gz", folder / "first.warc"};
  std::ofstream plain(files.warc, std::ios::binary);
  std::ofstream compressed(files.warc_gz, std::ios::binary);
  std::ofstream first(files.warc_first, std::ios::binary);
  for (size_t i = 0; i < kRecords; ++i) {
    korvane::test_support::WarcResponse response;
    response.uri = "http://news.example/" + std::to_string(i) + ".html";
    response.body = pages.Page(i);
    const std::string record = korvane::test_support::WarcRecord(response);
    const std::string member = korvane::test_support::Gzip(record);
    plain << record;
    compressed << member;
    if (i < kWarmRecords) first << record;
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
  double MinorFaults() const {
    std::vector<double> values;
    for (const KorvaneRun& run : runs) values.push_back(static_cast<double>(run.minor_faults));
    return Median(values);
  }
};

// The suffix that names the `number`th build compared in the results.
std::string ComparedSuffix(size_t number) { return " [" + std::to_string(number) + "]"; }

// The korvane commands to run: this build's, and those of --compare beside it.
std::vector<std::pair<std::string, std::string>> Builds() {
  std::vector<std::pair<std::string, std::string>> builds = {{"", korvane_command}};
  for (size_t i = 0; i < compared.size(); ++i) {
    builds.emplace_back(ComparedSuffix(i + 1), compared[i].command);
  }
  return builds;
}

// What a build's suffix stands for.
std::string BuildName(const std::string& suffix) {
  for (size_t i = 0; i < compared.size(); ++i) {
    if (suffix == ComparedSuffix(i + 1)) return "compared build" + suffix + " " + compared[i].path;
  }
  return "this build";
}

const Case& Named(const std::vector<Case>& cases, const std::string& name) {
  for (const Case& each : cases) {
    if (each.name == name) return each;
  }
  std::fprintf(stderr, "no case %s\n", name.c_str());
  std::exit(1);
}

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
  std::vector<Case> cases = {{"gzip -dc pages.warc.gz", "gzip -dc pages.warc.gz", {}}};
  for (const auto& [suffix, korvane] : Builds()) {
    for (const char* algorithm : kAlgorithms) {
      for (const char* file : {"pages.warc", "pages.warc.gz"}) {
        for (const char* jobs : {"1", "2"}) {
          const std::string arguments =
              std::string(" -q -j ") + jobs + " -a " + algorithm + " -f jsonl " + file;
          cases.push_back({std::string(algorithm) + " -j " + jobs + " " + file + suffix,
                           korvane + arguments,
                           {}});
        }
      }
    }
  }
  RunRounds(folder, cases, runs);
  const double megabytes = static_cast<double>(files.warc_bytes) / kMegabyte;
  std::printf("%-40s %9s %9s %8s %8s %9s\n", "median of runs", "time", "CPU", "MB/s", "pages/s",
              "peak RSS");
  for (const Case& each : cases) {
    std::printf("%-40s %7.3f s %7.3f s %8.1f %8.0f %6.1f MB\n", each.name.c_str(), each.Seconds(),
                each.CpuSeconds(), megabytes / each.Seconds(),
                static_cast<double>(pages) / each.Seconds(), each.PeakMegabytes());
  }
  std::printf("MB/s counts the plain WARC's %.1f MB for every case\n", megabytes);
  const double gzip = cases[0].Seconds();
  for (const auto& [suffix, korvane] : Builds()) {
    const auto named = [&](const std::string& name) -> const Case& {
      return Named(cases, name + suffix);
    };
    std::printf("%s:\n", BuildName(suffix).c_str());
    std::printf(
        "  dom / block CPU, -j 1 pages.warc: %.2fx\n",
        named("dom -j 1 pages.warc").CpuSeconds() / named("block -j 1 pages.warc").CpuSeconds());
    for (const char* algorithm : kAlgorithms) {
      const std::string a = algorithm;
      std::printf(
          "  %s: -j 2 / -j 1: plain %.2fx, gzip %.2fx; -j 2 pages.warc.gz takes %.2fx "
          "the time of gzip -dc\n",
          algorithm,
          named(a + " -j 1 pages.warc").Seconds() / named(a + " -j 2 pages.warc").Seconds(),
          named(a + " -j 1 pages.warc.gz").Seconds() / named(a + " -j 2 pages.warc.gz").Seconds(),
          named(a + " -j 2 pages.warc.gz").Seconds() / gzip);
    }
  }
}

// CPU seconds of each thread of a process, from /proc, by thread id.
std::map<long, double> ThreadCpu(pid_t pid) {
  std::map<long, double> cpu;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* folder = opendir(tasks.c_str());
  if (folder == nullptr) return cpu;
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  while (const dirent* entry = readdir(folder)) {
    if (entry->d_name[0] == '.') continue;
    const std::string stat = ReadFile(tasks + "/" + entry->d_name + "/stat");
    const size_t after_name = stat.rfind(')');
    if (after_name == std::string::npos) continue;
    std::istringstream fields(stat.substr(after_name + 2));
    std::string field;
    unsigned long user = 0;
    unsigned long system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) user = std::stoul(field);
      if (i == 15) system = std::stoul(field);
    }
    cpu[std::atol(entry->d_name)] = (user + system) / ticks;
  }
  closedir(folder);
  return cpu;
}

// A run's CPU split between the serial threads (the main thread, which
// starts the run, and the reader, the first thread it starts) and the
// workers. The workers also write the results in order, one at a time: that
// serial share is counted with theirs here (a profile tells it apart).
struct ThreadSplit {
  double serial = 0;
  double workers = 0;
};

// Runs `korvane ARGUMENTS` (output to /dev/null), reading its threads' CPU
// from /proc every few milliseconds until it ends: what is missed is the
// last few milliseconds.
ThreadSplit SplitRun(const std::string& binary, const std::vector<std::string>& arguments) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
  }
  std::map<long, double> last;
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    std::map<long, double> now = ThreadCpu(child);
    for (const auto& [thread, seconds] : now) last[thread] = std::max(last[thread], seconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ThreadSplit split;
  int rank = 0;  // thread ids grow in the order the threads start
  for (const auto& [thread, seconds] : last) {
    const bool main_thread = thread == child;
    if (!main_thread) ++rank;
    (main_thread || rank == 1 ? split.serial : split.workers) += seconds;
  }
  return split;
}

// The serial part of a batch on -j 2: what no number of workers divides.
void PrintSerialPart(const fs::path& folder, int runs) {
  std::printf("serial part of a batch, korvane -q -j 2 pages.warc (medians of %d runs):\n", runs);
  std::vector<std::pair<std::string, std::string>> binaries = {{"", korvane_path}};
  for (size_t i = 0; i < compared.size(); ++i) {
    binaries.emplace_back(ComparedSuffix(i + 1), compared[i].path);
  }
  for (const auto& [suffix, binary] : binaries) {
    for (const char* algorithm : kAlgorithms) {
      std::vector<double> serial;
      std::vector<double> total;
      for (int run = 0; run < runs; ++run) {
        const ThreadSplit split = SplitRun(binary, {"-q", "-j", "2", "-a", algorithm, "-f", "jsonl",
                                                    (folder / "pages.warc").string()});
        serial.push_back(split.serial);
        total.push_back(split.serial + split.workers);
      }
      const double share = Median(serial) / Median(total);
      // The reader runs beside the workers, so the serial part bounds the
      // rate (at most 1/s times one core) rather than adding to each
      // record's time; Amdahl's law, as if nothing overlapped, is the floor.
      const auto pipelined = [share](double cores) { return std::min(cores, 1 / share); };
      const auto amdahl = [share](double cores) { return 1 / (share + (1 - share) / cores); };
      std::printf(
          "  %s%s: serial %.1f us of %.1f us CPU per record (%.1f%%); speed-up at 8, 16, 64 "
          "cores: pipelined %.1fx, %.1fx, %.1fx; Amdahl %.1fx, %.1fx, %.1fx\n",
          algorithm, suffix.c_str(), Median(serial) / kRecords * 1e6,
          Median(total) / kRecords * 1e6, 100 * share, pipelined(8), pipelined(16), pipelined(64),
          amdahl(8), amdahl(16), amdahl(64));
    }
  }
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
  for (const auto& [suffix, korvane] : Builds()) {
    std::vector<Case> cases = {
        {"page", korvane + " page.html", {}},
        {"start-up", korvane + " empty.html", {}},
    };
    RunRounds(folder, cases, std::max(runs, 15));
    const double seconds = cases[0].Seconds() - cases[1].Seconds();
    std::printf(
        "korvane page.html%s, %.1f MB, %.2f M code units: %.4f s, start-up %.4f s, "
        "%.0f M code units/s, peak RSS %.1f MB\n",
        suffix.c_str(), static_cast<double>(bytes) / kMegabyte, units / 1e6, cases[0].Seconds(),
        cases[1].Seconds(), units / 1e6 / seconds, cases[0].PeakMegabytes());
  }
}

// What one 4 MB page adds to a one-line page: peak RSS and minor page
// faults (in 4 KiB pages), each against the page's size; and page faults per
// record of the WARC file after its first kWarmRecords.
void PrintPageMemory(const fs::path& folder, int runs) {
  const fs::path file = folder / "page.html";
  size_t bytes = 0;
  {
    const std::string utf8 = ToUtf8(NewsPageOfBytes(4 * kMegabyte, 4));
    std::ofstream(file, std::ios::binary) << utf8;
    bytes = utf8.size();
  }
  malloc_trim(0);
  std::ofstream(folder / "empty.html", std::ios::binary) << "<html></html>";
  const double size = static_cast<double>(bytes);
  std::printf(
      "one %.1f MB page above a one-line page, and page faults per record after the "
      "first %zu of %zu (medians of %d runs):\n",
      size / kMegabyte, kWarmRecords, kRecords, runs);
  for (const auto& [suffix, korvane] : Builds()) {
    for (const char* algorithm : kAlgorithms) {
      const std::string run = korvane + " -a " + algorithm;
      std::vector<Case> cases = {
          {"page", run + " page.html", {}},
          {"one line", run + " empty.html", {}},
          {"first", run + " -q -j 1 -f jsonl first.warc", {}},
          {"all", run + " -q -j 1 -f jsonl pages.warc", {}},
      };
      RunRounds(folder, cases, runs);
      const double peak = (cases[0].PeakMegabytes() - cases[1].PeakMegabytes()) * kMegabyte;
      const double faults = cases[0].MinorFaults() - cases[1].MinorFaults();
      std::printf(
          "  %s%s: peak RSS +%.1f MB (%.2fx the page), minor faults +%.0f (%.2fx the page in "
          "4 KiB pages); batch: %.0f faults for %zu records, %.0f for %zu: %.2f per record\n",
          algorithm, suffix.c_str(), peak / kMegabyte, peak / size, faults, faults * 4096 / size,
          cases[2].MinorFaults(), kWarmRecords, cases[3].MinorFaults(), kRecords,
          (cases[3].MinorFaults() - cases[2].MinorFaults()) / (kRecords - kWarmRecords));
    }
  }
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
      korvane_path = argv[++i];
      korvane_command = korvane::test_support::ShellQuoted(korvane_path);
    } else if (std::strcmp(argv[i], "--compare") == 0 && i + 1 < argc) {
      const std::string path = argv[++i];
      compared.push_back({path, korvane::test_support::ShellQuoted(path)});
    } else {
      std::fprintf(stderr,
                   "usage: cli_road_bench [--runs N] [--memory] [--keep DIR] [--binary PATH] "
                   "[--compare PATH]...\n");
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
  PageSource pages(std::getenv("KORVANE_CORPUS"));
  const Files files = WriteWarcFiles(pages, folder);
  std::printf("WARC of %zu records (%s): %.1f MB plain, %.1f MB gzip; %d runs each\n", kRecords,
              pages.origin().c_str(), files.warc_bytes / kMegabyte, files.warc_gz_bytes / kMegabyte,
              runs);
  if (memory) {
    PrintPageMemory(folder, runs);
    PrintMemory(folder, runs);
  } else {
    PrintRoad(folder, files, kRecords, runs);
    PrintSerialPart(folder, runs);
    PrintOnePage(folder, runs);
  }
  if (keep.empty()) fs::remove_all(folder);
  return 0;
}
