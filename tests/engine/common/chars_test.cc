// SPDX-License-Identifier: Apache-2.0
#include "common/chars.h"

#include <gtest/gtest.h>

#include "dom/stats.h"

namespace korvane {
namespace {

TEST(CharsTest, ChineseCharactersAreTheIdeographBlocks) {
  const struct {
    char16_t unit;
    bool cjk;
  } cases[] = {
      {0x33FF, false}, {0x3400, true}, {0x4DBF, true}, {0x4DC0, false},  // hexagram symbols
      {0x4DFF, false}, {0x4E00, true}, {0x9FFF, true}, {0xA000, false},
      {0xF8FF, false}, {0xF900, true}, {0xFAFF, true}, {0xFB00, false},
  };
  for (const auto& test : cases)
    EXPECT_EQ(IsCjk(test.unit), test.cjk) << std::hex << static_cast<int>(test.unit);
}

// The dom algorithm's text measure counts exactly the Chinese characters thrice.
TEST(CharsTest, TextWeightFollowsIsCjk) {
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
    ASSERT_EQ(TextWeight(static_cast<char16_t>(unit)), IsCjk(static_cast<char16_t>(unit)) ? 3u : 1u)
        << std::hex << static_cast<uint32_t>(unit);
  }
}

TEST(CharsTest, DigitsLettersAndBlanks) {
  EXPECT_EQ(DigitValue(u'0'), 0);
  EXPECT_EQ(DigitValue(u'9'), 9);
  EXPECT_EQ(DigitValue(0xFF10), 0);  // full-width
  EXPECT_EQ(DigitValue(0xFF19), 9);
  for (const char16_t unit : {u'/', u':', char16_t{0xFF0F}, char16_t{0xFF1A}, char16_t{0x0660}}) {
    EXPECT_EQ(DigitValue(unit), -1) << std::hex << static_cast<int>(unit);
  }
  EXPECT_EQ(HexDigitValue(u'f'), 15);
  EXPECT_EQ(HexDigitValue(u'F'), 15);
  EXPECT_EQ(HexDigitValue(u'g'), -1);
  EXPECT_EQ(HexDigitValue(u'@'), -1);
  EXPECT_EQ(AsciiLower(u'A'), u'a');
  EXPECT_EQ(AsciiLower(u'Z'), u'z');
  EXPECT_EQ(AsciiLower(u'['), u'[');
  EXPECT_EQ(AsciiLower(u'@'), u'@');
  EXPECT_EQ(AsciiLower(0xFF21), 0xFF21);  // full-width letters are not ASCII
  EXPECT_FALSE(IsAsciiLetter(u'`'));
  EXPECT_FALSE(IsAsciiLetter(u'{'));
  for (const char16_t unit : {u' ', u'\t', u'\n', u'\v', u'\f', u'\r', char16_t{0xA0},
                              char16_t{0x2000}, char16_t{0x200A}, char16_t{0x3000}}) {
    EXPECT_TRUE(IsBlank(unit)) << std::hex << static_cast<int>(unit);
  }
  for (const char16_t unit : {u'\b', char16_t{0x85}, char16_t{0x200B}, char16_t{0xFEFF}}) {
    EXPECT_FALSE(IsBlank(unit)) << std::hex << static_cast<int>(unit);
  }
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) {
    const auto u = static_cast<char16_t>(unit);
    ASSERT_EQ(IsBlankOrControl(u), IsBlank(u) || IsControl(u)) << std::hex << static_cast<int>(u);
  }
  EXPECT_EQ(SkipBlanks(u"a \u3000\u00a0b", 1), 4u);
}

}  // namespace
}  // namespace korvane
