// SPDX-License-Identifier: Apache-2.0
#include "decode/charset.h"

#include <gtest/gtest.h>

#include <cctype>

#include "decode/decode.h"
#include "decode/utf8.h"

namespace korvane::cli {
namespace {

TEST(CharsetForLabel, MapsLabelsAsBrowsersDo) {
  const std::pair<const char*, const char*> cases[] = {
      {"gb2312", "gb18030"},
      {" GBK ", "gb18030"},
      {"x-gbk", "gb18030"},
      {"GB18030", "gb18030"},
      {"big5", "big5-hkscs"},
      {"iso-8859-1", "windows-1252"},
      {"latin1", "windows-1252"},
      {"us-ascii", "windows-1252"},
      {"utf8", "utf-8"},
      {"utf-16", "utf-16le"},
      {"shift_jis", "shift_jis"},
      {"euc-kr", "euc-kr"},
      {"koi8-r", "koi8-r"},
      {"windows-31j", "shift_jis"},
      {"ms932", "shift_jis"},
      {"cp932", ""},
      {"iso-2022-jp", "iso-2022-jp"},
      {"hz-gb-2312", "replacement"},
      {"utf-32", ""},
      {"ucs-4", ""},
  };
  for (const auto& [label, name] : cases) {
    SCOPED_TRACE(label);
    const std::optional<Charset> charset = CharsetForLabel(label);
    ASSERT_EQ(charset.has_value(), *name != '\0');
    if (charset) {
      EXPECT_EQ(charset->name, name);
    }
  }
  EXPECT_FALSE(CharsetForLabel("no-such-charset").has_value());
  EXPECT_FALSE(CharsetForLabel("").has_value());
  EXPECT_FALSE(CharsetForLabel("ibm-1047,swaplfnl").has_value()) << "no converter options";
  EXPECT_FALSE(CharsetForLabel("../../tmp/x").has_value()) << "no paths";
}

TEST(CharsetForLabel, TellsWhichCharsetsReadAsciiUnchanged) {
  EXPECT_TRUE(IsAsciiCompatible(*CharsetForLabel("gbk")));
  EXPECT_TRUE(IsAsciiCompatible(*CharsetForLabel("big5")));
  EXPECT_TRUE(IsAsciiCompatible(*CharsetForLabel("windows-31j")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("utf-16le")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("iso-2022-jp")));
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForLabel("hz-gb-2312")));
  EXPECT_FALSE(CharsetForLabel("ibm-037").has_value()) << "not a browser's label";
  EXPECT_FALSE(IsAsciiCompatible(*CharsetForOption("ibm-037")));  // EBCDIC, for --encoding
}

// Every label of the browsers' table, in any case and with white space
// around it, names its encoding; every encoding decodes all bytes, and one
// that reads ASCII unchanged does, controls included.
TEST(CharsetForLabel, KnowsEveryLabelBrowsersKnow) {
  std::string ascii;
  for (int byte = 0; byte < 0x80; ++byte) ascii += static_cast<char>(byte);
  std::string all = ascii;
  for (int byte = 0x80; byte < 0x100; ++byte) all += static_cast<char>(byte);
  EXPECT_GT(BrowserLabels().size(), 200u);
  for (const LabelEntry& entry : BrowserLabels()) {
    SCOPED_TRACE(entry.label);
    std::string shouted = " \t" + std::string(entry.label) + "\n";
    for (char& c : shouted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::optional<Charset> charset = CharsetForLabel(shouted);
    ASSERT_TRUE(charset.has_value());
    EXPECT_EQ(charset->name, entry.name);
    DecodeHints forced;
    forced.forced = charset;
    EXPECT_EQ(Decode(all, forced).error, "");
    if (IsAsciiCompatible(*charset)) {
      EXPECT_TRUE(Decode(ascii, forced).text == FromUtf8(ascii).text);
    }
  }
  for (const char* unknown : {"utf-32", "ucs-4", "utf-7", "cp1252 ", "x-unknown"}) {
    EXPECT_EQ(CharsetForLabel(unknown).has_value(), std::string(unknown) == "cp1252 ") << unknown;
  }
}

}  // namespace
}  // namespace korvane::cli
