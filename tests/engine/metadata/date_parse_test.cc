// SPDX-License-Identifier: Apache-2.0
#include "metadata/date_parse.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"

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
      {u"12345-01-02 02023-01-02 2005年3月 编号20231118 7/0/2005 2005-01-00", u""},
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

std::u16string InText(std::u16string_view text) {
  const std::optional<DateMatch> match = FindDate(text);
  return match ? match->date.Iso() : u"";
}

struct Case {
  std::u16string_view text, iso;
};

void ExpectInText(std::initializer_list<Case> cases) {
  for (const Case& test : cases) EXPECT_EQ(InText(test.text), test.iso) << ToUtf8(test.text);
}

TEST(DateParseTest, SlashedDatesReadMonthFirstUnlessTheFirstNumberIsOverTwelve) {
  ExpectInText({
      {u"12/05/2023", u"2023-12-05"},
      {u"13/05/2023", u"2023-05-13"},
      {u"05/12/2023", u"2023-05-12"},
      {u"05/13/2023", u"2023-05-13"},
      {u"12/13/2023", u"2023-12-13"},
      {u"13/12/2023", u"2023-12-13"},
      {u"12/12/2023", u"2023-12-12"},
      {u"13/13/2023", u""},
      {u"00/05/2023", u""},
      {u"1/2/2023", u"2023-01-02"},
      {u"31/1/2023", u"2023-01-31"},
      {u"1/31/23", u""},
  });
}

TEST(DateParseTest, CalendarLimits) {
  ExpectInText({
      {u"2024-02-29", u"2024-02-29"},
      {u"2023-02-29", u""},
      {u"2000-02-29", u"2000-02-29"},
      {u"1900-02-29", u""},
      {u"2023-02-28", u"2023-02-28"},
      {u"2023-04-30", u"2023-04-30"},
      {u"2023-04-31", u""},
      {u"2023-12-31", u"2023-12-31"},
      {u"2023-13-01", u""},
      {u"2023-00-10", u""},
      {u"1900-01-01", u"1900-01-01"},
      {u"1899-12-31", u""},
      {u"2099-12-31", u"2099-12-31"},
      {u"2100-01-01", u""},
      {u"2023年11月18号", u"2023-11-18"},
      {u"2023 年 11 月 18 日", u"2023-11-18"},
      {u"2023年11月18", u"2023-11-18"},
      {u"2023年11月18天", u""},
      {u"2023／11／18", u"2023-11-18"},
      {u"2023-11/18", u""},
      {u"Nov 18th, 2023", u"2023-11-18"},
      {u"Sept. 5 2023", u"2023-09-05"},
      {u"Sep 5, 2023", u"2023-09-05"},
      {u"June 5, 2023", u"2023-06-05"},
      {u"Ju 5, 2023", u""},
      {u"Mayday 5, 2023", u""},
      {u"5 March, 2023", u"2023-03-05"},
  });
}

TEST(DateParseTest, TimesWithinTheirLimits) {
  ExpectInText({
      {u"2023-11-18 23:59", u"2023-11-18T23:59"},
      {u"2023-11-18 24:00", u"2023-11-18"},
      {u"2023-11-18 10:60", u"2023-11-18"},
      {u"2023-11-18 10:20:59", u"2023-11-18T10:20:59"},
      {u"2023-11-18 10:20:60", u"2023-11-18"},
      {u"2023-11-18 9:05", u"2023-11-18T09:05"},
      {u"2023-11-18 10:5", u"2023-11-18"},
      {u"2023-11-18    10:20", u"2023-11-18T10:20"},
      {u"2023-11-18     10:20", u"2023-11-18"},
      {u"2023-11-18T10:20", u"2023-11-18T10:20"},
      {u"11/18/2023 12:05 AM", u"2023-11-18T00:05"},
      {u"11/18/2023 12:05 PM", u"2023-11-18T12:05"},
      {u"11/18/2023 1:05 pm", u"2023-11-18T13:05"},
      {u"11/18/2023 13:05 PM", u"2023-11-18"},
      {u"11/18/2023 0:05 AM", u"2023-11-18"},
      {u"November 18, 2023 at 9:05 a.m.", u"2023-11-18T09:05"},
      {u"2023-11-18 10:20 amber", u"2023-11-18T10:20"},
      {u"2023年11月18日下午3:05", u"2023-11-18T15:05"},
      {u"2023年11月18日上午11:05", u"2023-11-18T11:05"},
      {u"2023年11月18日晚上8点30分", u"2023-11-18T20:30"},
      {u"2023年11月18日 8时30分15秒", u"2023-11-18T08:30:15"},
      {u"2023年11月18日 8时30", u"2023-11-18"},
      {u"2023-11-18 10:20：05", u"2023-11-18T10:20:05"},
  });
}

TEST(DateParseTest, ZonesAfterTheTime) {
  ExpectInText({
      {u"2023-11-18T10:20Z", u"2023-11-18T10:20Z"},
      {u"2023-11-18T10:20+08:00", u"2023-11-18T10:20+08:00"},
      {u"2023-11-18T10:20-0530", u"2023-11-18T10:20-05:30"},
      {u"2023-11-18T10:20+08", u"2023-11-18T10:20+08:00"},
      {u"2023-11-18T10:20+14:00", u"2023-11-18T10:20+14:00"},
      {u"2023-11-18T10:20+15:00", u"2023-11-18T10:20"},
      {u"2023-11-18T10:20+08:60", u"2023-11-18T10:20"},
      {u"2023-11-18 10:20 GMT", u"2023-11-18T10:20Z"},
      {u"2023-11-18 10:20 UTC+8", u"2023-11-18T10:20+08:00"},
      {u"2023-11-18 10:20 GMT+0000", u"2023-11-18T10:20Z"},
      {u"2023-11-18 10:20 Zulu", u"2023-11-18T10:20"},
  });
}

TEST(DateParseTest, AValueDateStartsWithinItsFirst16Units) {
  const std::u16string date = u"2023-11-18";
  EXPECT_EQ(ParseDateValue(std::u16string(16, u'x') + date)->Iso(), date);
  EXPECT_FALSE(ParseDateValue(std::u16string(17, u'x') + date));
  const struct {
    std::u16string_view value, iso;
  } cases[] = {
      {u"2023-11", u"2023-11"}, {u"2023年11月", u"2023-11"},
      {u"2023-13", u""},        {u"20231130", u"2023-11-30"},
      {u"20231131", u""},       {u"Sat, 18 Nov 2023", u"2023-11-18"},
  };
  for (const auto& test : cases) {
    const std::optional<Date> parsed = ParseDateValue(test.value);
    EXPECT_EQ(parsed ? parsed->Iso() : u"", test.iso) << ToUtf8(test.value);
  }
}

TEST(DateParseTest, LaterDatesAreFoundFromAnOffset) {
  const std::u16string_view text = u"2023-11-18 更新于 2023-11-19 08:00";
  const std::optional<DateMatch> first = FindDate(text);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->begin, 0u);
  EXPECT_EQ(first->end, 10u);
  const std::optional<DateMatch> second = FindDate(text, first->end);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->date.Iso(), u"2023-11-19T08:00");
  EXPECT_EQ(second->end, text.size());
}

}  // namespace
}  // namespace korvane
