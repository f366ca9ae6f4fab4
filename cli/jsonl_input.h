// Pages given as JSON lines on a stream: {"id": ..., "url": ..., "html": ...}.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "byte_reader.h"
#include "input.h"

namespace korvane::cli {

class JsonLines {
 public:
  explicit JsonLines(std::unique_ptr<ByteReader> input);

  // One page per line, in order: a line that is not such an object is an
  // error page (it keeps its "id" when it has one). Nothing at the end.
  std::optional<Input> Next();

 private:
  std::optional<std::string> ReadLine();

  std::unique_ptr<ByteReader> input_;
  std::string buffer_;
  size_t pos_ = 0;
  bool at_end_ = false;
  uint64_t line_number_ = 0;
  uint64_t reported_consumed_ = 0;
};

// What a line of the stream gives: the page, or an error naming the line.
Input PageFromJsonLine(std::string_view line, uint64_t line_number);

}  // namespace korvane::cli
