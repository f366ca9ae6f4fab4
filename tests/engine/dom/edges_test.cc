// SPDX-License-Identifier: Apache-2.0
#include "dom/edges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace korvane {
namespace {

TEST(EdgeLinesTest, KindsOfLines) {
  const std::u16string long_notice =
      u"Notice: the letters above were sent in by readers of the forum, who alone answer for "
      u"them; the forum keeps them and checks nothing that its readers send, so write to them.";
  const std::u16string long_prose =
      u"The museum's lawyers argued that the copyright of the photographs had expired long "
      u"ago, and the judge agreed with them after a short hearing on Monday.";
  const struct {
    std::u16string_view line;
    EdgeLine kind;
  } cases[] = {
      {u"Updated 7:45 am, Friday, March 3, 2023", EdgeLine::kDateline},
      {u"发表于 2006年5月8日 18:05 - (阅读:512)", EdgeLine::kDateline},
      {u"2023-11-18 10:20 青禾日报", EdgeLine::kDateline},
      {u"2023年11月", EdgeLine::kOther},  // no time: the date of an issue
      {u"By Jane Doe", EdgeLine::kCredit},
      {u"By: Jane Doe", EdgeLine::kCredit},
      {u"（编辑：王晓）", EdgeLine::kCredit},
      {u"来源：滨江日报", EdgeLine::kCredit},
      {u"Maria Lind contributed reporting from the coast.", EdgeLine::kCredit},
      {u"Follow us on Twitter", EdgeLine::kNotice},
      {u"Want more news like this? Sign up for The Morning Valley and the free "
       u"newsletter reaches your inbox every weekday.",
       EdgeLine::kNotice},  // two phrases make a longer line a notice
      {u"Comments", EdgeLine::kNotice},
      {u"关注公众号：青禾财经", EdgeLine::kNotice},
      {long_notice, EdgeLine::kNotice},
      {long_prose, EdgeLine::kProse},                            // a notice word inside prose
      {u"Nearby rivers rose. Roads closed.", EdgeLine::kOther},  // too short to be the article
  };
  for (const auto& test : cases) {
    EXPECT_EQ(ClassifyEdgeLine(test.line), test.kind)
        << testing::PrintToString(std::u16string(test.line));
  }
}

TEST(EdgeLinesTest, TrimsEachEdgeUpToProse) {
  const std::u16string prose =
      u"The council met on Tuesday evening, and after a long debate it agreed to repair the "
      u"old stone bridge before the first frost of the winter.";
  std::u16string body = u"By Jane Doe\r\nBridge to be repaired\r\n" + prose +
                        u"\r\nBy the river\r\n" + prose + u"\r\nComments\r\nDisclaimer:\r\n" +
                        prose;
  TrimEdges(body);
  EXPECT_EQ(body, u"Bridge to be repaired\r\n" + prose + u"\r\nBy the river\r\n" + prose);
}

TEST(EdgeLinesTest, TrimsANoteOnTheAuthorAtTheVeryEnd) {
  const std::u16string prose =
      u"The council met on Tuesday evening, and after a long debate it agreed to repair the "
      u"old stone bridge before the first frost of the winter.";
  const std::u16string zh = u"本市今年春季的降雨比往年偏多，农业部门提醒农户及时排水。";
  const std::u16string bio = u"Jane Doe grew up by the river and has written about it since 2010.";
  const std::u16string long_bio = bio + u" " + prose + u" " + prose + u" " + prose;
  const struct {
    std::u16string_view author;
    std::u16string body, kept;
  } cases[] = {
      {u"Jane Doe", prose + u"\r\n" + bio, prose},
      {u"JANE DOE", prose + u"\r\n" + bio, prose},
      {u"Jane Doe", prose + u"\r\n" + bio + u"\r\n" + prose,
       prose + u"\r\n" + bio + u"\r\n" + prose},
      {u"Jane Doe", prose + u"\r\n" + long_bio, prose + u"\r\n" + long_bio},
      {u"Jane Doe", prose + u"\r\nJane Doeville lies upstream.",
       prose + u"\r\nJane Doeville lies upstream."},
      {u"Jane Doe", prose + u"\r\nJane Doe", prose + u"\r\nJane Doe"},
      {u"Jane Doe", bio, bio},
      {u"Jane Doe", prose + u"\r\nJane Doe\u5728\u6cb3\u8fb9\u3002",
       prose + u"\r\nJane Doe\u5728\u6cb3\u8fb9\u3002"},
      {u"Jane Doe and John Roe", prose + u"\r\n" + bio + u"\r\nJohn Roe takes the pictures.",
       prose},
      {u"", prose + u"\r\nAbout the author:\r\nJane teaches at the river school.", prose},
      {u"", prose + u"\r\nAbout the Author Jane teaches at the river school.", prose},
      {u"", prose + u"\r\nAbout the authority, little is known.",
       prose + u"\r\nAbout the authority, little is known."},
      {u"", prose + u"\r\n" + bio, prose + u"\r\n" + bio},
      {u"王五", zh + u"\r\n王五，滨江日报记者，长期关注教育。", zh},
      {u"王五 赵六", zh + u"\r\n赵六（滨江大学教授）", zh},
      {u"王五", zh + u"\r\n王五五来到了河边。", zh + u"\r\n王五五来到了河边。"},
      {u"", zh + u"\r\n作者简介\r\n王五，滨江日报记者。", zh},
  };
  for (const auto& test : cases) {
    std::u16string body = test.body;
    TrimAuthorNote(body, test.author);
    EXPECT_EQ(body, test.kept) << testing::PrintToString(test.body);
  }
}

// `opening`, then letters, then `ending`: a line that weighs `weight` (a
// letter or a mark counts one, a blank none).
std::u16string Weighing(size_t weight, std::u16string_view opening,
                        std::u16string_view ending = u"") {
  std::u16string line(opening);
  const auto counted = [](std::u16string_view text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char16_t unit) { return unit != u' '; }));
  };
  line.append(weight - counted(opening) - counted(ending), u'x');
  line.append(ending);
  return line;
}

