#include <gtest/gtest.h>

#include <string>

#include "byline.h"
#include "date_parse.h"
#include "korvane.h"
#include "page_title.h"
#include "utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

TEST(DateParseTest, DatesInTextComeOutAsGiven) {
  const struct {
    std::u16string_view text, iso;
  } cases[] = {
      {u"发布时间：2023-11-18 10:20 来源：本报", u"2023-11-18T10:20"},
      {u"2005年3月21日 11:21", u"2005-03-21T11:21"},
      {u"2004年7月16日08:19", u"2004-07-16T08:19"},
      {u"２００５年０３月２１日", u"2005-03-21"},
      {u"2022.01.20 16:31", u"2022-01-20T16:31"},
      {u"(2006/12/24 03:45:27)", u"2006-12-24T03:45:27"},
      {u"7/5/2005 9:23:57 PM", u"2005-07-05T21:23:57"},
      {u"25/12/2020", u"2020-12-25"},
      {u"Posted November 18, 2023 at 3:05 p.m.", u"2023-11-18T15:05"},
      {u"18 Nov 2023", u"2023-11-18"},
      {u"2019年5月6日下午3时05分", u"2019-05-06T15:05"},
      {u"2023-11-18T10:20:05.123+0800", u"2023-11-18T10:20:05+08:00"},
      {u"2023-02-29 或 2023-13-01 或 2024-02-29", u"2024-02-29"},
      {u"12345-01-02 2005年3月 编号20231118", u""},
  };
  for (const auto& test : cases) {
    const std::optional<DateMatch> match = FindDate(test.text);
    EXPECT_EQ(match ? match->date.Iso() : u"", test.iso) << ToUtf8(test.text);
  }
}

TEST(DateParseTest, ValuesMayBeCompactOrLackTheDay) {
  const struct {
    std::u16string_view value, iso;
  } cases[] = {
      {u"2023-11-18T02:20:00Z", u"2023-11-18T02:20:00Z"},
      {u"Sat, 18 Nov 2023 10:20:00 GMT", u"2023-11-18T10:20:00Z"},
      {u"20231118", u"2023-11-18"},
      {u"1998-3", u"1998-03"},
      {u"L_104485", u""},
      {u"see the archive of 2023-11-18", u""},
  };
  for (const auto& test : cases) {
    const std::optional<Date> date = ParseDateValue(test.value);
    EXPECT_EQ(date ? date->Iso() : u"", test.iso) << ToUtf8(test.value);
  }
}

TEST(BylineTest, NamesAsPrintedWithoutTheirLabels) {
  const struct {
    std::u16string_view line, names;
    BylineKind kind;
  } cases[] = {
      {u"时间：2004年10月21日14:18 作者：郭励弘", u"郭励弘", BylineKind::kAuthor},
      {u"作者:zboygirl 阅读(1660) 评论(5)", u"zboygirl", BylineKind::kAuthor},
      {u"作者： 周思博 (Joel Spolsky)", u"周思博 (Joel Spolsky)", BylineKind::kAuthor},
      {u"发文机关：市人民政府", u"市人民政府", BylineKind::kNamesOnly},
      {u"本贴由大卫于2005年8月12日16:12:21在论坛发表", u"大卫", BylineKind::kAuthor},
      {u"ggjjzhzz 发表于 2005-9-15 11:46:00", u"ggjjzhzz", BylineKind::kAuthor},
      {u"文／钱七", u"钱七", BylineKind::kAuthor},
      {u"By Jane Doe and John Roe | Updated 3 hours ago", u"Jane Doe and John Roe",
       BylineKind::kAuthor},
      {u"光明日报记者 王建宏 张文攀", u"王建宏 张文攀", BylineKind::kReporter},
      {u"本报记者罗科苏盈发自北京", u"罗科苏盈", BylineKind::kReporter},
      {u"新京报记者 彭冲 山东冠县报道", u"彭冲", BylineKind::kReporter},
      {u"记者 刘 涛", u"刘 涛", BylineKind::kReporter},
      {u"来源：新闻晨报 编辑：山石", u"山石", BylineKind::kEditor},
      {u"来源: 尹娟", u"尹娟", BylineKind::kSource},
      {u"拿出10万元投资房产 蔡雪婧/摄", u"蔡雪婧", BylineKind::kPhotographer},
  };
  for (const auto& test : cases) {
    const std::optional<Byline> byline = FindByline(test.line, false);
    ASSERT_TRUE(byline) << ToUtf8(test.line);
    EXPECT_EQ(byline->names, test.names);
    EXPECT_EQ(byline->kind, test.kind);
  }
}

TEST(BylineTest, BareNamesOnlyWhereTheCallerAllowsThemAndProseIsNoByline) {
  EXPECT_EQ(FindByline(u"（姚峰 上海报道）", true)->names, u"姚峰");
  EXPECT_EQ(FindByline(u"赵延东、风笑天", true)->kind, BylineKind::kNamesOnly);
  EXPECT_FALSE(FindByline(u"赵延东、风笑天", false));
  for (const std::u16string_view line :
       {u"孙启勤告诉记者，他仍然在坚持购买彩票。", u"记者获悉，今年的计划已经公布。",
        u"本刊记者经历了近4个小时的车程", u"在线荐稿记者博客联系记者", u"[作者简介] (个人情况保密)",
        u"作者： size=\"20\" 来源：", u"Powered by Discuz! Archiver © 2001-2006",
        u"跳到导航 跳到搜索", u"（完）", u"来源：新华网", u"作者：佚名"}) {
    EXPECT_FALSE(FindByline(line, true)) << ToUtf8(line);
  }
}

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

}  // namespace
}  // namespace korvane
