// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"
#include "korvane.h"

namespace korvane {
namespace {

using cli::ToUtf8;

// Paragraphs of text for an article body, written for these tests.
std::u16string Body() {
  std::u16string body;
  for (int i = 0; i < 6; ++i) {
    body +=
        u"<p>本市今年春季的降雨比往年偏多，农业部门提醒农户及时排水，防止作物受涝，同时做好"
        u"病虫害的预防工作。多个乡镇已经组织人员清理沟渠，确保雨水能够尽快排出。</p>";
  }
  return body;
}

std::u16string Times(int count, std::u16string_view block) {
  std::u16string blocks;
  for (int i = 0; i < count; ++i) blocks += block;
  return blocks;
}

// One line of the article, and a short block of a page's furniture.
constexpr std::u16string_view kParagraph =
    u"<p>本市今年春季的降雨比往年偏多，农业部门提醒农户及时排水，防止作物受涝。</p>";
constexpr std::u16string_view kFiller = u"<div>本版导读</div>";

TEST(MetadataTest, DeclaredAndPrintedMetadataOfWholePages) {
  const struct {
    std::u16string head, top, bottom;
    std::u16string_view title, headline, author, published;
  } cases[] = {
      // <meta> tags; a printed dateline on the same day adds the time.
      {u"<title>春雨偏多_新闻网</title><meta property=\"og:title\" content=\"春雨 &amp; 农时\">"
       u"<meta name=\"author\" content=\"张三\"><meta name=\"publishdate\" content=\"2023-11-18\">",
       u"<h1>春雨偏多</h1><div>2023-11-18 10:20 来源：本报</div>", u"", u"春雨 & 农时", u"春雨偏多",
       u"张三", u"2023-11-18T10:20"},
      // JSON-LD: an author list; organisations and comments do not count.
      {u"<title>Rain - Herald</title><script type=\"application/ld+json\">[{\"@type\":"
       u"\"Organization\",\"name\":\"Herald\"},{\"@type\":\"NewsArticle\",\"datePublished\":"
       u"\"2023-11-18T02:20:00Z\",\"author\":[{\"@type\":\"Person\",\"name\":\"Jane "
       u"Doe\"},\"John Roe\"],\"comment\":{\"@type\":\"Comment\",\"author\":\"X\"}}]</script>",
       u"<h1>Rain</h1>", u"", u"Rain", u"Rain", u"Jane Doe, John Roe", u"2023-11-18T02:20:00Z"},
      // Microdata naming several properties; a logo <h1> is no headline.
      {u"<title>Rain | Herald</title><meta itemprop=\"datePublished dateCreated\" "
       u"content=\"2023-11-18T02:20:00.000Z\">",
       u"<h1>Herald</h1><h2>Rain</h2><p>Posted by Jane Doe</p>", u"", u"Rain", u"Rain", u"Jane Doe",
       u"2023-11-18T02:20:00Z"},
      // <time> and an English byline under the headline.
      {u"<title>Spring Rain | Herald</title>",
       u"<h1>Spring Rain</h1><p class=\"byline\">By Jane Doe</p><time datetime=\"2023-11-18\">"
       u"Nov 18</time>",
       u"", u"Spring Rain", u"Spring Rain", u"Jane Doe", u"2023-11-18"},
      // A 2005 table layout: no <h1>, the dateline under a heading like the title.
      {u"<title>春雨偏多 农户抢排水_新浪新闻</title>",
       u"<table><tr><th>春雨偏多 农户抢排水</th></tr><tr><td>http://news.example.com "
       u"2005年03月21日 11:21 《理财周刊》</td></tr></table>",
       u"<p>（记者 王建宏）</p><div>相关新闻 2006-01-01 18:00</div>", u"春雨偏多 农户抢排水",
       u"春雨偏多 农户抢排水", u"王建宏", u"2005-03-21T11:21"},
      // A forum post: the label beats a reporter quoted in the text; a comment's date loses.
      {u"<title>转帖：春雨</title>",
       u"<h1>转帖：春雨</h1><p>作者：小雨点 发表于：2005-07-31 12:30</p><p>本报讯（实习记者 "
       u"樊亮）</p>",
       u"<ul><li><a href=\"/u/1\">回复</a> 2005-08-02 09:00</li></ul>", u"转帖：春雨",
       u"转帖：春雨", u"小雨点", u"2005-07-31T12:30"},
      // Nothing to find.
      {u"", u"", u"", u"", u"", u"", u""},
  };
  for (const auto& test : cases) {
    const std::u16string page = u"<html><head>" + test.head + u"</head><body>" + test.top + Body() +
                                test.bottom + u"</body></html>";
    const Article article = ExtractArticle(page, Algorithm::kDom);
    SCOPED_TRACE(ToUtf8(page));
    EXPECT_EQ(article.title, test.title);
    EXPECT_EQ(article.headline, test.headline);
    EXPECT_EQ(article.author, test.author);
    EXPECT_EQ(article.published, test.published);
    EXPECT_TRUE(ExtractArticle(page, Algorithm::kBlock).author.empty());
  }
}

// What the dom algorithm gives as author and date for a page of `head` and
// `top` above the article.
Article Metadata(std::u16string_view head, std::u16string_view top) {
  return ExtractArticle(u"<html><head><title>春雨偏多</title>" + std::u16string(head) +
                            u"</head><body><h1>春雨偏多</h1>" + std::u16string(top) + Body() +
                            u"</body></html>",
                        Algorithm::kDom);
}

TEST(MetadataTest, ALineOfBareNamesIsABylineUpToFourLinesUnderTheHeadline) {
  std::u16string between;
  for (int lines = 1; lines <= 5; ++lines) {
    EXPECT_EQ(Metadata(u"", between + u"<p>王建宏</p>").author, lines <= 4 ? u"王建宏" : u"")
        << lines;
    between += kFiller;
  }
}

TEST(MetadataTest, MicrodataBeatsAPubdateTimeWhereverItStands) {
  const std::u16string_view time = u"<time pubdate datetime=\"2023-01-02\">1月2日</time>";
  const std::u16string_view meta = u"<span itemprop=\"datePublished\">2023-03-04</span>";
  EXPECT_EQ(Metadata(u"", std::u16string(time) + std::u16string(meta)).published, u"2023-03-04");
  EXPECT_EQ(Metadata(u"", std::u16string(meta) + std::u16string(time)).published, u"2023-03-04");
}

TEST(MetadataTest, ALineOfBareNamesIsABylineAmongTheArticlesLastThreeLines) {
  std::u16string after;
  for (int lines = 0; lines <= 3; ++lines) {
    const Article article = ExtractArticle(
        u"<html><head><title>春雨偏多</title></head><body>"
        u"<h1>春雨偏多</h1>" +
            Body() + u"<p>王建宏</p>" + after + u"</body></html>",
        Algorithm::kDom);
    EXPECT_EQ(article.author, lines <= 2 ? u"王建宏" : u"") << lines;
    after += u"<p>多个乡镇已经组织人员。</p>";
  }
}

TEST(MetadataTest, ALabelCellOfAtMostEightUnitsNamesTheNextCell) {
  const struct {
    std::u16string_view label, author;
  } cases[] = {
      {u"作者：", u"王建宏"},
      {u"特约撰稿人作者：", u"王建宏"},
      {u"特约撰稿人兼作者：", u""},
      {u"特约撰稿人作者", u""},
  };
  // Past the lines under the headline where bare names are a byline.
  const std::u16string above = Times(5, kFiller);
  for (const auto& test : cases) {
    const std::u16string table =
        u"<table><tr><td>" + std::u16string(test.label) + u"</td><td>王建宏</td></tr></table>";
    EXPECT_EQ(Metadata(u"", above + table).author, test.author) << ToUtf8(test.label);
  }
}

// Microdata is read in a window of the article and the blocks around it:
// 120 before it, 80 after.
TEST(MetadataTest, MicrodataIsReadUpTo120BlocksBeforeTheArticleAnd80After) {
  const std::u16string microdata = u"<span itemprop=\"datePublished\">2023-03-04</span>";
  const struct {
    int before, after;
    std::u16string_view published;
  } cases[] = {
      {119, -1, u"2023-03-04"},
      {120, -1, u""},
      {-1, 79, u"2023-03-04"},
      {-1, 80, u""},
  };
  for (const auto& test : cases) {
    const Article article = ExtractArticle(
        u"<html><head><title>春雨偏多</title></head><body>" +
            (test.before >= 0 ? microdata + Times(test.before, kFiller) : u"") +
            u"<div class=\"article\"><h1>春雨偏多</h1>" + Body() + u"</div>" +
            (test.after >= 0 ? Times(test.after, kFiller) + microdata : u"") + u"</body></html>",
        Algorithm::kDom);
    EXPECT_EQ(article.published, test.published) << test.before << " " << test.after;
  }
}

// Unlike microdata, the tags that declare count however far from the article
// they stand (130 blocks before it, 90 after it), in the page's order: of a
// <meta> and microdata of the same rank, the first.
TEST(MetadataTest, DeclaringTagsCountAnywhereOnThePage) {
  const std::u16string_view microdata = u"<span itemprop=\"datePublished\">2023-03-09</span>";
  const struct {
    std::u16string_view before, near, after, author, published;
  } cases[] = {
      {u"<meta name=\"pubdate\" content=\"2023-03-04\">", u"", u"", u"", u"2023-03-04"},
      {u"", u"",
       u"<script type=\"application/ld+json\">{\"@type\":\"NewsArticle\",\"author\":"
       u"\"张三\",\"datePublished\":\"2023-03-05\"}</script>",
       u"张三", u"2023-03-05"},
      {u"", u"", u"<time pubdate datetime=\"2023-03-06\">三月六日</time>", u"", u"2023-03-06"},
      {u"<meta name=\"author\" content=\"李四\">", u"",
       u"<meta name=\"pubdate\" content=\"2023-03-07\">", u"李四", u"2023-03-07"},
      {u"<meta name=\"pubdate\" content=\"2023-03-04\">", microdata, u"", u"", u"2023-03-04"},
      {u"", microdata, u"<meta name=\"pubdate\" content=\"2023-03-04\">", u"", u"2023-03-09"},
  };
  for (const auto& test : cases) {
    const Article article = ExtractArticle(
        u"<html><head><title>春雨偏多</title></head><body>" + std::u16string(test.before) +
            Times(130, kFiller) + std::u16string(test.near) +
            u"<div class=\"article\"><h1>春雨偏多</h1>" + Body() + u"</div>" + Times(90, kFiller) +
            std::u16string(test.after) + u"</body></html>",
        Algorithm::kDom);
    const std::string where = ToUtf8(test.before) + ToUtf8(test.near) + ToUtf8(test.after);
    EXPECT_EQ(article.author, test.author) << where;
    EXPECT_EQ(article.published, test.published) << where;
  }
}

// A page of blocks above an article container, the container and blocks
// below it; the article's paragraphs are one line each.
Article Arranged(std::u16string_view above, std::u16string_view article,
                 std::u16string_view below) {
  return ExtractArticle(u"<html><head><title>春雨偏多</title></head><body>" +
                            std::u16string(above) + u"<div class=\"article\">" +
                            std::u16string(article) + u"</div>" + std::u16string(below) +
                            u"</body></html>",
                        Algorithm::kDom);
}

// A line of `units` units opening with a date, without the commas and full
// stops of prose.
std::u16string DatedLine(size_t units, std::u16string_view date = u"2023-06-18 ") {
  std::u16string line(date);
  while (line.size() < units) line += u"市政府新闻办公室城市建设管理委员会";
  return u"<p>" + line.substr(0, units) + u"</p>";
}

// Where a printed date stands and how long its line is decide whether it is
// the date of publication (six points): under the headline eight, less one
// for every four lines down; three lines above it count as under it; at the
// article's end (up to seven lines after) four; inside the article one. A
// line of up to 80 units adds two, a longer one takes one away, one over 200
// four; a dateline's word ("来源") adds three, a comma or full stop takes
// three away; a label adds five, a time two, a date that is most of its
// line one, a link takes five away. A labelled dateline is found up to 40
// lines from the article.
TEST(MetadataTest, PrintedDatesByWhereTheyStandAndTheirLength) {
  const std::u16string headline = u"<h1>春雨偏多</h1>";
  const std::u16string date = u"<p>2023-06-18</p>";
  const std::u16string labelled = u"<div>发布时间：2023-06-18 10:20</div>";
  const std::u16string article = headline + Times(14, kParagraph);
  const auto under_headline = [&](int line, const std::u16string& dated) {
    return headline + Times(line - 1, kParagraph) + dated + Times(14, kParagraph);
  };
  const struct {
    std::u16string above, article, below;
    std::u16string_view published;
  } cases[] = {
      {u"", under_headline(15, u"<p>2023-06-18 09:30</p>"), u"", u"2023-06-18T09:30"},
      {u"", under_headline(15, u"<p>2023-06-18 09:30 城市建设管理委员会 交通运输局 联合供稿</p>"),
       u"", u""},
      {u"", under_headline(15, date), u"", u""},
      {u"", under_headline(11, date), u"", u"2023-06-18"},
      {u"", under_headline(12, date), u"", u""},
      {u"", under_headline(7, DatedLine(81)), u"", u"2023-06-18"},
      {u"", under_headline(8, DatedLine(81)), u"", u""},
      {u"", under_headline(8, DatedLine(80)), u"", u"2023-06-18"},
      {u"", under_headline(1, DatedLine(200)), u"", u"2023-06-18"},
      {u"", under_headline(1, DatedLine(201)), u"", u""},
      {date + Times(2, kFiller), article, u"", u"2023-06-18"},
      {date + Times(3, kFiller), article, u"", u""},
      {u"", article, Times(7, kFiller) + date, u"2023-06-18"},
      {u"", article, Times(8, kFiller) + date, u""},
      {u"", article, Times(10, kFiller) + u"<p>2023-06-18 09:30</p>", u""},
      {u"", article, Times(10, kFiller) + u"<p>来源：本报新闻中心供稿 2023-06-18</p>", u""},
      {u"", article, Times(10, kFiller) + u"<p>日期：2023-06-18，</p>", u""},
      {u"", article,
       Times(10, kFiller) + u"<p>日期：2023-06-18 10:20，城市建设管理委员会交通运输局</p>",
       u"2023-06-18T10:20"},
      {u"", under_headline(4, u"<p><a href=\"/d\">2023-06-18</a></p>"), u"", u""},
      {u"", under_headline(4, date), u"", u"2023-06-18"},
      {u"", article, Times(39, kFiller) + labelled, u"2023-06-18T10:20"},
      {u"", article, Times(40, kFiller) + labelled, u""},
      {labelled + Times(39, kFiller), article, u"", u"2023-06-18T10:20"},
      {labelled + Times(40, kFiller), article, u"", u""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& test = cases[i];
    EXPECT_EQ(Arranged(test.above, test.article, test.below).published, test.published)
        << "case " << i;
  }
}

// Without an <h1>, the line most alike to the title (more than 0.6 of its
// pairs of units shared), up to 60 lines above the article, stands for the
// headline: a date under it is the dateline. Under the headline a date
// loses at most three points.
TEST(MetadataTest, ALineAlikeToTheTitleStandsForTheHeadline) {
  const std::u16string title = u"春雨偏多农户抢排水各地忙";
  const std::u16string date = u"<div>2023-06-18</div>";
  const auto line = [](std::u16string_view text) {
    return u"<div>" + std::u16string(text) + u"</div>";
  };
  const struct {
    std::u16string above;
    std::u16string_view published;
  } cases[] = {
      // 7 of 12 pairs shared with the title's 11: 14/23.
      {line(u"春雨偏多农户抢排今日天气晴") + date + Times(20, kFiller), u"2023-06-18"},
      // 6 of 9 shared: 12/20, not more than 0.6.
      {line(u"春雨偏多农户抢今日晴") + date + Times(20, kFiller), u""},
      {line(title) + date + Times(58, kFiller), u"2023-06-18"},  // 60 lines above
      {line(title) + date + Times(59, kFiller), u""},
      // 20 lines under the headline, 81 units with a time: 8 - 3 - 1 + 2.
      {line(title) + Times(19, kFiller) + DatedLine(81, u"2023-06-18 10:20 ") + Times(10, kFiller),
       u"2023-06-18T10:20"},
      // The same place, a linked date and time that is its line: 8 - 3 + 2 - 5 + 2 + 1.
      {line(title) + Times(19, kFiller) + line(u"<a href=\"/d\">2023-06-18 10:20</a>") +
           Times(10, kFiller),
       u""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Article article = ExtractArticle(
        u"<html><head><title>" + title + u"</title></head><body>" + cases[i].above +
            u"<div class=\"article\">" + Times(14, kParagraph) + u"</div></body></html>",
        Algorithm::kDom);
    EXPECT_EQ(article.published, cases[i].published) << "case " << i;
  }
}

// The middle of a long article is prose: its lines are not read for
// datelines, only its first 40 blocks and its last 30 (the article's own
// element and its headline counting among the first).
TEST(MetadataTest, OnlyTheStartAndEndOfALongArticleAreReadForDatelines) {
  constexpr std::u16string_view dateline = u"<p>发布时间：2023-06-18 10:20</p>";
  for (const int at : {37, 38, 70, 71}) {
    std::u16string article = u"<h1>春雨偏多</h1>";
    for (int i = 1; i <= 100; ++i) article += i == at ? dateline : kParagraph;
    EXPECT_EQ(Arranged(u"", article, u"").published,
              at == 37 || at == 71 ? u"2023-06-18T10:20" : u"")
        << at;
  }
}

// A byline found in the text needs three points: an editor's line after the
// article has three (its kind's); inside the article, on a line over 200
// units, two (three, two for the place, less three for the length).
TEST(MetadataTest, PrintedBylinesNeedThreePoints) {
  const std::u16string article = u"<h1>春雨偏多</h1>" + Times(14, kParagraph);
  const std::u16string editor = u"<div>责任编辑：王建宏</div>";
  EXPECT_EQ(Arranged(u"", article, Times(10, kFiller) + editor).author, u"王建宏");
  const std::u16string long_editor = u"<div>责任编辑：王建宏 " + Times(50, u"本版导读") + u"</div>";
  EXPECT_EQ(Arranged(u"", article + long_editor + Times(5, kParagraph), u"").author, u"");
  // A reporter's nine, and two inside, less three and six for a line that is
  // all link.
  const std::u16string linked = u"<div><a href=\"/r\">本报记者 王建宏</a></div>";
  EXPECT_EQ(Arranged(u"", article + linked + Times(5, kParagraph), u"").author, u"");
}

}  // namespace
}  // namespace korvane
