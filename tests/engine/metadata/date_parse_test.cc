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
      {u"12345-01-02 2005年3月 编号20231118 7/0/2005 2005-01-00", u""},
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

}  // namespace
}  // namespace korvane
