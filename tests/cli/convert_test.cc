#include "convert.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "adversarial_pages.h"
#include "charset.h"
#include "utf8.h"

namespace korvane::cli {
namespace {

Result Converted(std::u16string_view page, Format format) {
  Input input;
  input.source = "page.html";
  input.bytes = ToUtf8(page);
  return Convert(std::move(input), {format, CharsetForLabel("utf-8"), {}});
}

// The 900,000-unit cap and the 64-unit headings may cut a surrogate pair;
// the engine keeps the half before the cut, and what the command line writes
// is valid UTF-8 all the same, with U+FFFD for that half.
TEST(Convert, WritesAHalfPairAsAReplacementCharacter) {
  const std::u16string heading = std::u16string(63, u'a') + u"\U0001F600";
  const struct {
    const char* name;
    std::u16string page;
  } cases[] = {
      {"pair at the cap", test_support::DensePageWithPairAt(899'999, 910'000)},
      {"pair at the end of the headings",
       u"<title>" + heading + u"</title><h1>" + heading + u"</h1>"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const Result record = Converted(test.page, Format::kRecord);
    ASSERT_EQ(record.kind, Input::Kind::kPage);
    EXPECT_TRUE(CheckUtf8(record.text).valid);
    EXPECT_NE(record.text.find("\xEF\xBF\xBD"), std::string::npos);
    const Result line = Converted(test.page, Format::kJsonl);
    EXPECT_EQ(nlohmann::json::parse(line.text)["record"], record.text);
  }
}

}  // namespace
}  // namespace korvane::cli
