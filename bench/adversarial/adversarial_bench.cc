// SPDX-License-Identifier: Apache-2.0
// Conversion speed on adversarial pages, each at three sizes, in input code
// units per second, for the block algorithm and (inputs named dom_...) the
// dom algorithm. A speed that holds as the size doubles shows time linear in
// the size; the table printed at the end gives each input's speeds and the
// ratio of the largest size's speed to the smallest's; a second table gives
// each size's time and the ratio of each time to the time at half the size
// (about 2 for time linear in the size). The dom inputs also
// give the heap in use at the peak of a conversion, the page itself not
// counted, in bytes per input unit ("heap/unit"; an upper bound, as it holds
// the buffers that earlier conversions left to the thread): the same at
// every size is memory linear in the page.
//   adversarial_bench [--benchmark_repetitions=5] [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "adversarial_pages.h"
#include "korvane.h"

// Heap use of the whole program, for the peak during one conversion.
std::atomic<size_t> heap_in_use{0};
std::atomic<size_t> heap_peak{0};

void* operator new(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  const size_t now = heap_in_use += malloc_usable_size(block);
  size_t peak = heap_peak.load();
  while (now > peak && !heap_peak.compare_exchange_weak(peak, now)) {
  }
  return block;
}

void operator delete(void* block) noexcept {
  if (block == nullptr) return;
  heap_in_use -= malloc_usable_size(block);
  std::free(block);
}

void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

using korvane::Algorithm;
using korvane::test_support::Placement;
using Make = std::function<std::u16string(size_t)>;

struct Input {
  std::string name;
  Make make;
  std::vector<size_t> scales;  // what `make` takes, smallest first
  Algorithm algorithm = Algorithm::kBlock;
};

constexpr size_t kMillion = 1'000'000;

