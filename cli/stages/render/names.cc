// SPDX-License-Identifier: Apache-2.0
#include "render/names.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>

namespace korvane::cli {
namespace {

// Characters that terminals act on or that hide or reorder what follows.
bool IsDangerous(UChar32 c) {
  return (c >= 0x80 && c <= 0x9F) ||                     // C1 controls (CSI is U+009B)
         c == 0x061C ||                                  // Arabic letter mark
         (c >= 0x200B && c <= 0x200F) ||                 // zero-width characters, LRM, RLM
         (c >= 0x2028 && c <= 0x202E) ||                 // line separators, bidi embeddings
         (c >= 0x2060 && c <= 0x206F) ||                 // word joiner, bidi isolates, ...
         c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) ||  // BOM, interlinear annotations
         (c >= 0xE0000 && c <= 0xE007F);                 // tag characters
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
