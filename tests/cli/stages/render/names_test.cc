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
