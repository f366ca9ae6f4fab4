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

uint8_t CharClass(char16_t unit);

}  // namespace korvane
