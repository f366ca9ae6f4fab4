// SPDX-License-Identifier: Apache-2.0
#include "render/names.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace korvane::cli {
namespace {

// Characters that terminals act on, or that show nothing, hide or reorder
// what follows: controls (C1 among them; CSI is U+009B), format characters
// (bidirectional controls, zero-width characters, tags ...), line and
// paragraph separators, and every default-ignorable code point (soft
// hyphens, Mongolian vowel separators, Hangul fillers, variation selectors
// ...), as Unicode lists them.
bool IsDangerous(UChar32 c) {
  switch (u_charType(c)) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      return true;
    default:
      return u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
  }
}

void AppendHex(std::string& out, const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  out += text;
}

}  // namespace

std::string EscapedName(std::string_view text) {
  std::string shown;
  shown.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t size = static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX));
  for (int32_t i = 0; i < size;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, size, c);
    if (c < 0) {
      for (int32_t j = start; j < i; ++j) AppendHex(shown, "\\x%02X", bytes[j]);
    } else if (c == '\\') {
      shown += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      AppendHex(shown, "\\x%02X", static_cast<unsigned>(c));
    } else if (IsDangerous(c)) {
      AppendHex(shown, c > 0xFFFF ? "\\U%08X" : "\\u%04X", static_cast<unsigned>(c));
    } else {
      shown.append(text.substr(start, i - start));
    }
  }
  return shown;
}

}  // namespace korvane::cli
