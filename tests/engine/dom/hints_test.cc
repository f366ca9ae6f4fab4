// SPDX-License-Identifier: Apache-2.0
#include "dom/hints.h"

#include <gtest/gtest.h>

#include "dom/boilerplate.h"

namespace korvane {
namespace {

TEST(DomHintsTest, ClassAndIdWords) {
  const struct {
    std::u16string_view names;
    int weight;
    bool unlikely;
  } cases[] = {
      {u"", 0, false},
      {u"article-content", 25, false},
      {u"mainContent", 25, false},
      {u"zhengwen", 25, false},
      {u"comment-list", -25, true},
      {u"pinglun_box", -25, true},
      {u"sidebar right", -25, true},
      {u"article-comments", 0, false},  // an article word keeps it a candidate
      {u"site-header", 0, true},
      {u"ad top", -25, true},
      {u"header load shadow", 0, true},  // "ad" only as a whole word
      {u"photo", 0, false},              // nor "hot"
      {u"tuijian", -25, true},
  };
  for (const auto& test : cases) {
    const Hint hint = HintOfNames(test.names);
    EXPECT_EQ(hint.weight, test.weight) << testing::PrintToString(std::u16string(test.names));
    EXPECT_EQ(hint.unlikely, test.unlikely) << testing::PrintToString(std::u16string(test.names));
  }
}

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
  };
  for (const auto& test : cases) {
    EXPECT_EQ(IsBoilerplateLine(test.line), test.boilerplate)
        << testing::PrintToString(std::u16string(test.line));
  }
  std::u16string body = u"one\r\nRead more\r\ntwo";
  RemoveBoilerplateLines(body);
  EXPECT_EQ(body, u"one\r\ntwo");
}

}  // namespace
}  // namespace korvane
