#include "lower_case.h"

#include <unicode/uchar.h>

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {
namespace {

// The simple mapping of a BMP code point never leaves the BMP, so one table
// of code units answers for every unit, surrogates included (they map to
// themselves). Blocks of 256 units that lower-casing leaves alone (all of
// CJK) are marked, so that their units need no look-up.
struct LowerTable {
  std::array<char16_t, 0x10000> units{};
  std::array<bool, 0x100> unchanged_block{};
};

LowerTable BuildLowerTable() {
  LowerTable table;
  table.unchanged_block.fill(true);
  for (UChar32 unit = 0; unit <= 0xFFFF; ++unit) {
    table.units[unit] = static_cast<char16_t>(u_tolower(unit));
    if (table.units[unit] != unit) table.unchanged_block[unit >> 8] = false;
  }
  return table;
}

const LowerTable& Lower() {
  static const LowerTable table = BuildLowerTable();
  return table;
}

#if defined(__SSE2__)
// Eight units at once when all are ASCII; false when some are not.
bool LowerAscii8(const char16_t* from, char16_t* to) {
  const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  if (_mm_movemask_epi8(_mm_cmpgt_epi16(units, _mm_set1_epi16(0x7F))) != 0 ||
      _mm_movemask_epi8(_mm_cmplt_epi16(units, _mm_setzero_si128())) != 0) {
    return false;
  }
  const __m128i upper = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16('A' - 1)),
                                      _mm_cmplt_epi16(units, _mm_set1_epi16('Z' + 1)));
  const __m128i lowered = _mm_add_epi16(units, _mm_and_si128(upper, _mm_set1_epi16(32)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), lowered);
  return true;
}
#endif

}  // namespace

void LowerCaseInto(std::u16string_view text, std::u16string& lower) {
  const LowerTable& table = Lower();
  lower.resize(text.size());
  const char16_t* from = text.data();
  char16_t* to = lower.data();
  size_t at = 0;
  while (at < text.size()) {
#if defined(__SSE2__)
    if (at + 8 <= text.size() && LowerAscii8(from + at, to + at)) {
      at += 8;
      continue;
    }
#endif
    const char16_t unit = from[at];
    to[at] = table.unchanged_block[unit >> 8] ? unit : table.units[unit];
    ++at;
  }
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string lower;
  LowerCaseInto(text, lower);
  return lower;
}

}  // namespace korvane
