// SPDX-License-Identifier: Apache-2.0
#include "block/lower_case.h"

#include <unicode/uchar.h>

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {
namespace {

// The longest stretch of units that lower-casing leaves alone, around one
// unit: [first, first + count).
struct UnchangedRange {
  char16_t first = 0;
  char16_t count = 0;
};

// The simple mapping of a BMP code point never leaves the BMP, so one table
// of code units answers for every unit, surrogates included (they map to
// themselves). Blocks of 256 units that lower-casing leaves alone (all of
// CJK) are marked, so that their units need no look-up.
struct LowerTable {
  std::array<char16_t, 0x10000> units{};
  std::array<bool, 0x100> unchanged_block{};
  // Around the CJK ideographs, and around the full-width punctuation: what
  // Chinese text is made of, besides ASCII.
  UnchangedRange ideographs;
  UnchangedRange full_width;
};

UnchangedRange UnchangedAround(const LowerTable& table, char16_t unit) {
  size_t first = unit;
  size_t end = unit;
  while (first > 0 && table.units[first - 1] == first - 1) --first;
  while (end < 0xFFFF && table.units[end] == end) ++end;
  return {static_cast<char16_t>(first), static_cast<char16_t>(end - first)};
}

LowerTable BuildLowerTable() {
  LowerTable table;
  table.unchanged_block.fill(true);
  for (UChar32 unit = 0; unit <= 0xFFFF; ++unit) {
    table.units[unit] = static_cast<char16_t>(u_tolower(unit));
    if (table.units[unit] != unit) table.unchanged_block[unit >> 8] = false;
  }
  table.ideographs = UnchangedAround(table, u'\u4E00');
  table.full_width = UnchangedAround(table, u'\uFF0C');
  return table;
}

const LowerTable& Lower() {
  static const LowerTable table = BuildLowerTable();
  return table;
}

#if defined(__SSE2__)
// Lanes whose unit lies in [first, first + count), compared without sign.
__m128i InRange(__m128i units, UnchangedRange range) {
  const __m128i offset = _mm_sub_epi16(units, _mm_set1_epi16(static_cast<short>(range.first)));
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  return _mm_cmplt_epi16(_mm_xor_si128(offset, flip),
                         _mm_xor_si128(_mm_set1_epi16(static_cast<short>(range.count)), flip));
}

// Eight units at once when each is ASCII or lies in a range that
// lower-casing leaves alone; false when some unit needs the table.
bool LowerEight(const LowerTable& table, const char16_t* from, char16_t* to) {
  const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  const __m128i ascii = InRange(units, {0, 0x80});
  const __m128i unchanged =
      _mm_or_si128(InRange(units, table.ideographs), InRange(units, table.full_width));
  if (_mm_movemask_epi8(_mm_or_si128(ascii, unchanged)) != 0xFFFF) return false;
  const __m128i upper = InRange(units, {u'A', 26});
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
    if (at + 8 <= text.size() && LowerEight(table, from + at, to + at)) {
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
