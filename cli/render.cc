#include "render.h"

#include <nlohmann/json.hpp>

#include "url.h"
#include "utf8.h"

namespace korvane::cli {
namespace {

using Json = nlohmann::ordered_json;

Json Header(const Input& input) {
  Json object = Json::object();
  if (!input.id.is_null()) object["id"] = input.id;
  object["source"] = input.source;
  return object;
}

// Paths and ids may hold bytes that are not UTF-8: they come out as U+FFFD
// rather than stopping the batch.
std::string Line(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace) + '\n';
}

}  // namespace

std::string PageJsonLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::u16string_view record,
                         std::string_view base_url) {
  Json object = Header(input);
  object["encoding"] = decoded.encoding;
  object["replaced"] = decoded.replaced;
  object["algorithm"] = algorithm == Algorithm::kDom ? "dom" : "block";
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
    image_urls.push_back(url ? Json(*url) : Json(nullptr));
    images.push_back(std::move(source));
  }
  object["images"] = std::move(images);
  object["image_urls"] = std::move(image_urls);
  object["body"] = ToUtf8(article.body);
  object["record"] = ToUtf8(record);
  return Line(object);
}

std::string ErrorJsonLine(const Input& input, std::string_view error) {
  Json object = Header(input);
  object["error"] = error;
  return Line(object);
}

}  // namespace korvane::cli
