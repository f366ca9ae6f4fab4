// SPDX-License-Identifier: Apache-2.0
// The Chinese characters that the page's title, byline and name readers
// look for: the unified ideographs, extension A and the compatibility block.
#pragma once

namespace korvane {

inline bool IsCjk(char16_t unit) {
  return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0x3400 && unit <= 0x4DBF) ||
         (unit >= 0xF900 && unit <= 0xFAFF);
}

}  // namespace korvane
