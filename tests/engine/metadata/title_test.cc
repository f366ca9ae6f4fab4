// SPDX-License-Identifier: Apache-2.0
#include "metadata/title.h"

#include <gtest/gtest.h>

#include <string>

#include "html/tree.h"

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

TEST(PageTitleTest, EverySeparatorCutsOffTheSite) {
  const std::u16string_view titles[] = {
      u"Storm hits - Herald.com",      u"Storm hits \u2013 Herald.com",
      u"Storm hits \u2014 Herald.com", u"Storm hits | Herald.com",
      u"Storm hits :: Herald.com",     u"Storm hits \u00bb Herald.com",
      u"Storm hits \u00b7 Herald.com", u"Storm hits / Herald.com",
      u"Storm hits_Herald.com",        u"Storm hits|Herald.com",
      u"Storm hits｜Herald.com",       u"Storm hits丨Herald.com",
      u"Storm hits--Herald.com",       u"Storm hits\u2014\u2014Herald.com",
  };
  for (const std::u16string_view title : titles) {
    EXPECT_EQ(WithoutSiteName(title), u"Storm hits")
        << testing::PrintToString(std::u16string(title));
  }
  // A hyphen splits only between Chinese characters, or with blanks around it.
  EXPECT_EQ(WithoutSiteName(u"标题-滨江网"), u"标题");
  EXPECT_EQ(WithoutSiteName(u"标题－滨江网"), u"标题");
  EXPECT_EQ(WithoutSiteName(u"Storm-hit towns"), u"Storm-hit towns");
  EXPECT_EQ(WithoutSiteName(u"2023-11-18"), u"2023-11-18");
}

TEST(PageTitleTest, SiteNamesByTheirWords) {
  const struct {
    std::u16string_view title, cut;
  } cases[] = {
      {u"标题_滨江新闻", u"标题"},      // 新闻
      {u"滨江在线_标题二", u"标题二"},  // 在线 first
      {u"标题_滨江论坛", u"标题"},      // 论坛
      {u"Herald.net | Storm", u"Storm"}, {u"www.herald.example | Storm", u"Storm"},
      {u"Storm | Herald", u"Storm"},     {u"Herald | Storm", u"Herald"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(WithoutSiteName(test.title), test.cut)
        << testing::PrintToString(std::u16string(test.title));
  }
}

TEST(PageTitleTest, ALaterPartOverHalfAgainAsLongIsTheHeadline) {
  EXPECT_EQ(WithoutSiteName(u"Herald | Headlines"), u"Herald");       // 9 units to 6
  EXPECT_EQ(WithoutSiteName(u"Herald | Rain falls"), u"Rain falls");  // 10 to 6
  EXPECT_EQ(WithoutSiteName(u"Herald | Rain | Storms hit"), u"Storms hit");
  EXPECT_EQ(WithoutSiteName(u"HeraldNews | Rains fall here"), u"HeraldNews");         // 15 to 10
  EXPECT_EQ(WithoutSiteName(u"HeraldNews | Rains falls here"), u"Rains falls here");  // 16
}

TEST(PageTitleTest, HeadingsAlikeWithoutCaseBlanksOrPunctuation) {
  EXPECT_EQ(HeadingSimilarity(u"Storm, hits!", u"STORM HITS"), 1.0);
  EXPECT_EQ(HeadingSimilarity(u"", u"Storm"), 0.0);
  EXPECT_EQ(HeadingSimilarity(u"abcd", u"abcdefgh"), 0.75);  // half of it, inside
  EXPECT_EQ(HeadingSimilarity(u"abcd", u"abxy"), 1.0 / 3);   // one pair of three each
}

// Eight parts at most are cut off an og:title's end as the site's, so that
// a title of thousands of parts is read in linear time.
TEST(PageTitleTest, AtMostEightSiteParts) {
  std::u16string og_title = u"Headline";
  std::u16string site;
  for (int i = 1; i <= 10; ++i) {
    std::u16string part = u"p";
    part.push_back(static_cast<char16_t>(u'a' + i));
    og_title.append(u"_").append(part);
    site.append(part);
  }
  EXPECT_EQ(WithoutSiteParts(og_title, site, u"", u""), u"Headline_pb_pc");
}

// The <title> and the <h1>s of the page, not those of its SVG and MathML;
// an <h1> inside another is read as part of it; the first 32 only.
TEST(PageHeadingsTest, TheTitleAndTopHeadingsAreThePagesOwn) {
  std::u16string many_headings;
  for (int i = 0; i < 32; ++i) many_headings += u"<h1>栏目</h1>";
  const struct {
    std::u16string page;
    std::u16string_view title, headline;
    bool from_heading;
  } cases[] = {
      {u"<svg><title>图标</title></svg><title>春雨偏多</title>", u"春雨偏多", u"春雨偏多", false},
      {u"<math><title>公式</title></math><title>春雨偏多</title>", u"春雨偏多", u"春雨偏多", false},
      {u"<svg><foreignObject><h1>徽标</h1></foreignObject></svg><h1>春雨偏多</h1>", u"春雨偏多",
       u"春雨偏多", false},
      {u"<math><mtext><h1>公式</h1></mtext></math><h1>春雨偏多</h1>", u"春雨偏多", u"春雨偏多",
       false},
      {u"<title>春雨偏多</title><h1>专题<div><h1>春雨偏多</h1></div></h1>", u"专题 春雨偏多",
       u"专题 春雨偏多", true},
      {u"<title>春雨偏多</title>" + many_headings + u"<h1>春雨偏多</h1>", u"春雨偏多", u"春雨偏多",
       false},
  };
  for (const auto& test : cases) {
    Dom dom;
    dom.Parse(test.page);
    const PageHeadings headings = ReadHeadings(dom, u"", u"");
    EXPECT_EQ(headings.title, test.title) << test.page.size();
    EXPECT_EQ(headings.headline, test.headline) << test.page.size();
    EXPECT_EQ(headings.headline_node != kNoNode, test.from_heading) << test.page.size();
  }
}

}  // namespace
}  // namespace korvane
