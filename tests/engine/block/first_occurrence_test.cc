// SPDX-License-Identifier: Apache-2.0
#include "block/first_occurrence.h"

#include <gtest/gtest.h>

#include "random_text.h"

namespace korvane {
namespace {

TEST(FirstOccurrencesTest, MatchSearchingOneByOne) {
  test_support::RandomText random(5);
  for (int round = 0; round < 5000; ++round) {
    const std::u16string text = random.Fragment(40);
    std::vector<std::u16string> owned;
    for (int left = random.Below(8); left > 0; --left) {
      const std::u16string piece = random.Fragment(3);
      owned.push_back(text.empty() || random.Below(2) == 0
                          ? piece
                          : text.substr(random.Below(text.size()), random.Below(6)));
    }
    const std::vector<std::u16string_view> patterns(owned.begin(), owned.end());
    const std::vector<size_t> starts = FirstOccurrences(text, patterns);
    for (size_t pattern = 0; pattern < patterns.size(); ++pattern) {
      ASSERT_EQ(starts[pattern], text.find(patterns[pattern]))
          << "text " << round << " pattern " << pattern;
    }
  }
}

}  // namespace
}  // namespace korvane
