// SPDX-License-Identifier: Apache-2.0
#include "dom/hints.h"

#include <gtest/gtest.h>

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
      {u"article-comments", -25, true},  // an article's comments are comments
      {u"post-body__recommend--wrap", -25, true},
      {u"article__media", 0, false},    // a weaker word: the article's images
      {u"article comments", 0, false},  // an article word in another name keeps it a candidate
      {u"site-header", 0, true},
      {u"ad top", -25, true},
      {u"header load shadow", 0, true},  // "ad" only as a whole word
      {u"photo", 0, false},              // nor "hot"
      {u"tuijian", -25, true},
      {u"column", 0, false},        // "maybe" alone: neither
      {u"story extra", 25, true},   // positive but not "maybe": still unlikely
      {u"comment main", 0, false},  // "maybe" saves it
      {u"NavBar", -25, true},       // "nav" and "bar", "navbar" whole
      {u"nav_top", -25, true},
      {u"navigate", 0, false},
      {u"tag-cloud tags", -25, false},
      {u"foobar", 0, false},      // "foot" and "bar" are not "foo"
      {u"mainavbar", -25, true},  // "main" and "navbar" overlap: each counts
      {u"xarticlex", 25, false},  // words inside longer ones
      {u"adsense", 0, false},     // "ads" only whole
      {u"replies", -25, true},
      {u"commentary", -25, true},
      {u"mastheadline", -25, false},  // "masthead", not "header"
      {u"textwidget", -25, false},    // "text" and "widget" in one word
      {u"navigationbar", -25, true},
  };
  for (const auto& test : cases) {
    const Hint hint = HintOfNames(test.names);
    EXPECT_EQ(hint.weight, test.weight) << testing::PrintToString(std::u16string(test.names));
    EXPECT_EQ(hint.unlikely, test.unlikely) << testing::PrintToString(std::u16string(test.names));
  }
}

}  // namespace
}  // namespace korvane
