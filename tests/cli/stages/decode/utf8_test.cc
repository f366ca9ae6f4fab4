// SPDX-License-Identifier: Apache-2.0
#include "decode/utf8.h"

#include <gtest/gtest.h>

namespace korvane::cli {
namespace {

TEST(CheckUtf8, TellsWellFormedBytesFromTheRest) {
  const struct {
    const char* name;
    std::string bytes;
    bool valid;
    bool multibyte;
  } cases[] = {
      {"empty", "", true, false},
      {"ASCII", "<p>plain</p>", true, false},
      {"two, three and four bytes", "\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80", true, true},
      {"a lone 0x80", "\x80", false, false},
      {"a lone 0x80 among ASCII", "a\x80z", false, false},
      {"a lead byte without its tail", "\xE4\xB8", false, false},
      {"an overlong slash", "\xC0\xAF", false, false},
      {"a surrogate", "\xED\xA0\x80", false, false},
      {"past U+10FFFF", "\xF4\x90\x80\x80", false, false},
      {"0xFF", "\xFF", false, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Utf8Check check = CheckUtf8(test.bytes);
    EXPECT_EQ(check.valid, test.valid);
    EXPECT_EQ(check.multibyte, test.multibyte);
  }
}

TEST(FromUtf8, ReplacesEachInvalidSequenceAndCountsIt) {
  const Decoded decoded = FromUtf8("a\x80z\xE4\xB8\xAD\xFF");
  EXPECT_EQ(decoded.text, u"a\uFFFDz\u4E2D\uFFFD");
  EXPECT_EQ(decoded.replaced, 2);
}

}  // namespace
}  // namespace korvane::cli
