#include "dom/edges.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvane
