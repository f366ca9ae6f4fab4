// SPDX-License-Identifier: Apache-2.0
// The JSON lines that `korvane --format jsonl` writes for one input, one at
// a time: the command line's own reading and conversion, not a copy of them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "convert/convert.h"
#include "input/byte_reader.h"
#include "input/input.h"
#include "korvane.h"

namespace korvane::python {

class PageStream {
 public:
  struct Line {
    cli::Input::Kind kind;
    std::string json;  // one JSON object and a LF; empty for a skipped record
  };

  // What `korvane PATH` reads: a page file, a WARC file or a folder.
  // `walked`: PATH was found by walking a folder, so that a special file is
  // an error, as in the command line's walk, rather than a stream to wait on.
  // A page larger than `max_page_size` is an error, as with --max-page-size.
  static std::unique_ptr<PageStream> ForPath(const std::string& path, bool walked,
                                             Algorithm algorithm, uint64_t max_page_size);
  // The records of a WARC file, named `name` in messages: gzip data when its
  // `first_bytes` (not consumed) say so, as for the command line.
  static std::unique_ptr<PageStream> ForWarc(std::unique_ptr<cli::ByteReader> reader,
                                             std::string_view first_bytes, const std::string& name,
                                             Algorithm algorithm, uint64_t max_page_size);

  // Every input's line, skipped WARC records included; nothing at the end.
  std::optional<Line> Next();

 private:
  PageStream(std::function<std::optional<cli::Input>()> next_input, Algorithm algorithm);

  std::function<std::optional<cli::Input>()> next_input_;
  cli::ConvertSettings settings_;
};

}  // namespace korvane::python
