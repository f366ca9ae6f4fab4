// SPDX-License-Identifier: Apache-2.0
// UTF-8 to UTF-16 in one pass: validating and converting together, every
// ill-formed sequence replaced and counted exactly as ICU's converter and
// browsers do. Written by hand because the decoding of every page sits on
// the command line's critical path: checking the bytes and then converting
// them with ICU took two passes and a quarter of a batch's time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::cli {

// The well-formed start of some bytes, decoded.
struct Utf8Run {
  size_t read = 0;         // bytes decoded
  size_t written = 0;      // code units written
  bool multibyte = false;  // some sequence decoded is longer than one byte
};

// Decodes `bytes` into `out`, which has room for bytes.size() units, and
// stops before the first ill-formed sequence (or at the end).
Utf8Run DecodeWellFormedUtf8(std::string_view bytes, char16_t* out);

// The length of the ill-formed sequence that `bytes` begin with: its maximal
// subpart (the longest start of some well-formed sequence, or else one byte),
// which is what one U+FFFD stands for.
size_t IllFormedUtf8Length(std::string_view bytes);

struct Utf8Decoding {
  int64_t replaced = 0;    // ill-formed sequences written as U+FFFD
  bool multibyte = false;  // some well-formed sequence is longer than one byte
};

// Appends the text of `bytes` to `out`, each ill-formed sequence as one
// U+FFFD. `out` is filled without first being zeroed: its memory, kept from
// page to page, is written once.
Utf8Decoding AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out);

}  // namespace korvane::cli
