// SPDX-License-Identifier: Apache-2.0
#include "render/names.h"

#include <gtest/gtest.h>

#include "decode/utf8.h"

namespace korvane::cli {
namespace {

TEST(EscapedName, EscapesWhatATerminalActsOnAndKeepsNamesApart) {
  const std::pair<std::string, std::string> cases[] = {
      {"pages/新闻 1.html", "pages/新闻 1.html"},
      {"a\\x9B.html", "a\\\\x9B.html"},  // a backslash is doubled
      {"a\x9B"
       "31m.html",
       "a\\x9B31m.html"},  // raw C1 (CSI) byte, not UTF-8
      {"a\xC2\x9B"
       "31m.html",
       "a\\u009B31m.html"},  // U+009B
      {"\x1B[2J\x7F\n.html", "\\x1B[2J\\x7F\\x0A.html"},
      {"evil\xE2\x80\xAEgpj.html", "evil\\u202Egpj.html"},  // right-to-left override
      {"\xE2\x81\xA6x\xE2\x80\x8B", "\\u2066x\\u200B"},     // isolate, zero-width space
      {"\xF3\xA0\x80\x81tag", "\\U000E0001tag"},
      {"\xFF\xFE.html", "\\xFF\\xFE.html"},
      // Default-ignorable code points show nothing: every one is escaped.
      {"soft\u00ADhyphen", "soft\\u00ADhyphen"},
      {"a\u034Fb", "a\\u034Fb"},  // combining grapheme joiner
      {"mongolian\u180E", "mongolian\\u180E"},
      {"\u115F\u1160\u3164\uFFA0", "\\u115F\\u1160\\u3164\\uFFA0"},  // Hangul fillers
      {"emoji\uFE0F\U000E0100", "emoji\\uFE0F\\U000E0100"},          // variation selectors
      {"a\u2064\u2028\u2029b", "a\\u2064\\u2028\\u2029b"},
      {"\U0001BCA0\U0001D173x", "\\U0001BCA0\\U0001D173x"},  // shorthand and musical format
      {"\u0600\u061C\uFFF9", "\\u0600\\u061C\\uFFF9"},
      {"\u00A0ok\u3000", "\u00A0ok\u3000"},  // visible blanks stay
  };
  for (const auto& [name, shown] : cases) {
    EXPECT_EQ(EscapedName(name), shown);
    EXPECT_TRUE(CheckUtf8(EscapedName(name)).valid);
  }
  EXPECT_NE(EscapedName("\xFF"), EscapedName("\xEF\xBF\xBD"));  // the byte, and U+FFFD
  EXPECT_NE(EscapedName("\x9B"), EscapedName("\\x9B"));
}

}  // namespace
}  // namespace korvane::cli
