// SPDX-License-Identifier: Apache-2.0
#include "dom/boilerplate.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

TEST(DomBoilerplateTest, ShortNoticesGoProseStays) {
  const struct {
    std::u16string_view line;
    bool boilerplate;
  } cases[] = {
      {u"责任编辑：张三", true},  // editor credit
      {u"分享到：", true},        // share to
      {u"上一页 1 2 3 下一页", true},
      {u"Sign up for our newsletter to get the news in your inbox.", true},
      {u"\u00a9 2024 The Valley Herald", true},
      {u"ADVERTISEMENT", true},
      {u"The council voted to sign up more volunteers.", false},
      {u"这份报告分析了版权保护和转载"
       u"规则的变化，认为未来五年内数"
       u"字内容市场将继续扩大，并对创"
       u"作者的收入产生深远的影响。",
       false},  // a long sentence that mentions reposting
      {u"READ MORE", true},
      {u"Click Here to read the whole report", true},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(IsBoilerplateLine(test.line), test.boilerplate)
        << testing::PrintToString(std::u16string(test.line));
  }
}

// A line of `size` units (blanks not counted) holding `phrase`.
std::u16string LineOf(std::u16string_view phrase, size_t size) {
  std::u16string line(phrase);
  size_t units = 0;
  for (const char16_t unit : phrase) units += unit != u' ';
  line += u' ';
  line.append(size - units, u'x');
  return line;
}

TEST(DomBoilerplateTest, PhrasesProseUsesTooMarkLinesUpTo90UnitsNoticesUpTo200) {
  EXPECT_TRUE(IsBoilerplateLine(LineOf(u"read more", 90)));
  EXPECT_FALSE(IsBoilerplateLine(LineOf(u"read more", 91)));
  EXPECT_TRUE(IsBoilerplateLine(LineOf(u"all rights reserved", 200)));
  EXPECT_FALSE(IsBoilerplateLine(LineOf(u"all rights reserved", 201)));
  // Ideographs count three units each: 30 of them are 90.
  const std::u16string chinese = u"转载" + std::u16string(28, u'江');
  EXPECT_TRUE(IsBoilerplateLine(chinese));
  EXPECT_FALSE(IsBoilerplateLine(chinese + u"x"));
}

TEST(DomBoilerplateTest, LinesAreRemovedWholeAndTheRestRejoined) {
  const struct {
    std::u16string_view body, kept;
  } cases[] = {
      {u"one\r\nRead more\r\ntwo", u"one\r\ntwo"},
      {u"Read more\r\none", u"one"},
      {u"one\r\nRead more", u"one"},
      {u"Read more", u""},
      {u"", u""},
      {u"one\r\ntwo", u"one\r\ntwo"},
      {u"a\r\nRead more\r\nb\r\nc", u"a\r\nb\r\nc"},  // kept lines move up, in place
  };
  for (const auto& test : cases) {
    std::u16string body(test.body);
    RemoveBoilerplateLines(body);
    EXPECT_EQ(body, test.kept) << testing::PrintToString(std::u16string(test.body));
  }
}

TEST(DomBoilerplateTest, FooterMarks) {
  const struct {
    std::u16string_view text;
    int marks;
  } cases[] = {
      {u"\u9752ICP\u5907123\u53f7", 2},                                // a registration number
      {u"Copyright \u00a9 2024, all rights reserved", 5},              // three phrases
      {u"\u6d3b\u52a8\u7531\u5e02\u6587\u5316\u5c40\u4e3b\u529e", 1},  // "organised by"
      {u"The council voted on Tuesday.", 0},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(FooterMarks(test.text), test.marks)
        << testing::PrintToString(std::u16string(test.text));
  }
}

}  // namespace
}  // namespace korvane
