// SPDX-License-Identifier: Apache-2.0
#include "block/char_class.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(CharClassTest, CountsIdeographsDigitsAndLowerLetters) {
  const struct {
    char16_t unit;
    uint8_t expected;
  } cases[] = {
      {0x4DFF, kNotCounted}, {0x4E00, kIdeograph},  {0x9FA5, kIdeograph},  {0x9FA6, kNotCounted},
      {0xF8FF, kNotCounted}, {0xF900, kIdeograph},  {0xFA2D, kIdeograph},  {0xFA2E, kNotCounted},
      {u'/', kNotCounted},   {u'0', kDigit},        {u'9', kDigit},        {u':', kNotCounted},
      {u'`', kNotCounted},   {u'a', kLowerLetter},  {u'z', kLowerLetter},  {u'{', kNotCounted},
      {u'A', kNotCounted},   {u'Z', kNotCounted},   {0xFF10, kNotCounted}, {0x3000, kNotCounted},
      {0x3400, kNotCounted}, {0xD840, kNotCounted}, {0xDC00, kNotCounted}, {0xAC00, kNotCounted},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(CharClass(test.unit), test.expected) << std::hex << int{test.unit};
  }
}

}  // namespace
}  // namespace korvane
