// SPDX-License-Identifier: Apache-2.0
#include "input/jsonl_html.h"

#include <cstring>

#include "decode/utf8.h"

namespace korvane::cli {
namespace {

bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t SkipSpace(std::string_view text, size_t at) {
  while (at < text.size() && IsJsonSpace(text[at])) ++at;
  return at;
}

// Where the string that opens at `open` ends (past its closing quote), or
// npos when it does not end.
size_t StringEnd(std::string_view text, size_t open) {
  for (size_t at = open + 1;;) {
    const void* quote = std::memchr(text.data() + at, '"', text.size() - at);
    if (quote == nullptr) return std::string_view::npos;
    const size_t close = static_cast<const char*>(quote) - text.data();
    size_t backslashes = 0;
    while (text[close - 1 - backslashes] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return close + 1;
    at = close + 1;
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// The code unit of the four hex digits at `at`, or -1.
int HexUnit(std::string_view text, size_t at) {
  if (at + 4 > text.size()) return -1;
  int unit = 0;
  for (size_t i = at; i < at + 4; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

void AppendCodePoint(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The "\uXXXX" escape (or pair) at `at` (its backslash) into `out`; the
// bytes it took, or 0 when it names no character.
size_t UnicodeEscape(std::string_view body, size_t at, std::string& out) {
  const int unit = HexUnit(body, at + 2);
  if (unit < 0 || (unit >= 0xDC00 && unit <= 0xDFFF)) return 0;
  if (unit < 0xD800 || unit > 0xDBFF) {
    AppendCodePoint(static_cast<char32_t>(unit), out);
    return 6;
  }
  if (at + 12 > body.size() || body[at + 6] != '\\' || body[at + 7] != 'u') return 0;
  const int low = HexUnit(body, at + 8);
  if (low < 0xDC00 || low > 0xDFFF) return 0;
  AppendCodePoint(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                      (static_cast<char32_t>(low) - 0xDC00),
                  out);
  return 12;
}

// The escape at `at` (its backslash) into `out`; the bytes it took, or 0.
size_t Escape(std::string_view body, size_t at, std::string& out) {
  if (at + 1 >= body.size()) return 0;
  static constexpr std::string_view kFrom = "\"\\/bfnrt";
  static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
  const size_t simple = kFrom.find(body[at + 1]);
  if (simple != std::string_view::npos) {
    out += kTo[simple];
    return 2;
  }
  return body[at + 1] == 'u' ? UnicodeEscape(body, at, out) : 0;
}

// The text of a JSON string's body (between its quotes), or nothing when
// the parser would refuse it: a raw control character, a bad escape, a
// lone surrogate, bytes that are not UTF-8.
std::optional<std::string> DecodedString(std::string_view body) {
  std::string text;
  text.reserve(body.size());
  size_t at = 0;
  while (at < body.size()) {
    size_t plain = at;
    while (plain < body.size() && body[plain] != '\\' &&
           static_cast<unsigned char>(body[plain]) >= 0x20) {
      ++plain;
    }
    text.append(body, at, plain - at);
    if (plain == body.size()) break;
    if (body[plain] != '\\') return std::nullopt;  // a raw control character
    const size_t taken = Escape(body, plain, text);
    if (taken == 0) return std::nullopt;
    at = plain + taken;
  }
  if (!CheckUtf8(text).valid) return std::nullopt;
  return text;
}

struct Scan {
  size_t html_count = 0;
  size_t value = 0;  // where the last "html" member's value begins
};

// The top level of the object `line`: its keys checked, the "html" ones
// counted. False when a key holds an escape or the line does not end.
bool ScanTopLevel(std::string_view line, Scan& scan) {
  int depth = 0;
  bool expect_key = false;
  for (size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"') {
      const size_t end = StringEnd(line, at);
      if (end == std::string_view::npos) return false;
      if (depth == 1 && expect_key) {
        const std::string_view key = line.substr(at + 1, end - at - 2);
        if (key.find('\\') != std::string_view::npos) return false;
        if (key == "html") {
          ++scan.html_count;
          const size_t colon = SkipSpace(line, end);
          if (colon >= line.size() || line[colon] != ':') return false;
          scan.value = SkipSpace(line, colon + 1);
        }
        expect_key = false;
      }
      at = end - 1;
    } else if (c == '{' || c == '[') {
      ++depth;
      expect_key = depth == 1;
    } else if (c == '}' || c == ']') {
      --depth;
    } else if (c == ',') {
      expect_key = depth == 1;
    }
  }
  return true;
}

}  // namespace

std::optional<HtmlMember> ReadHtmlMember(std::string_view line) {
  const size_t open = SkipSpace(line, 0);
  if (open >= line.size() || line[open] != '{') return std::nullopt;
  Scan scan;
  if (!ScanTopLevel(line, scan) || scan.html_count != 1) return std::nullopt;
  if (scan.value >= line.size() || line[scan.value] != '"') return std::nullopt;
  HtmlMember member;
  member.begin = scan.value;
  member.end = StringEnd(line, scan.value);
  std::optional<std::string> text =
      DecodedString(line.substr(member.begin + 1, member.end - member.begin - 2));
  if (!text) return std::nullopt;
  member.text = std::move(*text);
  return member;
}

}  // namespace korvane::cli
