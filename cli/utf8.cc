#include "utf8.h"

#include <unicode/ustring.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "utf8_decoder.h"

namespace korvane::cli {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;

int32_t CheckedLength(size_t size) {
  if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw std::length_error("text longer than 2 GiB");
  }
  return static_cast<int32_t>(size);
}

}  // namespace

Decoded FromUtf8(std::string_view bytes) {
  Decoded decoded;
  decoded.replaced = AppendUtf8AsUtf16(bytes, decoded.text).replaced;
  return decoded;
}

std::string ToUtf8(std::u16string_view text) {
  // At most three bytes per unit: a pair of units makes four.
  std::string bytes(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(bytes.data(), CheckedLength(bytes.size()), &length, text.data(),
                     CheckedLength(text.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    throw std::runtime_error(u_errorName(status));
  }
  bytes.resize(length);
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
