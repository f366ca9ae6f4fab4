#include "http_response.h"

#include <charconv>

#include "ascii.h"

namespace korvane::cli {

std::optional<HttpHead> ParseHttpHead(std::string_view bytes) {
  const size_t crlf = bytes.find("\r\n\r\n");
  const size_t lf = bytes.find("\n\n");
  HttpHead head;
  if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::nullopt;
  head.length = crlf < lf ? crlf + 4 : lf + 2;
  std::string_view rest = bytes.substr(0, head.length);
  bool first = true;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = TrimHeaderSpace(rest.substr(0, end));
    rest.remove_prefix(end + 1);
    if (first) {
      first = false;
      if (!line.starts_with("HTTP/")) return std::nullopt;
      const size_t space = line.find(' ');
      if (space == std::string_view::npos) return std::nullopt;
      const std::string_view code = line.substr(space + 1, 3);
      std::from_chars(code.data(), code.data() + code.size(), head.status);
    } else if (AsciiLowered(line.substr(0, 13)) == "content-type:") {
      head.content_type = TrimHeaderSpace(line.substr(13));
    }
  }
  return head;
}

bool IsHtmlMediaType(std::string_view content_type) {
  const std::string type =
      AsciiLowered(TrimHeaderSpace(content_type.substr(0, content_type.find(';'))));
  return type == "text/html" || type == "application/xhtml+xml";
}

std::optional<std::string> CharsetFromContentType(std::string_view value) {
  size_t pos = 0;
  while (pos < value.size()) {
    size_t found = std::string_view::npos;
    for (size_t at = pos; at < value.size(); ++at) {
      if (StartsWithNoCase(value, at, "charset")) {
        found = at;
        break;
      }
    }
    if (found == std::string_view::npos) return std::nullopt;
    pos = found + 7;
    while (pos < value.size() && IsHtmlSpace(value[pos])) ++pos;
    if (pos >= value.size() || value[pos] != '=') continue;
    ++pos;
    while (pos < value.size() && IsHtmlSpace(value[pos])) ++pos;
    if (pos >= value.size()) return std::nullopt;
    if (value[pos] == '"' || value[pos] == '\'') {
      const size_t close = value.find(value[pos], pos + 1);
      if (close == std::string_view::npos) return std::nullopt;
      return std::string(value.substr(pos + 1, close - pos - 1));
    }
    size_t end = pos;
    while (end < value.size() && !IsHtmlSpace(value[end]) && value[end] != ';') ++end;
    return std::string(value.substr(pos, end - pos));
  }
  return std::nullopt;
}

}  // namespace korvane::cli
