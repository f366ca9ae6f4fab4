// SPDX-License-Identifier: Apache-2.0
#include "decode/utf8.h"

#include <algorithm>

#include "decode/utf8_decoder.h"
#include "render/json_writer.h"

namespace korvane::cli {

Decoded FromUtf8(std::string_view bytes) {
  Decoded decoded;
  decoded.replaced = AppendUtf8AsUtf16(bytes, decoded.text).replaced;
  return decoded;
}

std::string ToUtf8(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 2);
  AppendUtf8(text, bytes);
  return bytes;
}

Utf8Check CheckUtf8(std::string_view bytes) {
  // Decoded a piece at a time into a buffer that is thrown away.
  constexpr size_t kPiece = 4096;
  char16_t piece[kPiece];
  Utf8Check check;
  while (!bytes.empty()) {
    const std::string_view part = bytes.substr(0, kPiece);
    const Utf8Run run = DecodeWellFormedUtf8(part, piece);
    check.multibyte |= run.multibyte;
    bytes.remove_prefix(run.read);
    if (run.read == part.size()) continue;
    // A sequence cut by the end of the piece is checked with the next one.
    const size_t left = part.size() - run.read;
    const bool cut =
        left < bytes.size() && left < 4 && IllFormedUtf8Length(part.substr(run.read)) == left;
    if (!cut) return {false, check.multibyte};
  }
  return check;
}

}  // namespace korvane::cli
