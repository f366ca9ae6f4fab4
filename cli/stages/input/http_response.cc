// SPDX-License-Identifier: Apache-2.0
#include "input/http_response.h"

#include "ascii.h"

namespace korvane::cli {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view SkipBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// "HTTP/1.1 200 OK" → 200; a code of other than three digits gives 0.
int StatusOf(std::string_view line) {
  const size_t blank = line.find_first_of(" \t");
  if (blank == std::string_view::npos) return 0;
  const std::string_view rest = SkipBlanks(line.substr(blank));
  if (rest.size() < 3 || !IsDigit(rest[0]) || !IsDigit(rest[1]) || !IsDigit(rest[2])) return 0;
  if (rest.size() > 3 && rest[3] != ' ' && rest[3] != '\t') return 0;
  return (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
}

// The value of `line` when it is the field `name` (lower case, with ":").
std::optional<std::string_view> FieldValue(std::string_view line, std::string_view name) {
  if (!StartsWithNoCase(line, 0, name)) return std::nullopt;
  return TrimHeaderSpace(line.substr(name.size()));
}

// Appends the codings of a list in lower case, "identity" and parameters
// (";q=1") left out.
void AppendCodings(std::string_view value, bool transfer, std::vector<HttpCoding>& codings) {
  while (!value.empty()) {
    const size_t comma = value.find(',');
    std::string_view item = value.substr(0, comma);
    item = item.substr(0, item.find(';'));
    const std::string coding = AsciiLowered(TrimHeaderSpace(item));
    value.remove_prefix(comma == std::string_view::npos ? value.size() : comma + 1);
    if (coding.empty() || coding == "identity") continue;
    codings.push_back({coding, transfer});
  }
}

// One head: nothing when it is not complete or not HTTP.
std::optional<HttpHead> ParseOneHead(std::string_view bytes) {
  const size_t crlf = bytes.find("\r\n\r\n");
  const size_t lf = bytes.find("\n\n");
  if (crlf == std::string_view::npos && lf == std::string_view::npos) return std::nullopt;
  HttpHead head;
  std::vector<HttpCoding> transfer_codings;
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
      head.status = StatusOf(line);
    } else if (const auto type = FieldValue(line, "content-type:")) {
      head.content_type = *type;
    } else if (const auto coding = FieldValue(line, "content-encoding:")) {
      AppendCodings(*coding, false, head.codings);
    } else if (const auto transfer = FieldValue(line, "transfer-encoding:")) {
      AppendCodings(*transfer, true, transfer_codings);
    }
  }
  // Transfer codings are applied to the content as coded.
  head.codings.insert(head.codings.end(), transfer_codings.begin(), transfer_codings.end());
  return head;
}

}  // namespace

std::optional<HttpHead> ParseHttpHead(std::string_view bytes) {
  size_t offset = 0;
  for (;;) {
    std::optional<HttpHead> head = ParseOneHead(bytes.substr(offset));
    if (!head) return std::nullopt;
    head->length += offset;
    if (head->status < 100 || head->status > 199) return head;
    offset = head->length;  // an interim response: the final one follows
  }
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
