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

}  // namespace
}  // namespace korvane
