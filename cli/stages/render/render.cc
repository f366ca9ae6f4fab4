// SPDX-License-Identifier: Apache-2.0
#include "render/render.h"

#include <charconv>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "decode/utf8.h"
#include "render/json_writer.h"
#include "render/names.h"
#include "render/url.h"

namespace korvane::cli {
namespace {

using Json = nlohmann::ordered_json;

// Text that is not UTF-8 comes out as U+FFFD rather than stopping the batch.
std::string Dump(const Json& object) {
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A UTF-8 string as nlohmann::json writes it, with the same escapes as
// AppendJsonString; what is not UTF-8 (a file name, a WARC header) is left
// to nlohmann's replacement of bad bytes.
void AppendJsonUtf8(std::string_view text, std::string& line) {
  if (!CheckUtf8(text).valid) {
    line += Dump(Json(std::string(text)));
    return;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  line += '"';
  for (const char byte : text) {
    switch (byte) {
      case '"':
        line += "\\\"";
        break;
      case '\\':
        line += "\\\\";
        break;
      case '\b':
        line += "\\b";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\f':
        line += "\\f";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(byte) < 0x20) {
          line.append("\\u00").append(1, kHex[byte >> 4]).append(1, kHex[byte & 0xF]);
        } else {
          line += byte;
        }
    }
  }
  line += '"';
}

// A line's start: the id first, as the input line gave it (a number of any
// size or precision comes back unchanged), then the source.
void AppendStart(const Input& input, std::string& line) {
  line += '{';
  if (!input.id_json.empty()) line.append("\"id\":").append(input.id_json).append(",");
  line += "\"source\":";
  AppendJsonUtf8(EscapedName(input.source), line);
}

void AppendKey(std::string_view key, std::string& line) {
  line.append(",\"").append(key).append("\":");
}

void AppendNumber(int64_t number, std::string& line) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  line.append(digits, end);
}

void AppendStringOrNull(std::u16string_view text, std::string& line) {
  if (text.empty()) {
    line += "null";
  } else {
    AppendJsonString(text, line);
  }
}

// "images" (the sources as the page writes them) and "image_urls" (each
// resolved against `base`, or null).
void AppendImages(const std::vector<std::u16string>& images, std::string_view base,
                  std::string& line) {
  std::vector<std::optional<std::string>> urls;
  urls.reserve(images.size());
  AppendKey("images", line);
  line += '[';
  for (const std::u16string& image : images) {
    if (!urls.empty()) line += ',';
    const std::string source = ToUtf8(image);
    urls.push_back(ImageUrl(base, source));
    AppendJsonUtf8(source, line);
  }
  line += ']';
  AppendKey("image_urls", line);
  line += '[';
  for (size_t i = 0; i < urls.size(); ++i) {
    if (i > 0) line += ',';
    if (urls[i]) {
      AppendJsonUtf8(*urls[i], line);
    } else {
      line += "null";
    }
  }
  line += ']';
}

// "body", then "record": the record ends with the body, whose escaped text
// is copied from the line rather than escaped again (escaping goes unit by
// unit, and the piece before the body ends in a line break, so no pair
// straddles the two).
void AppendBodyAndRecord(const Article& article, std::string& line) {
  AppendKey("body", line);
  const size_t body_start = line.size();
  AppendJsonString(article.body, line);
  const size_t body_size = line.size() - body_start;
  AppendKey("record", line);
  line += '"';
  ForEachRecordPiece(article, [&](std::u16string_view piece) {
    if (piece.data() == article.body.data()) {
      line.append(line, body_start + 1, body_size - 1);  // without its opening quote
    } else {
      AppendJsonStringContent(piece, line);
    }
  });
}

// Room for the line at once: the body is written twice, at most three bytes
// a unit unless escaped.
size_t LineEstimate(const Article& article) {
  size_t units = 2 * article.body.size() + 2 * article.title.size() + 2 * article.headline.size();
  for (const std::u16string& image : article.images) units += 3 * image.size() + 64;
  return 3 * units + 512;
}

}  // namespace

std::string PageJsonLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::string_view base_url, bool truncated) {
  std::string line;
  line.reserve(LineEstimate(article) + input.id_json.size() + input.source.size());
  AppendStart(input, line);
  AppendKey("encoding", line);
  AppendJsonUtf8(decoded.encoding, line);
  AppendKey("replaced", line);
  AppendNumber(decoded.replaced, line);
  AppendKey("algorithm", line);
  line += algorithm == Algorithm::kDom ? "\"dom\"" : "\"block\"";
  if (truncated) line += ",\"truncated\":true";
  AppendKey("title", line);
  AppendJsonString(article.title, line);
  AppendKey("headline", line);
  AppendJsonString(article.headline, line);
  if (algorithm == Algorithm::kDom) {
    AppendKey("author", line);
    AppendStringOrNull(article.author, line);
    AppendKey("published", line);
    AppendStringOrNull(article.published, line);
  }
  AppendImages(article.images, input.url.empty() ? base_url : std::string_view(input.url), line);
  AppendBodyAndRecord(article, line);
  line += "}\n";
  return line;
}

std::string RecordUtf8(const Article& article) {
  std::string record;
  record.reserve(3 * (article.body.size() + article.title.size() + article.headline.size()) + 64);
  ForEachRecordPiece(article, [&record](std::u16string_view piece) { AppendUtf8(piece, record); });
  return record;
}

std::optional<std::string> ImageUrl(std::string_view base, std::string_view source) {
  std::optional<std::string> url = ResolveUrl(base, source);
  if (url && !IsWebUrl(*url)) return std::nullopt;
  return url;
}

std::string ErrorJsonLine(const Input& input, std::string_view error) {
  std::string line;
  AppendStart(input, line);
  AppendKey("error", line);
  AppendJsonUtf8(EscapedName(error), line);
  line += "}\n";
  return line;
}

}  // namespace korvane::cli
