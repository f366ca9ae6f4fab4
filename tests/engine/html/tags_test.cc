// SPDX-License-Identifier: Apache-2.0
#include "html/tags.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

std::u16string Wide(std::string_view name) { return std::u16string(name.begin(), name.end()); }

// Every listed name, of every length up to ten, in either letter case, read
// alone and where a tag's name ends.
TEST(TagsTest, EveryListedNameInAnyCaseGivesItsTag) {
  for (size_t index = 0; index < static_cast<size_t>(Tag::kCount); ++index) {
    const Tag tag = static_cast<Tag>(index);
    const std::string_view name = NameOfTag(tag);
    if (name.empty()) continue;
    std::u16string upper = Wide(name);
    for (char16_t& unit : upper) unit = IsAsciiLetter(unit) ? unit & ~0x20 : unit;
    for (const std::u16string& written : {Wide(name), upper}) {
      for (const std::u16string_view after : {u">x", u" x", u"/x", u"\tx", u"\nx", u""}) {
        const std::u16string page = u"<" + written + std::u16string(after);
        size_t end = 0;
        EXPECT_EQ(ReadTagName(page, 1, end), tag) << name;
        EXPECT_EQ(end, 1 + name.size()) << name;
      }
    }
  }
}

TEST(TagsTest, OtherNamesAreUnknown) {
  const struct {
    std::u16string_view name;
    Tag tag;
  } cases[] = {
      {u"", Tag::kUnknown},
      {u"blockquote", Tag::kBlockquote},
      {u"blockquotes", Tag::kUnknown},  // eleven units
      {u"blockquot", Tag::kUnknown},
      {std::u16string_view(u"p\0", 2), Tag::kUnknown},
      {u"\u0170", Tag::kUnknown},  // "p" in its low byte
      {u"d\u0169v", Tag::kUnknown},
      {u"\u0262p", Tag::kUnknown},  // "b", and "r" where its high byte meets the "p"
      {u"my-el", Tag::kUnknown},
      {u"DiV", Tag::kDiv},
  };
  for (const auto& test : cases) {
    size_t end = 0;
    EXPECT_EQ(ReadTagName(std::u16string(test.name) + u">", 0, end), test.tag)
        << std::string(test.name.begin(), test.name.end());
    EXPECT_EQ(end, test.name.size());
  }
}

}  // namespace
}  // namespace korvane
