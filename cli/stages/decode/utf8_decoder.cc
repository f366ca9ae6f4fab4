// SPDX-License-Identifier: Apache-2.0
#include "decode/utf8_decoder.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane::cli {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The range of the byte after a lead byte, as the table of well-formed
// sequences gives it (E0 and F0 exclude overlong forms, ED the surrogates,
// F4 what lies past U+10FFFF); an empty range when the byte cannot lead.
struct SecondByteRange {
  uint8_t low;
  uint8_t high;
};

SecondByteRange SecondByte(uint8_t lead) {
  if (lead < 0xC2 || lead > 0xF4) return {0xFF, 0x00};
  if (lead == 0xE0) return {0xA0, 0xBF};
  if (lead == 0xED) return {0x80, 0x9F};
  if (lead == 0xF0) return {0x90, 0xBF};
  if (lead == 0xF4) return {0x80, 0x8F};
  return {0x80, 0xBF};
}

int SequenceLength(uint8_t lead) { return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

// Decodes the multi-byte sequence at `in` (lead byte >= 0x80) when it is
// whole and well-formed; returns its length, or 0. The code point's range
// rules out what the table of well-formed sequences rules out (overlong
// forms, surrogates, past U+10FFFF), with fewer branches than looking at
// the second byte: this runs for every character of Chinese text.
int DecodeSequence(const uint8_t* in, size_t available, char16_t* out, size_t& written) {
  const uint8_t lead = in[0];
  if (lead < 0xE0) {
    if (lead < 0xC2 || available < 2 || !IsContinuation(in[1])) return 0;
    out[written++] = static_cast<char16_t>((lead & 0x1F) << 6 | (in[1] & 0x3F));
    return 2;
  }
  if (lead < 0xF0) {
    if (available < 3 || !IsContinuation(in[1]) || !IsContinuation(in[2])) return 0;
    const uint32_t code_point = (lead & 0x0F) << 12 | (in[1] & 0x3F) << 6 | (in[2] & 0x3F);
    if (code_point < 0x800 || (code_point >= 0xD800 && code_point <= 0xDFFF)) return 0;
    out[written++] = static_cast<char16_t>(code_point);
    return 3;
  }
  if (available < 4 || !IsContinuation(in[1]) || !IsContinuation(in[2]) || !IsContinuation(in[3])) {
    return 0;
  }
  const uint32_t code_point =
      (lead & 0x07) << 18 | (in[1] & 0x3F) << 12 | (in[2] & 0x3F) << 6 | (in[3] & 0x3F);
  if (lead > 0xF4 || code_point < 0x10000 || code_point > 0x10FFFF) return 0;
  out[written++] = static_cast<char16_t>(0xD7C0 + (code_point >> 10));
  out[written++] = static_cast<char16_t>(0xDC00 | (code_point & 0x3FF));
  return 4;
}

#if defined(__SSE2__)
// Widens runs of ASCII 16 bytes at a time; returns how many ASCII bytes it
// took (it may write up to 16 units more, which the caller's room allows:
// units never outnumber bytes).
size_t WidenAscii(const uint8_t* in, size_t size, char16_t* out) {
  size_t at = 0;
  while (at + 16 <= size) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(bytes, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(bytes, zero));
    const int high_bits = _mm_movemask_epi8(bytes);
    if (high_bits != 0) return at + __builtin_ctz(static_cast<unsigned>(high_bits));
    at += 16;
  }
  while (at < size && in[at] < 0x80) {
    out[at] = in[at];
    ++at;
  }
  return at;
}
#else
size_t WidenAscii(const uint8_t* in, size_t size, char16_t* out) {
  size_t at = 0;
  while (at < size && in[at] < 0x80) {
    out[at] = in[at];
    ++at;
  }
  return at;
}
#endif

}  // namespace

Utf8Run DecodeWellFormedUtf8(std::string_view bytes, char16_t* out) {
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  const size_t size = bytes.size();
  Utf8Run run;
  size_t at = 0;
  size_t written = 0;
  while (at < size) {
    const size_t ascii = WidenAscii(in + at, size - at, out + written);
    at += ascii;
    written += ascii;
    // Text between markup is often many multi-byte characters in a row.
    while (at < size && in[at] >= 0x80) {
      const int length = DecodeSequence(in + at, size - at, out, written);
      if (length == 0) {
        run.read = at;
        run.written = written;
        return run;
      }
      run.multibyte = true;
      at += length;
    }
  }
  run.read = at;
  run.written = written;
  return run;
}

size_t IllFormedUtf8Length(std::string_view bytes) {
  if (bytes.empty()) return 0;
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  const SecondByteRange second = SecondByte(in[0]);
  if (bytes.size() < 2 || in[1] < second.low || in[1] > second.high) return 1;
  const size_t whole = std::min<size_t>(SequenceLength(in[0]), bytes.size());
  size_t length = 2;
  while (length < whole && IsContinuation(in[length])) ++length;
  return length;
}

Utf8Decoding AppendUtf8AsUtf16(std::string_view bytes, std::u16string& out) {
  // Decoded a piece at a time into a buffer that stays in the first-level
  // cache, then appended: a string cannot be grown without zeroing it.
  constexpr size_t kPiece = 8192;
  char16_t piece[kPiece];
  out.reserve(out.size() + bytes.size());
  Utf8Decoding decoding;
  size_t at = 0;
  while (at < bytes.size()) {
    const std::string_view part = bytes.substr(at, kPiece);
    const Utf8Run run = DecodeWellFormedUtf8(part, piece);
    out.append(piece, run.written);
    decoding.multibyte |= run.multibyte;
    at += run.read;
    if (run.read == part.size()) continue;
    // A sequence cut by the end of the piece is decoded with the next one
    // (the piece is then whole, so that something was read before the cut).
    const size_t left = part.size() - run.read;
    const bool cut =
        at + left < bytes.size() && left < 4 && IllFormedUtf8Length(part.substr(run.read)) == left;
    if (cut) continue;
    out.push_back(kReplacement);
    ++decoding.replaced;
    at += IllFormedUtf8Length(bytes.substr(at));
  }
  return decoding;
}

}  // namespace korvane::cli
