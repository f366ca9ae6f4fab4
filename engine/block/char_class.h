// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace korvane {

// What a code unit counts as in the text-density measure.
enum : uint8_t {
  kNotCounted = 0,
  kIdeograph = 3,    // U+4E00..U+9FA5, U+F900..U+FA2D
  kDigit = 4,        // 0..9
  kLowerLetter = 5,  // a..z
};

// Inline: the locator asks once for every position of every text run.
constexpr uint8_t CharClass(char16_t unit) {
  if ((unit >= 0x4E00 && unit <= 0x9FA5) || (unit >= 0xF900 && unit <= 0xFA2D)) {
    return kIdeograph;
  }
  if (unit >= u'0' && unit <= u'9') return kDigit;
  if (unit >= u'a' && unit <= u'z') return kLowerLetter;
  return kNotCounted;
}

}  // namespace korvane
