// SPDX-License-Identifier: Apache-2.0
// Pages given as JSON lines on a stream: {"id": ..., "url": ..., "html": ...}.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "input/byte_reader.h"
#include "input/input.h"

namespace korvane::cli {

class JsonLines {
 public:
  // A line longer than `max_line` is an error, skipped to its end without
  // being held.
  explicit JsonLines(std::unique_ptr<ByteReader> input, uint64_t max_line = kDefaultMaxPageSize);

  // One page per line, in order: a line that is not such an object is an
  // error page (it keeps its "id" when it has one). Blank lines give
  // nothing. Nothing at the end.
  std::optional<Input> Next();

 private:
  struct Line {
    std::string text;
    bool too_long = false;
  };
  std::optional<Line> ReadLine();

  std::unique_ptr<ByteReader> input_;
  uint64_t max_line_;
  std::string buffer_;
  size_t pos_ = 0;
  bool at_end_ = false;
  uint64_t line_number_ = 0;
  uint64_t reported_consumed_ = 0;
};

// What a line of the stream gives: the page, or an error naming the line.
// A lone surrogate escape ("\ud800") in a string is read as U+FFFD.
Input PageFromJsonLine(std::string_view line, uint64_t line_number);

}  // namespace korvane::cli
