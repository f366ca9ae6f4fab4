// SPDX-License-Identifier: Apache-2.0
#include "render/render.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "decode/utf8.h"
#include "render/names.h"
#include "render/url.h"

namespace korvane::cli {
namespace {

using Json = nlohmann::ordered_json;

// The line as nlohmann writes the same object, field by field: what JSON
// lines have always been, byte for byte.
std::string NlohmannLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::string_view base, bool truncated) {
  Json object = Json::object();
  object["source"] = EscapedName(input.source);
  object["encoding"] = decoded.encoding;
  object["replaced"] = decoded.replaced;
  object["algorithm"] = algorithm == Algorithm::kDom ? "dom" : "block";
  if (truncated) object["truncated"] = true;
  object["title"] = ToUtf8(article.title);
  object["headline"] = ToUtf8(article.headline);
  if (algorithm == Algorithm::kDom) {
    object["author"] = article.author.empty() ? Json(nullptr) : Json(ToUtf8(article.author));
    object["published"] =
        article.published.empty() ? Json(nullptr) : Json(ToUtf8(article.published));
  }
  Json images = Json::array();
  Json urls = Json::array();
  for (const std::u16string& image : article.images) {
    const std::optional<std::string> url = ResolveUrl(base, ToUtf8(image));
    urls.push_back(url && IsWebUrl(*url) ? Json(*url) : Json(nullptr));
    images.push_back(ToUtf8(image));
  }
  object["images"] = images;
  object["image_urls"] = urls;
  object["body"] = ToUtf8(article.body);
  object["record"] = ToUtf8(FormatRecord(article));
  std::string line = object.dump(-1, ' ', false, Json::error_handler_t::replace);
  if (!input.id_json.empty()) line = "{\"id\":" + input.id_json + "," + line.substr(1);
  return line + "\n";
}

TEST(PageJsonLine, WritesWhatNlohmannWrites) {
  Article full;
  full.title = u"T\"itle\t\U0001F600";
  full.headline = u"head\\line\x01";
  full.images = {u"/a.jpg", u"javascript:x", u"b\"c.png", u"\xD800.jpg"};
  full.body = u"line one\r\nline \"two\" \u4E2D\u6587\xDC00";
  full.author = u"\u738B\u4E94";
  const Article empty;
  const struct {
    const char* name;
    std::string source;
    std::string id_json;
    std::string url;
    const Article& article;
    Algorithm algorithm;
    bool truncated;
  } cases[] = {
      {"block, every field", "page.html", "", "http://a.example/x/", full, Algorithm::kBlock, true},
      {"dom, author but no date", "p\x1b[31m.html", "7", "", full, Algorithm::kDom, false},
      {"empty article, id", "bad \xff name", "{\"n\":[1,2]}", "", empty, Algorithm::kDom, false},
      {"source with controls", std::string("a\0b\nc", 5), "", "", empty, Algorithm::kBlock, false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    Input input;
    input.source = test.source;
    input.id_json = test.id_json;
    input.url = test.url;
    DecodedPage decoded;
    decoded.encoding = "gb18030";
    decoded.replaced = 12;
    const std::string base = "http://base.example/";
    EXPECT_EQ(PageJsonLine(input, decoded, test.algorithm, test.article, base, test.truncated),
              NlohmannLine(input, decoded, test.algorithm, test.article,
                           test.url.empty() ? base : test.url, test.truncated));
    EXPECT_EQ(RecordUtf8(test.article), ToUtf8(FormatRecord(test.article)));
  }
}

// Names and reasons are escaped as messages show them.
TEST(ErrorJsonLine, WritesTheSourceAndTheReason) {
  Input input;
  input.source = "dir/\xfe.html";
  input.id_json = "\"x\"";
  EXPECT_EQ(ErrorJsonLine(input, "cut \"short\"\n"),
            "{\"id\":\"x\",\"source\":\"dir/\\\\xFE.html\",\"error\":\"cut "
            "\\\"short\\\"\\\\x0A\"}\n");
}

}  // namespace
}  // namespace korvane::cli