TEST(EdgeLinesTest, ANoteOnTheAuthorWeighsAtMost300) {
  const std::u16string prose =
      u"The council met on Tuesday evening, and after a long debate it agreed to repair the "
      u"old stone bridge before the first frost of the winter.";
  for (const size_t weight : {300, 301}) {
    const std::u16string body = prose + u"\r\n" + Weighing(weight, u"Jane Doe ");
    std::u16string trimmed = body;
    TrimAuthorNote(trimmed, u"Jane Doe");
    EXPECT_EQ(trimmed, weight <= 300 ? prose : body) << weight;
  }
}

TEST(EdgeLinesTest, LengthsThatDecideAKind) {
  const struct {
    std::u16string line;
    EdgeLine kind;
  } cases[] = {
      {Weighing(60, u"", u"."), EdgeLine::kProse},  // prose from 60
      {Weighing(59, u"", u"."), EdgeLine::kOther},
      {Weighing(120, u"2023-11-18 10:20 "), EdgeLine::kDateline},  // a dated line up to 120
      {Weighing(121, u"2023-11-18 10:20 "), EdgeLine::kOther},
      {Weighing(150, u"Updated "), EdgeLine::kDateline},  // a labelled one up to 150
      {Weighing(151, u"Updated "), EdgeLine::kOther},
      {Weighing(150, u"By "), EdgeLine::kCredit},  // a credit by its opening up to 150
      {Weighing(151, u"By "), EdgeLine::kOther},
      {Weighing(300, u"Maria Lind contributed reporting ", u"."), EdgeLine::kCredit},  // 300
      {Weighing(301, u"Maria Lind contributed reporting ", u"."), EdgeLine::kProse},
      {Weighing(90, u"Subscribe "), EdgeLine::kNotice},  // one phrase up to 90
      {Weighing(91, u"Subscribe "), EdgeLine::kOther},
      {Weighing(600, u"All rights reserved "), EdgeLine::kNotice},  // opening it, up to 600
      {Weighing(601, u"All rights reserved "), EdgeLine::kOther},
      {Weighing(200, u"xxxxxxxxxxxxAll rights reserved "), EdgeLine::kNotice},  // at unit 12
      {Weighing(200, u"xxxxxxxxxxxxxAll rights reserved "), EdgeLine::kOther},  // at 13
  };
  for (const auto& test : cases) {
    EXPECT_EQ(ClassifyEdgeLine(test.line), test.kind) << testing::PrintToString(test.line);
  }
}

// Each edge is read into past a few lines that are neither boilerplate nor
// prose (six at the top, eight at the bottom); a labelled dateline goes
// from the first three lines whatever stands before it.
TEST(EdgeLinesTest, HowFarEachEdgeIsRead) {
  const std::u16string prose =
      u"The council met on Tuesday evening, and after a long debate it agreed to repair the "
      u"old stone bridge before the first frost of the winter.";
  const auto others = [](size_t count) {
    std::u16string lines;
    for (size_t i = 0; i < count; ++i) lines += u"Section " + std::u16string(1, u'A' + i) + u"\r\n";
    return lines;
  };
  const auto trimmed = [](std::u16string body) {
    TrimEdges(body);
    return body;
  };
  EXPECT_EQ(trimmed(others(5) + u"By Jane Doe\r\n" + prose), others(5) + prose);
  EXPECT_EQ(trimmed(others(6) + u"By Jane Doe\r\n" + prose),
            others(6) + u"By Jane Doe\r\n" + prose);
  const std::u16string tail7 = others(7).substr(0, others(7).size() - 2);
  const std::u16string tail8 = others(8).substr(0, others(8).size() - 2);
  EXPECT_EQ(trimmed(prose + u"\r\nBy Jane Doe\r\n" + tail7), prose + u"\r\n" + tail7);
  EXPECT_EQ(trimmed(prose + u"\r\nBy Jane Doe\r\n" + tail8),
            prose + u"\r\nBy Jane Doe\r\n" + tail8);
  const std::u16string dateline = u"Updated 7:45 am, Friday, March 3, 2023";
  EXPECT_EQ(trimmed(prose + u"\r\n" + prose + u"\r\n" + dateline + u"\r\n" + prose),
            prose + u"\r\n" + prose + u"\r\n" + prose);
  const std::u16string fourth =
      prose + u"\r\n" + prose + u"\r\n" + prose + u"\r\n" + dateline + u"\r\n" + prose;
  EXPECT_EQ(trimmed(fourth), fourth);
}

// A notice heading among the last twelve lines is cut with what follows it.
TEST(EdgeLinesTest, NoticeSectionAmongTheLastTwelveLines) {
  std::u16string article;
  for (int i = 0; i < 8; ++i) {
    article +=
        u"The council met on Tuesday evening, and after a long debate it agreed to repair "
        u"the old stone bridge before the first frost of the winter.\r\n";
  }
  const auto section = [&](size_t lines_after) {
    std::u16string body = article + u"Disclaimer:";
    for (size_t i = 0; i < lines_after; ++i) body += u"\r\nItem " + std::u16string(1, u'A' + i);
    return body;
  };
  std::u16string within = section(11);
  TrimEdges(within);
  EXPECT_EQ(within, article.substr(0, article.size() - 2));
  std::u16string beyond = section(12);
  TrimEdges(beyond);
  EXPECT_NE(beyond.find(u"Disclaimer:"), std::u16string::npos);
}

}  // namespace
}  // namespace korvane
