#include "jsonl_input.h"

#include <cstdio>

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

}  // namespace

Input PageFromJsonLine(std::string_view line, uint64_t line_number) {
  nlohmann::ordered_json object;
  try {
    object = ParseLine(line);
  } catch (const nlohmann::json::exception& error) {
    return ErrorInput(LineName(line_number), "invalid JSON: " + WithoutTag(error.what()));
  } catch (const TooDeep&) {
    return ErrorInput(LineName(line_number),
                      "JSON nested more than " + std::to_string(kMaxDepth) + " levels deep");
  }
  Input page;
  page.source = LineName(line_number);
  if (!object.is_object()) return ErrorInput(page.source, "not a JSON object");
  if (object.contains("id")) page.id = object["id"];
  if (object.contains("url") && object["url"].is_string()) {
    page.url = object["url"].get<std::string>();
    if (!page.url.empty()) page.source = page.url;
  }
  if (!object.contains("html") || !object["html"].is_string()) {
    Input error = ErrorInput(page.source, "no \"html\" string");
    error.id = std::move(page.id);
    return error;
  }
  page.bytes = std::move(object["html"].get_ref<std::string&>());
  page.is_text = true;
  page.output_name = OutputName(line_number);
  return page;
}

JsonLines::JsonLines(std::unique_ptr<ByteReader> input) : input_(std::move(input)) {}

std::optional<std::string> JsonLines::ReadLine() {
  std::string line;
  while (!at_end_) {
    const size_t end = buffer_.find('\n', pos_);
    line.append(buffer_, pos_, (end == std::string::npos ? buffer_.size() : end) - pos_);
    if (end != std::string::npos) {
      pos_ = end + 1;
      return line;
    }
    buffer_.resize(kChunk);
    buffer_.resize(input_->Read(buffer_.data(), buffer_.size()));
    pos_ = 0;
    at_end_ = buffer_.empty();
  }
  if (line.empty()) return std::nullopt;  // no line after the last LF
  return line;
}

std::optional<Input> JsonLines::Next() {
  std::optional<std::string> line;
  try {
    line = ReadLine();
  } catch (const InputError& error) {
    at_end_ = true;
    return ErrorInput("standard input", error.what());
  }
  if (!line) return std::nullopt;
  Input page = PageFromJsonLine(*line, ++line_number_);
  const uint64_t consumed = input_->consumed();
  page.input_bytes = consumed - reported_consumed_;
  reported_consumed_ = consumed;
  return page;
}

}  // namespace korvane::cli
