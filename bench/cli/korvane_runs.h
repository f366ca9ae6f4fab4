// What the command-line benchmarks share: pages re-encoded as GB18030, and
// one timed run of the korvane binary with its peak memory.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::bench {

std::string ToGb18030(std::string_view utf8);

struct Measure {
  double seconds;      // wall clock
  double cpu_seconds;  // user and system time of all threads
  long peak_kib;
};

// Runs `program` (a path, or a name looked up in PATH) with `arguments`, its
// standard output discarded; exits the benchmark when the run fails.
Measure RunProgram(const std::string& program, const std::vector<std::string>& arguments);

// RunProgram for the korvane binary.
inline Measure RunKorvane(const char* binary, const std::vector<std::string>& arguments) {
  return RunProgram(binary, arguments);
}

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace korvane::bench
