// SPDX-License-Identifier: Apache-2.0
#include "metadata/title.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

TEST(PageTitleTest, SiteNamesCutOff) {
  const struct {
    std::u16string_view title, cut;
  } cases[] = {
      {u"投身外交(3)_读书频道_新浪网", u"投身外交(3)"},
      {u"Storm hits the coast - Herald", u"Storm hits the coast"},
      {u"Herald | Storm hits the coast tonight", u"Storm hits the coast tonight"},
      {u"海姑娘 | blog.example.com", u"海姑娘"},
      {u"标题-新浪网", u"标题"},
      {u"COVID-19 cases rise", u"COVID-19 cases rise"},
  };
  for (const auto& test : cases) EXPECT_EQ(WithoutSiteName(test.title), test.cut);
  // og:title loses the parts the <title> has around its headline, unless the heading has them.
  EXPECT_EQ(WithoutSiteParts(u"Opinion | Jam Recipe | The Cleaver", u"Opinion |  | The Cleaver",
                             u"", u"Jam Recipe"),
            u"Jam Recipe");
  EXPECT_EQ(WithoutSiteParts(u"Review - a long road", u" - a long road | Site", u"Site",
                             u"Review – a long road"),
            u"Review - a long road");
  EXPECT_EQ(WithoutSiteParts(u"春雨_新浪新闻", u"", u"", u""), u"春雨");
  EXPECT_GT(HeadingSimilarity(u"Storm Hits", u"storm hits — Herald"), 0.5);
  EXPECT_LT(HeadingSimilarity(u"Weather", u"Storm hits the coast"), 0.5);
}

}  // namespace
}  // namespace korvane
