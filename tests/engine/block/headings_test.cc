// SPDX-License-Identifier: Apache-2.0
#include "block/headings.h"

#include <gtest/gtest.h>

#include "block/lower_case.h"
#include "korvane.h"

namespace korvane {
namespace {

struct Case {
  std::u16string_view html, body, title, headline;
};

class ExtractHeadingsTest : public testing::TestWithParam<Case> {};

TEST_P(ExtractHeadingsTest, TakesTitleAndFirstHeading) {
  const Case& test = GetParam();
  const std::u16string lower = LowerCase(test.html);
  const Headings headings = ExtractHeadings(Page{test.html, lower}, test.body);
  EXPECT_EQ(headings.title, test.title);
  EXPECT_EQ(headings.headline, test.headline);
}

INSTANTIATE_TEST_SUITE_P(
    Elements, ExtractHeadingsTest,
    testing::Values(Case{u"<p>nothing</p>", u"", u"", u""},
                    Case{u"<TITLE>NBA Finals</TITLE>", u"", u"nba finals", u""},
                    Case{u"<title id=x>Storm</title><H1 class=x>Big <b>Storm</b></H1>", u"",
                         u"storm", u"bigstorm"},
                    Case{u"<title></title><h1>x</h1>", u"", u"", u"x"},
                    Case{u"<title>a<h1>head</h1>", u"", u"", u"head"},
                    Case{u"<title", u"", u"", u""},
                    Case{u"<title>  spaced\u3000 </title>", u"", u"spaced\u3000", u""},
                    Case{u"<title>\uFF2E\uFF22\uFF21 \uFF11</title>", u"", u"nba 1", u""},
                    Case{u"<title>a &amp; b &lt;c&gt;</title>", u"", u"a b", u""},
                    Case{u"<h1></h1><title>t</title>", u"t", u"t", u""},
                    Case{u"<h1></h1><h1>later</h1>", u"", u"", u""},
                    Case{u"<titlebar>x</title>", u"", u"x", u""}));

INSTANTIATE_TEST_SUITE_P(
    Limits, ExtractHeadingsTest,
    testing::Values(
        Case{u"<title>0123456789012345678901234567890123456789012345678901234567890123456789"
             u"0123456789</title>",
             u"", u"0123456789012345678901234567890123456789012345678901234567890123", u""},
        // The cut comes after trimming and may end in a space.
        Case{u"<title>   012345678901234567890123456789012345678901234567890123456789012 "
             u"45</title>",
             u"", u"012345678901234567890123456789012345678901234567890123456789012 ", u""}));

// Without h1 text the headline keeps the title's units that belong to a
// two-unit piece occurring in the body.
INSTANTIATE_TEST_SUITE_P(
    Fallback, ExtractHeadingsTest,
    testing::Values(Case{u"<title>abcde</title>", u"xxabyyde", u"abcde", u"abde"},
                    Case{u"<title>Flood warning | City Daily</title>",
                         u"\r\nflood warning issued\r\n", u"flood warning | city daily",
                         u"flood warning "},
                    Case{u"<title>a</title>", u"a", u"a", u""},
                    Case{u"<title>abc</title><h1> </h1>", u"abc", u"abc", u"abc"},
                    Case{u"<title>abab</title>", u"ba", u"abab", u"ba"},
                    Case{u"<title>\u65b0\u95fb\u6807\u9898_\u7f51\u7ad9</title>",
                         u"\u65b0\u95fb\u6807\u9898\u6b63\u6587",
                         u"\u65b0\u95fb\u6807\u9898_\u7f51\u7ad9", u"\u65b0\u95fb\u6807\u9898"}));

// Title and headline are cut to their first 64 units.
TEST(ExtractHeadingsTest, TheRecordHoldsSixtyFourUnitsOfEachHeading) {
  const std::u16string digits = u"0123456789012345678901234567890123456789012345678901234567890123";
  const std::u16string letters =
      u"abcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcdefghijabcd";
  const std::u16string page = u"<title>" + digits + u"4</title><h1>" + letters + u"e</h1>";
  EXPECT_EQ(HtmlToText(page), u"[[ht=" + digits + u"]]\r\n[[ha=" + letters + u"]]\r\n[[txt]]\r\n");
}

// The 64-unit cut may fall inside a surrogate pair: the engine keeps the half
// before it (the command line writes that half as U+FFFD).
TEST(ExtractHeadingsTest, TheCutMayFallInsideAPair) {
  const std::u16string heading = std::u16string(63, u'a') + u"\U0001F600";
  const Article article =
      ExtractArticle(u"<title>" + heading + u"</title><h1>" + heading + u"</h1>");
  EXPECT_EQ(article.title, heading.substr(0, 64));
  EXPECT_EQ(article.headline, article.title);
}

}  // namespace
}  // namespace korvane
