// SPDX-License-Identifier: Apache-2.0
#include "metadata/page_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

// The lines of a whole page, joined by "|".
std::u16string LinesOf(std::u16string_view page, PageLines& lines) {
  Dom dom;
  dom.Parse(page);
  const NodeRange whole{0, dom.size()};
  CollectLines(dom, std::span(&whole, 1), lines);
  std::u16string joined;
  for (size_t i = 0; i < lines.lines.size(); ++i) {
    if (i > 0) joined += u'|';
    joined += lines.Text(i);
  }
  return joined;
}

TEST(PageLinesTest, BlocksCellsAndBreaksEndLines) {
  const struct {
    std::u16string_view page, lines;
  } cases[] = {
      {u"<div>标题</div>正文", u"标题|正文"},
      {u"<div><p>一</p></div>二", u"一|二"},
      {u"<p>a <b>b</b></p><p>c</p>", u"a b|c"},
      {u"a<br>b", u"a|b"},
      {u"<table><tr><td>a</td><td>b</td></tr></table>", u"a|b"},
      {u"<p>  a \n\t b  </p>", u"a b"},
      {u"<span>a</span><span>b</span>", u"ab"},
      {u"<head><title>T</title></head><body>x<script>y</script><style>z</style></body>", u"x"},
      {u"<select><option>a<option>b</select>c<svg><text>d</text></svg>", u"c"},
      {u"", u""},
  };
  PageLines lines;
  for (const auto& test : cases) {
    EXPECT_EQ(LinesOf(test.page, lines), test.lines) << ToUtf8(test.page);
  }
}

TEST(PageLinesTest, LinkUnitsAndSeamsOfALine) {
  PageLines lines;
  ASSERT_EQ(LinesOf(u"<p>see <a href=\"/x\">more news</a> now</p>", lines), u"see more news now");
  // The blank squeezed in before the link's text is the link's.
  EXPECT_EQ(lines.lines[0].link_units, 10u);
  EXPECT_TRUE(lines.AnyLinked(0, 3, 4));
  EXPECT_FALSE(lines.AnyLinked(0, 0, 3));
  EXPECT_FALSE(lines.AnyLinked(0, 13, 17));

  ASSERT_EQ(LinesOf(u"<p><a>by Adnet</a><a>by Adnet</a> <b>x</b></p>", lines),
            u"by Adnetby Adnet x");
  EXPECT_EQ(std::vector<uint32_t>(lines.Seams(0).begin(), lines.Seams(0).end()),
            std::vector<uint32_t>{8});
}

TEST(PageLinesTest, ARangeEndsALineAndStartsInsideItsAncestors) {
  Dom dom;
  // 0 document, 1 <p>, 2 "ab", 3 <a>, 4 "cd", 5 <p>, 6 "ef"
  dom.Parse(u"<p>ab<a href=\"/\">cd</a></p><p>ef</p>");
  PageLines lines;
  const NodeRange ranges[] = {{0, 3}, {4, 7}};
  CollectLines(dom, ranges, lines);
  ASSERT_EQ(lines.lines.size(), 3u);
  EXPECT_EQ(lines.Text(0), u"ab");
  EXPECT_EQ(lines.Text(1), u"cd");
  EXPECT_EQ(lines.lines[1].link_units, 2u);  // inside the <a> the range starts in
  EXPECT_EQ(lines.Text(2), u"ef");
  EXPECT_EQ(lines.LineAt(4), 1u);
  EXPECT_EQ(lines.LineAt(5), 2u);
  EXPECT_EQ(lines.LineAt(7), 3u);
}

}  // namespace
}  // namespace korvane
