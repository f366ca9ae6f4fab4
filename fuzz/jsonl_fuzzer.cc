// SPDX-License-Identifier: Apache-2.0
// JSON lines on standard input, read in chunks of any size, each converted
// and written back as one JSON line. The first byte says how many of the
// bytes after it give the sizes of the reads.
#include <nlohmann/json.hpp>

#include "chunked_reader.h"
#include "convert/convert.h"
#include "fuzz_support.h"
#include "input/jsonl_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  fuzz::Bytes bytes(data, size);
  const std::string_view sizes = bytes.Take(bytes.Byte() % 8);
  cli::JsonLines lines(std::make_unique<test_support::ChunkedReader>(bytes.Rest(), sizes));
  while (std::optional<cli::Input> page = lines.Next()) {
    const cli::Result result = cli::Convert(std::move(*page), {cli::Format::kJsonl, {}, {}});
    fuzz::Require(result.text.find('\n') == result.text.size() - 1,
                  "each input line gives one output line");
    fuzz::Require(nlohmann::json::accept(result.text), "each output line is JSON");
  }
  return 0;
}
