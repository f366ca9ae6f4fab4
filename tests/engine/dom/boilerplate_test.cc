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
      {u"\u8d23\u4efb\u7f16\u8f91\uff1a\u5f20\u4e09", true},  // editor credit
      {u"\u5206\u4eab\u5230\uff1a", true},                    // share to
      {u"\u4e0a\u4e00\u9875 1 2 3 \u4e0b\u4e00\u9875", true},
      {u"Sign up for our newsletter to get the news in your inbox.", true},
      {u"\u00a9 2024 The Valley Herald", true},
      {u"ADVERTISEMENT", true},
      {u"The council voted to sign up more volunteers.", false},
      {u"\u8fd9\u4efd\u62a5\u544a\u5206\u6790\u4e86\u7248\u6743\u4fdd\u62a4\u548c\u8f6c\u8f7d"
       u"\u89c4\u5219\u7684\u53d8\u5316\uff0c\u8ba4\u4e3a\u672a\u6765\u4e94\u5e74\u5185\u6570"
       u"\u5b57\u5185\u5bb9\u5e02\u573a\u5c06\u7ee7\u7eed\u6269\u5927\uff0c\u5e76\u5bf9\u521b"
       u"\u4f5c\u8005\u7684\u6536\u5165\u4ea7\u751f\u6df1\u8fdc\u7684\u5f71\u54cd\u3002",
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
  const std::u16string chinese = u"\u8f6c\u8f7d" + std::u16string(28, u'\u6c5f');
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
  };
  for (const auto& test : cases) {
    std::u16string body(test.body);
    RemoveBoilerplateLines(body);
    EXPECT_EQ(body, test.kept) << testing::PrintToString(std::u16string(test.body));
  }
}

}  // namespace
}  // namespace korvane
