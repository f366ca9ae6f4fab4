// SPDX-License-Identifier: Apache-2.0
// One input → what the output stage writes for it: the page decoded, run
// through the engine and rendered, on whichever worker thread takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "decode/charset.h"
#include "decode/decode.h"
#include "input/input.h"
#include "korvane.h"

namespace korvane::cli {

// What a batch writes on standard output.
enum class Format {
  kRecord,  // the records, one after another
  kJsonl,   // one JSON object per input
};

struct ConvertSettings {
  Format format = Format::kRecord;
  std::optional<Charset> forced;  // --encoding
  std::string base_url;           // --base-url: for pages without a URL
  Algorithm algorithm = Algorithm::kBlock;
};

struct Result {
  Input::Kind kind = Input::Kind::kPage;
  std::string source;
  std::string error;     // kError: why; kSkipped: what the record held
  std::string encoding;  // charset used and what picked it
  CharsetSource charset_source = CharsetSource::kDefault;
  int64_t replaced = 0;
  bool truncated = false;  // longer than the engine examines (kExaminedUnits)
  std::string output_name;
  uint64_t input_bytes = 0;
  std::string text;  // to write: the record (UTF-8) or one JSON line with LF
};

// A decoded page through the engine, before it is rendered.
struct Extracted {
  Article article;
  std::u16string record;   // FormatRecord(article)
  bool truncated = false;  // longer than the block algorithm examines (kExaminedUnits)
};

// The article and record of a decoded page's text, which it uses up. Throws
// what the engine throws (std::bad_alloc).
Extracted ExtractPage(std::u16string& text, Algorithm algorithm);

// Never throws for a bad page: any failure comes back as a kError result.
Result Convert(Input page, const ConvertSettings& settings);

// What Convert gives for `input` once its bytes are decoded (by Decode, or
// text that a caller holds already). Throws what the engine throws
// (std::bad_alloc).
Result ConvertDecoded(const Input& input, DecodedPage decoded, const ConvertSettings& settings);

}  // namespace korvane::cli