void AddDomInputs(std::vector<Input>& inputs) {
  const Algorithm dom = Algorithm::kDom;
  inputs.push_back({"dom_nested_elements",
                    korvane::test_support::NestedElements,
                    {25'000, 50'000, 100'000},
                    dom});
  inputs.push_back({"dom_unclosed_tags",
                    korvane::test_support::UnclosedTags,
                    {250'000, 500'000, kMillion},
                    dom});
  inputs.push_back({"dom_huge_attribute",
                    korvane::test_support::HugeAttribute,
                    {2'500'000, 5 * kMillion, 10 * kMillion},
                    dom});
  inputs.push_back({"dom_one_text_node",
                    korvane::test_support::OneTextNode,
                    {5 * kMillion, 10 * kMillion, 20 * kMillion},
                    dom});
  inputs.push_back({"dom_stray_end_tags",
                    korvane::test_support::StrayEndTags,
                    {250'000, 500'000, kMillion},
                    dom});
  inputs.push_back({"dom_many_attributes",
                    korvane::test_support::ManyAttributes,
                    {250'000, 500'000, kMillion},
                    dom});
  inputs.push_back({"dom_dense_body",
                    korvane::test_support::DenseBody,
                    {2'500'000, 5 * kMillion, 10 * kMillion},
                    dom});
  // Pages that make the dom algorithm search or grow a list or a text with
  // every piece (images, class names, metadata, titles, bylines, dates, page
  // lines, comments, foreign content, scripts), by the page's size in units.
  const struct {
    const char* name;
    std::u16string (*make)(size_t);
  } kGrowing[] = {
      {"dom_distinct_images", korvane::test_support::DistinctImages},
      {"dom_class_names", korvane::test_support::ManyClassNames},
      {"dom_meta_tags", korvane::test_support::ManyMetaTags},
      {"dom_json_ld", korvane::test_support::LongJsonLd},
      {"dom_title_near_matches", korvane::test_support::TitleOfNearMatches},
      {"dom_og_title_parts", korvane::test_support::OgTitleOfManyParts},
      {"dom_byline_brackets", korvane::test_support::BylineOfBrackets},
      {"dom_author_elements", korvane::test_support::ManyAuthorElements},
      {"dom_datelines", korvane::test_support::ManyDatelines},
      {"dom_short_lines", korvane::test_support::ManyShortLines},
      {"dom_comments", korvane::test_support::ManyComments},
      {"dom_unclosed_svg", korvane::test_support::UnclosedSvg},
      {"dom_escaped_scripts", korvane::test_support::EscapedScripts},
  };
  for (const auto& growing : kGrowing) {
    inputs.push_back({growing.name, growing.make, {kMillion, 2 * kMillion, 4 * kMillion}, dom});
  }
  constexpr std::u16string_view kPieces[] = {u"<", u"&", u"<!--", u"<p", u"<a>", u"</p>"};
  constexpr const char* kNames[] = {"lt", "amp", "comment", "p_open", "a", "p_close"};
  for (size_t i = 0; i < std::size(kPieces); ++i) {
    inputs.push_back({std::string("dom_only_") + kNames[i],
                      [piece = kPieces[i]](size_t units) {
                        return korvane::test_support::RepeatedPiece(piece, units, Placement::kBare);
                      },
                      {2'500'000, 5 * kMillion, 10 * kMillion},
                      dom});
  }
}

std::vector<Input> Inputs() {
  struct Piece {
    const char* name;
    std::u16string_view text;
  };
  constexpr Piece kPieces[] = {{"lt", u"<"},        {"gt", u">"},         {"amp", u"&"},
                               {"amp_semi", u"&;"}, {"comment", u"<!--"}, {"p_open", u"<p"},
                               {"spaces", u"  "},   {"crlf", u"\r\n"}};
  struct Place {
    const char* name;
    Placement placement;
    std::vector<size_t> units;
  };
  const Place kPlaces[] = {
      {"only", Placement::kBare, {5 * kMillion, 10 * kMillion, 20 * kMillion}},
      {"title", Placement::kTitle, {5 * kMillion, 10 * kMillion, 20 * kMillion}},
      {"body", Placement::kBody, {225'000, 450'000, 900'000}}};

  std::vector<Input> inputs;
  for (const Place& place : kPlaces) {
    for (const Piece& piece : kPieces) {
      inputs.push_back({std::string(place.name) + "_" + piece.name,
                        [piece, placement = place.placement](size_t units) {
                          return korvane::test_support::RepeatedPiece(piece.text, units, placement);
                        },
                        place.units});
    }
  }
  inputs.push_back({"images", korvane::test_support::PageWithImages, {50'000, 100'000, 200'000}});
  inputs.push_back(
      {"images_distinct", korvane::test_support::DistinctImages, {225'000, 450'000, 900'000}});
  inputs.push_back({"dense_body", korvane::test_support::DenseBody, {225'000, 450'000, 900'000}});
  inputs.push_back(
      {"alternating_blocks",
       [](size_t blocks) { return korvane::test_support::AlternatingBlocks(blocks, 1); },
       {1'250, 2'500, 5'000}});
  inputs.push_back(
      {"separate_runs",
       [](size_t blocks) { return korvane::test_support::AlternatingBlocks(blocks, 3); },
       {1'250, 2'500, 5'000}});
  inputs.push_back(
      {"surrogate_at_cap",
       [](size_t units) { return korvane::test_support::DensePageWithPairAt(899'999, units); },
       {kMillion, 2 * kMillion, 4 * kMillion}});
  AddDomInputs(inputs);
  return inputs;
}

std::string ScaleLabel(size_t scale) {
  if (scale % kMillion == 0) return std::to_string(scale / kMillion) + "M";
  if (scale % 1000 == 0) return std::to_string(scale / 1000) + "k";
  return std::to_string(scale);
}

// Collects each benchmark's speed and prints the table when all have run.
class LinearityReporter : public benchmark::ConsoleReporter {
 public:
  // Tells which input and which of its sizes the benchmark `benchmark` runs.
  void Expect(const std::string& benchmark, const std::string& input, size_t size_index) {
    where_[benchmark] = {input, size_index};
    if (std::find(order_.begin(), order_.end(), input) == order_.end()) order_.push_back(input);
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("items_per_second");
      const auto found = where_.find(run.run_name.function_name);
      if (run.error_occurred || rate == run.counters.end() || found == where_.end()) continue;
      Speeds& speeds = speeds_[found->second];
      Speeds& times = times_[found->second];
      const double milliseconds = run.GetAdjustedCPUTime();
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") {
          speeds.median = rate->second.value;
          times.median = milliseconds;
        }
      } else {
        speeds.runs.push_back(rate->second.value);
        times.runs.push_back(milliseconds);
      }
    }
  }

  void Finalize() override {
    std::printf(
        "\nMillions of units per second (median) at each size; last column: "
        "speed at the largest size / at the smallest\n");
    for (const std::string& input : order_) {
      if (!speeds_.contains({input, 0})) continue;  // left out by a filter
      std::printf("%-22s", input.c_str());
      std::vector<double> medians;
      for (size_t index = 0; speeds_.contains({input, index}); ++index) {
        medians.push_back(speeds_[{input, index}].Median());
        std::printf(" %10.1f", medians.back() / 1e6);
      }
      if (medians.size() > 1 && medians.front() > 0) {
        std::printf("   %5.2f", medians.back() / medians.front());
      }
      std::printf("\n");
    }
    PrintDoublings();
    ConsoleReporter::Finalize();
  }

 private:
  struct Speeds {
    double median = 0;  // given by an aggregate when repetitions ran
    std::vector<double> runs;

    double Median() {
      if (median > 0 || runs.empty()) return median;
      std::sort(runs.begin(), runs.end());
      return runs[runs.size() / 2];
    }
  };
  using Key = std::pair<std::string, size_t>;

  // Each size's time and the ratio of each time to the one before: about 2
  // where the time is linear in the size, which doubles from one to the next.
  void PrintDoublings() {
    std::printf(
        "\nMilliseconds of processor time per conversion (median) at each size, then time at 2N / "
        "time at N\n");
    for (const std::string& input : order_) {
      if (!times_.contains({input, 0})) continue;
      std::printf("%-22s", input.c_str());
      std::vector<double> medians;
      for (size_t index = 0; times_.contains({input, index}); ++index) {
        medians.push_back(times_[{input, index}].Median());
        std::printf(" %10.2f", medians.back());
      }
      for (size_t index = 1; index < medians.size(); ++index) {
        std::printf("   %5.2f", medians[index] / medians[index - 1]);
      }
      std::printf("\n");
    }
  }

  std::map<std::string, Key> where_;
  std::map<Key, Speeds> speeds_;
  std::map<Key, Speeds> times_;  // milliseconds, in the same shape
  std::vector<std::string> order_;
};

void Convert(benchmark::State& state, const Make& make, size_t scale, Algorithm algorithm) {
  const std::u16string page = make(scale);
  size_t peak = 0;
  for (auto _ : state) {
    if (algorithm == Algorithm::kBlock) {
      benchmark::DoNotOptimize(korvane::HtmlToText(page));
      continue;
    }
    heap_peak = heap_in_use.load();
    benchmark::DoNotOptimize(korvane::FormatRecord(korvane::ExtractArticle(page, algorithm)));
    peak = std::max(peak, heap_peak - page.capacity() * sizeof(char16_t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
  if (algorithm == Algorithm::kDom) {
    state.counters["heap/unit"] = static_cast<double>(peak) / static_cast<double>(page.size());
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Large blocks come from the heap and stay there once freed, so that every
  // size reuses memory already faulted in, as a long batch does. Otherwise
  // each block over 32 MB is mapped afresh for every conversion, and the
  // kernel's cost of faulting it in (which grows faster than the size on
  // some machines) would be measured as the engine's.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  LinearityReporter reporter;
  for (const Input& input : Inputs()) {
    for (size_t index = 0; index < input.scales.size(); ++index) {
      const size_t scale = input.scales[index];
      const std::string name = input.name + "/" + ScaleLabel(scale);
      benchmark::RegisterBenchmark(name.c_str(), Convert, input.make, scale, input.algorithm)
          ->Unit(benchmark::kMillisecond);
      reporter.Expect(name, input.name, index);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
