// SPDX-License-Identifier: Apache-2.0
#include "convert/convert.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "adversarial_pages.h"
#include "decode/charset.h"
#include "decode/utf8.h"
#include "korvane.h"
#include "pages.h"

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

// Image sources resolve against the page's own URL (a WARC record's
// target, a JSON line's "url"), and against --base-url only without one.
TEST(Convert, ResolvesImagesAgainstThePagesOwnUrlFirst) {
  const std::string page = test_support::ArticlePage("t", {"img/a.jpg"});
  const struct {
    const char* name;
    std::string url;
    std::string base_url;
    nlohmann::json first_url;
  } cases[] = {
      {"own URL and --base-url", "http://page.example/a/b.html", "http://base.example/",
       "http://page.example/a/img/a.jpg"},
      {"--base-url alone", "", "http://base.example/", "http://base.example/img/a.jpg"},
      {"own URL alone", "http://page.example/a/b.html", "", "http://page.example/a/img/a.jpg"},
      {"neither", "", "", nullptr},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    Input input;
    input.source = "page";
    input.url = test.url;
    input.bytes = page;
    const Result result = Convert(std::move(input), {Format::kJsonl, {}, test.base_url});
    const nlohmann::json line = nlohmann::json::parse(result.text);
    ASSERT_EQ(line["images"], nlohmann::json({"img/a.jpg"}));
    EXPECT_EQ(line["image_urls"][0], test.first_url);
  }
}

TEST(Convert, GivesWebUrlsOnlyAndSaysWhenTextWasLeftOut) {
  const std::string page = test_support::ArticlePage(
      "t", {"javascript:alert(1)//.jpg", "data:image/png;base64,AAAA.png", "a.jpg"});
  Input input;
  input.bytes = page;
  const nlohmann::json line = nlohmann::json::parse(
      Convert(std::move(input), {Format::kJsonl, {}, "http://base.example/"}).text);
  EXPECT_EQ(line["image_urls"], nlohmann::json({nullptr, nullptr, "http://base.example/a.jpg"}));
  EXPECT_FALSE(line.contains("truncated"));
  Input longer;
  longer.bytes = page + std::string(korvane::kExaminedUnits, ' ');
  const Result result = Convert(std::move(longer), {Format::kJsonl, {}, {}});
  EXPECT_TRUE(result.truncated);
  EXPECT_EQ(nlohmann::json::parse(result.text)["truncated"], true);
}

}  // namespace
}  // namespace korvane::cli
