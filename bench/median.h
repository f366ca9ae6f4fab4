// SPDX-License-Identifier: Apache-2.0
// The median of a benchmark's runs.
#pragma once

#include <algorithm>
#include <vector>

namespace korvane::bench {

template <typename T>
T Median(std::vector<T> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace korvane::bench
