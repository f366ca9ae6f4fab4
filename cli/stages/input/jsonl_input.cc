// SPDX-License-Identifier: Apache-2.0
#include "input/jsonl_input.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "input/jsonl_html.h"
#include "input/read_failure.h"

namespace korvane::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string LineName(uint64_t line_number) {
  return "standard input line " + std::to_string(line_number);
}

std::string OutputName(uint64_t line_number) {
  char name[40];
  std::snprintf(name, sizeof name, "stdin/%06llu.txt",
                static_cast<unsigned long long>(line_number));
  return name;
}

// nlohmann's messages begin with an exception tag that means nothing here.
std::string WithoutTag(std::string message) {
  const size_t tag_end = message.find("] ");
  return tag_end == std::string::npos ? message : message.substr(tag_end + 2);
}

// Nesting is limited while a line is parsed: a growing ordered object copies
// its values, and copying recurses once per level, so that a line of 100,000
// "[" overflowed the stack inside the parser. No page line needs more.
constexpr int kMaxDepth = 64;

struct TooDeep {};

nlohmann::ordered_json ParseLine(std::string_view line) {
  return nlohmann::ordered_json::parse(
      line, [](int depth, nlohmann::ordered_json::parse_event_t, nlohmann::ordered_json&) {
        if (depth > kMaxDepth) throw TooDeep();
        return true;
      });
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A byte order mark begins a stream that an editor saved, or a line where
// such files were joined: it is no part of the line.
std::string_view WithoutByteOrderMark(std::string_view line) {
  if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
  return line;
}

bool IsBlank(std::string_view line) {
  return WithoutByteOrderMark(line).find_first_not_of(" \t\r") == std::string_view::npos;
}

bool IsNumberStart(char c) { return c == '-' || (c >= '0' && c <= '9'); }

bool IsNumberChar(char c) {
  return IsNumberStart(c) || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// A number that no double holds (1e400) fails the parser, which would lose
// the whole line for a field nobody reads: it is read as 0 instead. The
// raw text of the "id" is taken from the line as given, so that an id of
// any size comes back unchanged.
std::string WithHugeNumbersTamed(std::string_view line) {
  std::string tamed;
  size_t copied = 0;
  bool in_string = false;
  for (size_t at = 0; at < line.size(); ++at) {
    const char c = line[at];
    if (in_string) {
      if (c == '\\') {
        ++at;
      } else if (c == '"') {
        in_string = false;
      }
      continue;
    }
    if (c == '"') {
      in_string = true;
      continue;
    }
    if (!IsNumberStart(c)) continue;
    size_t end = at;
    while (end < line.size() && IsNumberChar(line[end])) ++end;
    const std::string number(line.substr(at, end - at));
    if (std::isinf(std::strtod(number.c_str(), nullptr))) {
      tamed.append(line.substr(copied, at - copied)).append("0");
      copied = end;
    }
    at = end - 1;
  }
  if (copied == 0) return std::string(line);
  tamed.append(line.substr(copied));
  return tamed;
}

// The object of `line`, its "html" read by hand into `html` when it can
// be (the parser then reads the line with that string emptied); when the
// parser refuses that line, it reads the whole line, so that its errors
// are what they would be.
nlohmann::ordered_json ParseObject(const std::string& line, std::optional<std::string>& html) {
  if (std::optional<HtmlMember> member = ReadHtmlMember(line)) {
    std::string rest = line.substr(0, member->begin + 1);
    rest.append(line, member->end - 1);
    try {
      nlohmann::ordered_json object = ParseLine(WithHugeNumbersTamed(rest));
      html = std::move(member->text);
      return object;
    } catch (const nlohmann::json::exception&) {
    } catch (const TooDeep&) {
    }
  }
  return ParseLine(WithHugeNumbersTamed(line));
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

// The code unit of the "\uXXXX" escape at `at`, or -1.
int EscapedUnit(std::string_view text, size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
  int unit = 0;
  for (size_t i = at + 2; i < at + 6; ++i) {
    const int digit = HexValue(text[i]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

// JSON allows "\ud800" alone, but it names no character: it is read as
// U+FFFD, as the decoders read bytes that name none, rather than losing the
// line. Backslashes stand only inside strings in JSON, so no string needs
// tracking.
std::string WithLoneSurrogatesReplaced(std::string_view line) {
  std::string repaired;
  size_t copied = 0;
  for (size_t at = line.find('\\'); at != std::string_view::npos; at = line.find('\\', at)) {
    const int unit = EscapedUnit(line, at);
    if (unit < 0) {
      at += 2;  // some other escape, "\\" among them
      continue;
    }
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const int next = high ? EscapedUnit(line, at + 6) : -1;
    if (high && next >= 0xDC00 && next <= 0xDFFF) {
      at += 12;
      continue;
    }
    if (!high && (unit < 0xDC00 || unit > 0xDFFF)) {
      at += 6;
      continue;
    }
    repaired.append(line.substr(copied, at - copied)).append("\\ufffd");
    at += 6;
    copied = at;
  }
  if (copied == 0) return std::string(line);
  repaired.append(line.substr(copied));
  return repaired;
}

// Where the JSON value at `at` ends, in text known to be valid JSON.
size_t ValueEnd(std::string_view text, size_t at) {
  int depth = 0;
  for (size_t i = at; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      for (++i; text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
      if (depth == 0) return i + 1;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      if (depth == 0) return i;
      if (--depth == 0) return i + 1;
    } else if (depth == 0 && (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
      return i;
    }
  }
  return text.size();
}

size_t SkipSpace(std::string_view text, size_t at) {
  while (at < text.size() &&
         (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) {
    ++at;
  }
  return at;
}

// The text of the top-level member `name` of the object `line` (valid JSON),
// the last one when it repeats, as the parser keeps the last.
std::string RawMember(std::string_view line, std::string_view name) {
  std::string found;
  size_t at = SkipSpace(line, 0) + 1;  // past "{"
  for (;;) {
    at = SkipSpace(line, at);
    if (at >= line.size() || line[at] != '"') return found;
    const size_t key_end = ValueEnd(line, at);
    const std::string_view key = line.substr(at, key_end - at);
    const bool wanted = key.find('\\') == std::string_view::npos
                            ? key.substr(1, key.size() - 2) == name
                            : nlohmann::json::parse(key).get<std::string>() == name;
    at = SkipSpace(line, SkipSpace(line, key_end) + 1);  // past ":"
    const size_t value_end = ValueEnd(line, at);
    if (wanted) found = line.substr(at, value_end - at);
    at = SkipSpace(line, value_end) + 1;  // past "," or "}"
  }
}

}  // namespace

Input PageFromJsonLine(std::string_view original, uint64_t line_number) {
  const std::string line = WithLoneSurrogatesReplaced(WithoutByteOrderMark(original));
  nlohmann::ordered_json object;
  std::optional<std::string> html;
  try {
    object = ParseObject(line, html);
  } catch (const nlohmann::json::exception& error) {
    return ErrorInput(LineName(line_number), "invalid JSON: " + WithoutTag(error.what()));
  } catch (const TooDeep&) {
    return ErrorInput(LineName(line_number),
                      "JSON nested more than " + std::to_string(kMaxDepth) + " levels deep");
  } catch (const std::bad_alloc&) {
    return ErrorInput(LineName(line_number), "out of memory while reading the line");
  }
  Input page;
  page.source = LineName(line_number);
  if (!object.is_object()) return ErrorInput(page.source, "not a JSON object");
  if (object.contains("id")) page.id_json = RawMember(line, "id");
  if (object.contains("url") && object["url"].is_string()) {
    page.url = object["url"].get<std::string>();
    if (!page.url.empty()) page.source = page.url;
  }
  if (!object.contains("html") || !object["html"].is_string()) {
    Input error = ErrorInput(page.source, "no \"html\" string");
    error.id_json = std::move(page.id_json);
    return error;
  }
  page.bytes = html ? std::move(*html) : std::move(object["html"].get_ref<std::string&>());
  page.is_text = true;
  page.output_name = OutputName(line_number);
  return page;
}

JsonLines::JsonLines(std::unique_ptr<ByteReader> input, uint64_t max_line)
    : input_(std::move(input)), max_line_(max_line) {}

std::optional<JsonLines::Line> JsonLines::ReadLine() {
  Line line;
  bool any = false;
  while (!at_end_) {
    const size_t end = buffer_.find('\n', pos_);
    const size_t stop = end == std::string::npos ? buffer_.size() : end;
    any = any || stop > pos_ || end != std::string::npos;
    if (!line.too_long) {
      if (line.text.size() + (stop - pos_) > max_line_) {
        line.too_long = true;
        std::string().swap(line.text);
      } else {
        line.text.append(buffer_, pos_, stop - pos_);
      }
    }
    if (end != std::string::npos) {
      pos_ = end + 1;
      return line;
    }
    buffer_.resize(kChunk);
    buffer_.resize(input_->Read(buffer_.data(), buffer_.size()));
    pos_ = 0;
    at_end_ = buffer_.empty();
  }
  if (!any) return std::nullopt;  // no line after the last LF
  return line;
}

std::optional<Input> JsonLines::Next() {
  for (;;) {
    std::optional<Line> line;
    if (const std::optional<std::string> failure = ReadingFailure([&] { line = ReadLine(); })) {
      at_end_ = true;
      return ErrorInput("standard input", *failure);
    }
    if (!line) return std::nullopt;
    ++line_number_;
    if (!line->too_long && IsBlank(line->text)) continue;
    Input page = line->too_long ? ErrorInput(LineName(line_number_), TooLarge(max_line_).what())
                                : PageFromJsonLine(line->text, line_number_);
    const uint64_t consumed = input_->consumed();
    page.input_bytes = consumed - reported_consumed_;
    reported_consumed_ = consumed;
    return page;
  }
}

}  // namespace korvane::cli
