#include "utf8.h"

#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <limits>
#include <stdexcept>

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
  // UTF-16 never needs more units than UTF-8 has bytes.
  decoded.text.resize(bytes.size());
  int32_t length = 0;
  int32_t replaced = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(decoded.text.data(), CheckedLength(bytes.size()), &length, bytes.data(),
                       CheckedLength(bytes.size()), kReplacement, &replaced, &status);
  if (U_FAILURE(status) && status != U_STRING_NOT_TERMINATED_WARNING) {
    throw std::runtime_error(u_errorName(status));
  }
  decoded.text.resize(length);
  decoded.replaced = replaced;
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
  Utf8Check check;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  const int64_t size = static_cast<int64_t>(bytes.size());
  int64_t i = 0;
  while (i < size) {
    if (data[i] < 0x80) {
      ++i;
      continue;
    }
    // U8_NEXT takes an int32_t length: look at one sequence at a time.
    const int32_t window = static_cast<int32_t>(std::min<int64_t>(size - i, 4));
    int32_t offset = 0;
    UChar32 c;
    U8_NEXT(data + i, offset, window, c);
    if (c < 0) return {false, check.multibyte};
    check.multibyte = true;
    i += offset;
  }
  return check;
}

}  // namespace korvane::cli
