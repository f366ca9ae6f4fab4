// SPDX-License-Identifier: Apache-2.0
#include "render/render.h"

#include <nlohmann/json.hpp>

#include "decode/utf8.h"
#include "render/json_writer.h"
#include "render/names.h"
#include "render/url.h"

namespace korvane::cli {
namespace {

using Json = nlohmann::ordered_json;

Json Header(const Input& input) {
  Json object = Json::object();
  object["source"] = EscapedName(input.source);
  return object;
}

// Text that is not UTF-8 comes out as U+FFFD rather than stopping the batch.
std::string Dump(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The id goes first, as the input line gave it: a number of any size or
// precision comes back unchanged.
std::string WithId(const Input& input, std::string line) {
  if (input.id_json.empty()) return line;
  return "{\"id\":" + input.id_json + "," + line.substr(1);
}

}  // namespace

std::string PageJsonLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::u16string_view record,
                         std::string_view base_url, bool truncated) {
  Json object = Header(input);
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
  Json image_urls = Json::array();
  const std::string_view base = input.url.empty() ? base_url : std::string_view(input.url);
  for (const std::u16string& image : article.images) {
    std::string source = ToUtf8(image);
    const std::optional<std::string> url = ResolveUrl(base, source);
    image_urls.push_back(url && IsWebUrl(*url) ? Json(*url) : Json(nullptr));
    images.push_back(std::move(source));
  }
  object["images"] = std::move(images);
  object["image_urls"] = std::move(image_urls);
  // The body and the record are most of a line: they are escaped straight
  // from UTF-16 into it, with no UTF-8 copy between.
  std::string line = Dump(object);
  line.pop_back();  // the object's "}"
  line += ",\"body\":";
  AppendJsonString(article.body, line);
  line += ",\"record\":";
  AppendJsonString(record, line);
  line += "}\n";
  return WithId(input, std::move(line));
}

std::string ErrorJsonLine(const Input& input, std::string_view error) {
  Json object = Header(input);
  object["error"] = EscapedName(error);
  return WithId(input, Dump(object) + '\n');
}

}  // namespace korvane::cli
