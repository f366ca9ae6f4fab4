// The command line, parsed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "charset.h"
#include "input.h"
#include "korvane.h"

namespace korvane::cli {

// What a batch writes on standard output.
enum class Format {
  kRecord,  // the records, one after another
  kJsonl,   // one JSON object per input
};

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

// "64M" → 64 MiB: bytes, or K, M or G (KiB, MiB, GiB) after the number, in
// either case. Nothing for zero or what is not such a size.
std::optional<uint64_t> ParseSize(std::string_view text);

// The options, or the exit status when parsing ends the run: 0 after
// --help or --version (printed on standard output), 2 after a usage error
// (explained on standard error).
std::variant<Options, int> ParseOptions(int argc, const char* const* argv);

}  // namespace korvane::cli
