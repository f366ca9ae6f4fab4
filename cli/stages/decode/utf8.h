// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::cli {

struct Decoded {
  std::u16string text;
  int64_t replaced = 0;  // invalid sequences written as U+FFFD
};

Decoded FromUtf8(std::string_view bytes);

// A lone surrogate (only a cut through a pair leaves one) becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

struct Utf8Check {
  bool valid = true;       // every byte belongs to a well-formed sequence
  bool multibyte = false;  // and some sequence is longer than one byte
};

Utf8Check CheckUtf8(std::string_view bytes);

}  // namespace korvane::cli
