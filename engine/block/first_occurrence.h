// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>
#include <vector>

namespace korvane {

// Where each pattern first begins in `text`, or npos where it never occurs;
// an empty pattern begins at 0. One pass over `text` for all patterns
// together, so the cost does not grow with their number.
std::vector<size_t> FirstOccurrences(std::u16string_view text,
                                     const std::vector<std::u16string_view>& patterns);

}  // namespace korvane
