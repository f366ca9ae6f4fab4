// SPDX-License-Identifier: Apache-2.0
#include "block/lower_case.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

namespace korvane {
namespace {

TEST(LowerCaseTest, MapsEveryUnitAsTheSimpleMappingDoes) {
  std::u16string all;
  for (char32_t unit = 0; unit <= 0xFFFF; ++unit) all.push_back(static_cast<char16_t>(unit));
  for (size_t shift = 0; shift < 8; ++shift) {
    const std::u16string lower = LowerCase(std::u16string_view(all).substr(shift));
    for (size_t i = 0; i < lower.size(); ++i) {
      ASSERT_EQ(lower[i], static_cast<char16_t>(u_tolower(all[i + shift])))
          << std::hex << int{all[i + shift]};
    }
  }
}

}  // namespace
}  // namespace korvane
