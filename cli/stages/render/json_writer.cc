// SPDX-License-Identifier: Apache-2.0
#include "render/json_writer.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane::cli {
namespace {

// Units written per piece, and the most bytes one unit can take ("\u001f").
constexpr size_t kPieceUnits = 2048;
constexpr size_t kMostBytesPerUnit = 6;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

template <bool kEscape>
char* WriteAscii(char16_t unit, char* out) {
  if (!kEscape) {
    *out++ = static_cast<char>(unit);
    return out;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  char escape = 0;
  switch (unit) {
    case '"':
      escape = '"';
      break;
    case '\\':
      escape = '\\';
      break;
    case '\b':
      escape = 'b';
      break;
    case '\t':
      escape = 't';
      break;
    case '\n':
      escape = 'n';
      break;
    case '\f':
      escape = 'f';
      break;
    case '\r':
      escape = 'r';
      break;
    default:
      if (unit >= 0x20) {
        *out++ = static_cast<char>(unit);
        return out;
      }
      *out++ = '\\';
      *out++ = 'u';
      *out++ = '0';
      *out++ = '0';
      *out++ = kHex[unit >> 4];
      *out++ = kHex[unit & 0xF];
      return out;
  }
  *out++ = '\\';
  *out++ = escape;
  return out;
}

char* WriteCodePoint(char32_t code_point, char* out) {
  if (code_point < 0x800) {
    *out++ = static_cast<char>(0xC0 | code_point >> 6);
  } else if (code_point < 0x10000) {
    *out++ = static_cast<char>(0xE0 | code_point >> 12);
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | code_point >> 18);
    *out++ = static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
  }
  *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  return out;
}

#if defined(__SSE2__)
// Copies the ASCII units that need no escape, eight at a time, while there
// are eight; returns how many it copied (it may write up to eight bytes
// more).
template <bool kEscape>
size_t CopyPlainAscii(const char16_t* in, size_t size, char* out) {
  size_t at = 0;
  while (at + 8 <= size) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
    __m128i plain = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16(kEscape ? 0x1F : -1)),
                                  _mm_cmplt_epi16(units, _mm_set1_epi16(0x80)));
    if (kEscape) {
      const __m128i special = _mm_or_si128(_mm_cmpeq_epi16(units, _mm_set1_epi16('"')),
                                           _mm_cmpeq_epi16(units, _mm_set1_epi16('\\')));
      plain = _mm_andnot_si128(special, plain);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), _mm_packus_epi16(units, units));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(plain));
    if (mask != 0xFFFF) return at + __builtin_ctz(~mask) / 2;
    at += 8;
  }
  return at;
}
#else
template <bool kEscape>
size_t CopyPlainAscii(const char16_t*, size_t, char*) {
  return 0;
}
#endif

// Appends `text` as UTF-8, escaped for a JSON string when kEscape says so;
// a lone surrogate becomes U+FFFD.
template <bool kEscape>
void AppendAsUtf8(std::u16string_view text, std::string& out) {
  // Written a piece at a time into a buffer in the first-level cache, then
  // appended: a string cannot be grown without zeroing it first.
  char buffer[kPieceUnits * kMostBytesPerUnit + 8];
  const char16_t* in = text.data();
  size_t at = 0;
  while (at < text.size()) {
    const size_t piece_end = std::min(text.size(), at + kPieceUnits);
    char* written = buffer;
    while (at < piece_end) {
      const size_t plain = CopyPlainAscii<kEscape>(in + at, piece_end - at, written);
      at += plain;
      written += plain;
      if (at == piece_end) break;
      const char16_t unit = in[at++];
      if (unit < 0x80) {
        written = WriteAscii<kEscape>(unit, written);
      } else if (!IsHighSurrogate(unit) && !IsLowSurrogate(unit)) {
        written = WriteCodePoint(unit, written);
      } else if (IsHighSurrogate(unit) && at < text.size() && IsLowSurrogate(in[at])) {
        // The low half may lie past the piece: a pair takes fewer bytes than
        // the room kept for its two units.
        written = WriteCodePoint(0x10000 + ((unit - 0xD800) << 10) + (in[at++] - 0xDC00), written);
      } else {
        written = WriteCodePoint(0xFFFD, written);
      }
    }
    out.append(buffer, written);
  }
}

}  // namespace

void AppendJsonString(std::u16string_view text, std::string& out) {
  out.push_back('"');
  AppendAsUtf8<true>(text, out);
  out.push_back('"');
}

void AppendJsonStringContent(std::u16string_view text, std::string& out) {
  AppendAsUtf8<true>(text, out);
}

void AppendUtf8(std::u16string_view text, std::string& out) { AppendAsUtf8<false>(text, out); }

}  // namespace korvane::cli
