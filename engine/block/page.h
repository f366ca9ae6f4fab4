// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

namespace korvane {

// One page as every component reads it: the text as given and its
// lower-cased copy, made once per conversion, of the same length.
struct Page {
  std::u16string_view source;
  std::u16string_view lower;
};

}  // namespace korvane
