// Conversion speed on adversarial pages, each at three sizes, in input code
// units per second. A speed that holds as the size doubles shows time linear
// in the size; the table printed at the end gives each input's speeds and the
// ratio of the largest size's speed to the smallest's.
//   adversarial_bench [--benchmark_repetitions=5] [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "adversarial_pages.h"
#include "korvane.h"

namespace {

using korvane::test_support::Placement;
using Make = std::function<std::u16string(size_t)>;

struct Input {
  std::string name;
  Make make;
  std::vector<size_t> scales;  // what `make` takes, smallest first
};

constexpr size_t kMillion = 1'000'000;

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
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") speeds.median = rate->second.value;
      } else {
        speeds.runs.push_back(rate->second.value);
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

  std::map<std::string, Key> where_;
  std::map<Key, Speeds> speeds_;
  std::vector<std::string> order_;
};

void Convert(benchmark::State& state, const Make& make, size_t scale) {
  const std::u16string page = make(scale);
  for (auto _ : state) benchmark::DoNotOptimize(korvane::HtmlToText(page));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["units"] = static_cast<double>(page.size());
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
      benchmark::RegisterBenchmark(name.c_str(), Convert, input.make, scale)
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
