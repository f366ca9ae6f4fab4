// SPDX-License-Identifier: Apache-2.0
// The command line, parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "convert/convert.h"
#include "decode/charset.h"
#include "input/input.h"
#include "korvane.h"

namespace korvane::cli {

struct Options {
  std::vector<std::string> inputs;  // none: standard input
  std::optional<Format> format;     // none: record for one page, else jsonl
  Algorithm algorithm = Algorithm::kBlock;
  std::string output_dir;
  unsigned jobs = 1;
  uint64_t max_page_size = kDefaultMaxPageSize;
  std::optional<Charset> encoding;
  std::string base_url;
  bool stdin_jsonl = false;
  bool quiet = false;
  bool verbose = false;
};

// The options, or the exit status when parsing ends the run: 0 after
// --help or --version (printed on standard output), 2 after a usage error
// (explained on standard error).
std::variant<Options, int> ParseOptions(int argc, const char* const* argv);

}  // namespace korvane::cli
