// SPDX-License-Identifier: Apache-2.0
#include "block/full_width.h"

#include <gtest/gtest.h>

namespace korvane {
namespace {

TEST(FoldFullWidthTest, FoldsDigitsAndLettersOnly) {
  const struct {
    std::u16string_view text, folded;
  } cases[] = {
      {u"", u""},
      {u"\uFF15", u"5"},
      {u"\uFF10\uFF19", u"09"},
      {u"\uFF21\uFF41\uFF3A\uFF5A", u"aazz"},
      {u"\uFF0F\uFF1A\uFF20\uFF3B\uFF40\uFF5B\u3000",
       u"\uFF0F\uFF1A\uFF20\uFF3B\uFF40\uFF5B\u3000"},
      {u"\uFF33tay ABC \uFF54\u4E2D", u"stay ABC t\u4E2D"},
      {u"\U0001D400\uFF11", u"\U0001D4001"},
  };
  for (const auto& test : cases) EXPECT_EQ(FoldFullWidth(test.text), test.folded);
}

}  // namespace
}  // namespace korvane
