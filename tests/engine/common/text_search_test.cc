// SPDX-License-Identifier: Apache-2.0
#include "common/text_search.h"

#include <gtest/gtest.h>

#include <random>

namespace korvane {
namespace {

// Every place a pattern can fall relative to the blocks of eight and sixteen
// units.
TEST(FindTest, AgreesWithTheStandardSearchAtEveryOffset) {
  std::mt19937 random(9);
  const std::u16string alphabet = u"<>&;ab p\u4e2d";
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(random() % 40, u' ');
    for (char16_t& unit : text) unit = alphabet[random() % alphabet.size()];
    std::u16string pattern(random() % 5, u' ');
    for (char16_t& unit : pattern) unit = alphabet[random() % alphabet.size()];
    for (size_t from = 0; from <= text.size() + 1; ++from) {
      const std::u16string_view view(text);
      ASSERT_EQ(Find(view, pattern, from), view.find(pattern, from)) << round << " from " << from;
      if (!pattern.empty()) {
        ASSERT_EQ(FindUnit(view, pattern[0], from), view.find(pattern[0], from));
        ASSERT_EQ(FindEither(view, pattern[0], pattern.back(), from),
                  view.find_first_of(std::u16string{pattern[0], pattern.back()}, from));
      }
    }
  }
}

// Texts and patterns of two letters, so that long patterns nearly match in
// many places and overlap themselves in many ways.
TEST(FindLinearTest, AgreesWithTheStandardSearch) {
  std::mt19937 random(17);
  for (int round = 0; round < 3000; ++round) {
    std::u16string text(random() % 200, u'a');
    for (char16_t& unit : text) unit = random() % 4 == 0 ? u'b' : u'a';
    std::u16string pattern(random() % 60, u'a');
    for (char16_t& unit : pattern) unit = random() % 6 == 0 ? u'b' : u'a';
    if (round % 3 == 0 && text.size() > 40) {
      const size_t at = random() % (text.size() - 40);
      pattern = text.substr(at, 33 + random() % 7);
    }
    ASSERT_EQ(FindLinear(text, pattern), std::u16string_view(text).find(pattern)) << round;
  }
}

}  // namespace
}  // namespace korvane
