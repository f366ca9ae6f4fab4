#include "charset.h"

#include <gtest/gtest.h>

namespace korvane::cli {
namespace {

TEST(CharsetForLabel, MapsLabelsAsBrowsersDo) {
  const std::pair<const char*, const char*> cases[] = {
      {"gb2312", "gb18030"},      {" GBK ", "gb18030"},         {"x-gbk", "gb18030"},
      {"GB18030", "gb18030"},     {"big5", "big5-hkscs"},       {"iso-8859-1", "windows-1252"},
      {"latin1", "windows-1252"}, {"us-ascii", "windows-1252"}, {"utf8", "utf-8"},
      {"utf-16", "utf-16le"},     {"shift_jis", "shift_jis"},   {"euc-kr", "euc-kr"},
      {"koi8-r", "koi8-r"},
  };
  for (const auto& [label, name] : cases) {
    SCOPED_TRACE(label);
    const std::optional<Charset> charset = CharsetForLabel(label);
    ASSERT_TRUE(charset.has_value());
    EXPECT_EQ(charset->name, name);
  }
  EXPECT_FALSE(CharsetForLabel("no-such-charset").has_value());
  EXPECT_FALSE(CharsetForLabel("").has_value());
  EXPECT_FALSE(CharsetForLabel("ibm-1047,swaplfnl").has_value()) << "no converter options";
  EXPECT_FALSE(CharsetForLabel("../../tmp/x").has_value()) << "no paths";
}

TEST(CharsetForLabel, TellsWhichCharsetsReadAsciiUnchanged) {
  EXPECT_TRUE(IsAsciiCompatible(*CharsetForLabel("gbk")));
  EXPECT_TRUE(IsAsciiCompatible(*CharsetForLabel("big5")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("utf-16le")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("hz-gb-2312")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("ibm-037")));  // EBCDIC
}

}  // namespace
}  // namespace korvane::cli
