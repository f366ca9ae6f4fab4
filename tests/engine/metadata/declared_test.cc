// SPDX-License-Identifier: Apache-2.0
#include "metadata/declared.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

// An element named author or byline is one byline only while it is small:
// at most 80 units of text and 64 nodes, itself counted.
TEST(DeclaredTest, AnElementIsOneBylineUpTo80UnitsAnd64Nodes) {
  const std::u16string eighty(80, u'a');
  std::u16string sixty_three_inside;
  for (int i = 0; i < 31; ++i) sixty_three_inside += u"<b>x</b>";
  sixty_three_inside += u"y";
  const struct {
    std::u16string inside, text;
  } cases[] = {
      {eighty, eighty},
      {eighty + u"a", u""},
      {sixty_three_inside, std::u16string(31, u'x') + u"y"},
      {sixty_three_inside + u"<i></i>", u""},
  };
  for (const auto& test : cases) {
    const std::u16string page = u"<span class=\"author\">" + test.inside + u"</span>";
    Dom dom;
    dom.Parse(page);
    EXPECT_EQ(ElementText(dom, 1), test.text) << ToUtf8(test.inside);
  }
}

}  // namespace
}  // namespace korvane
