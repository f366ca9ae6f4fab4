// Cuts that fall inside a surrogate pair: the 900,000-unit cap on the part
// of a page that is searched for the article, and the 64-unit headings. The
// engine keeps the half before the cut; the command line writes that half as
// U+FFFD, so that what it writes is always valid UTF-8.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "charset.h"
#include "convert.h"
#include "korvane.h"
#include "utf8.h"

namespace korvane::cli {
namespace {

constexpr size_t kCap = 900'000;
constexpr std::u16string_view kPair = u"\U0001F600";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

std::u16string Dense(size_t units) {
  std::u16string text;
  while (text.size() < units) text += u"\u65b0\u95fb2024";
  text.resize(units);
  return text;
}

// A dense page whose unit at index `at` is the first half of a pair.
std::u16string PairAt(size_t at) {
  std::u16string page = u"<html><head><title>t</title></head><body><p>";
  page += Dense(at - page.size());
  page += kPair;
  return page + Dense(10'000) + u"</p></body></html>";
}

std::u16string HeadingsCutInsideAPair() {
  const std::u16string heading = std::u16string(63, u'a') + std::u16string(kPair);
  return u"<title>" + heading + u"</title><h1>" + heading + u"</h1>";
}

Result Converted(std::u16string_view page, Format format) {
  Input input;
  input.source = "page.html";
  input.bytes = ToUtf8(page);
  return Convert(std::move(input), {format, CharsetForLabel("utf-8"), {}});
}

TEST(CapHardening, TheCapCutsAPairAndTheEngineKeepsTheFirstHalf) {
  const Article article = ExtractArticle(PairAt(kCap - 1));
  ASSERT_FALSE(article.body.empty());
  EXPECT_EQ(article.body.back(), kPair[0]);
  EXPECT_TRUE(ExtractArticle(PairAt(kCap - 2)).body.ends_with(kPair));
}

TEST(CapHardening, HeadingsCutAPairAndTheEngineKeepsTheFirstHalf) {
  const Article article = ExtractArticle(HeadingsCutInsideAPair());
  EXPECT_EQ(article.title, std::u16string(63, u'a') + kPair[0]);
  EXPECT_EQ(article.headline, article.title);
}

TEST(CapHardening, TheCommandLineWritesAHalfPairAsAReplacementCharacter) {
  struct Case {
    const char* name;
    std::u16string page;
  };
  const Case cases[] = {{"pair at the cap", PairAt(kCap - 1)},
                        {"pair at the end of the headings", HeadingsCutInsideAPair()}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const Result record = Converted(test.page, Format::kRecord);
    ASSERT_EQ(record.kind, Input::Kind::kPage);
    EXPECT_TRUE(CheckUtf8(record.text).valid);
    EXPECT_NE(record.text.find(kReplacement), std::string::npos);
    const Result line = Converted(test.page, Format::kJsonl);
    EXPECT_EQ(nlohmann::json::parse(line.text)["record"], record.text);
  }
}

}  // namespace
}  // namespace korvane::cli
