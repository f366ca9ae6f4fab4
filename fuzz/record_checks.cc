// SPDX-License-Identifier: Apache-2.0
#include "record_checks.h"

#include "block/lower_case.h"
#include "fuzz_support.h"
#include "korvane.h"

namespace korvane::fuzz {
namespace {

constexpr size_t kNone = std::u16string_view::npos;

bool IsLowerCase(std::u16string_view text) { return LowerCase(text) == text; }

// Lines end in CR LF, none is empty, and no markup or tab is left.
void CheckBody(std::u16string_view body) {
  Require(body.find_first_of(u"<>\t") == kNone, "the body holds no '<', '>' or tab");
  Require(body.find(u"  ") == kNone, "the body holds no two spaces in a row");
  Require(body.find(u"\r\n\r\n") == kNone, "the body holds no empty line");
  for (size_t at = 0; at < body.size(); ++at) {
    if (body[at] == u'\r') {
      Require(at + 1 < body.size() && body[at + 1] == u'\n', "a CR in the body ends a line");
    } else if (body[at] == u'\n') {
      Require(at > 0 && body[at - 1] == u'\r', "an LF in the body follows a CR");
    }
  }
  Require(IsLowerCase(body), "the body is in lower case");
}

void CheckHeading(std::u16string_view heading) {
  Require(heading.size() <= 64, "a heading has at most 64 units");
  Require(heading.find_first_of(u"<>\t") == kNone, "a heading holds no '<', '>' or tab");
  Require(IsLowerCase(heading), "a heading is in lower case");
}

// Sources are cut at the first space, lose their quotes, and keep only
// those that name no GIF and have a "." among their last five units.
void CheckImage(std::u16string_view source) {
  Require(!source.empty(), "an image source is not empty");
  Require(source.find_first_of(u" \"'") == kNone, "an image source holds no space or quote");
  Require(LowerCase(source).find(u".gif") == kNone, "an image source names no GIF");
  const size_t tail = source.size() > 5 ? source.size() - 5 : 0;
  Require(source.find(u'.', tail) != kNone, "an image source has a '.' near its end");
}

void CheckArticle(const Article& article) {
  CheckBody(article.body);
  CheckHeading(article.title);
  CheckHeading(article.headline);
  std::u16string lines;
  for (const std::u16string& source : article.images) {
    CheckImage(source);
    lines.append(u"[[ur=").append(source).append(u"]]\r\n");
  }
  Require(ImageLines == lines, "ImageLines holds the image lines of the last conversion");
}

}  // namespace

std::u16string ConvertAndCheck(std::u16string_view html) {
  const Article article = ExtractArticle(html);
  Require(SourceHtml == html, "SourceHtml holds the page of the last conversion");
  CheckArticle(article);
  const std::u16string record = FormatRecord(article);
  Require(HtmlToText(html) == record, "a second conversion gives the same record");
  return record;
}

}  // namespace korvane::fuzz
