// SPDX-License-Identifier: Apache-2.0
#include "common/text_search.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {
namespace {

bool MiddleMatches(const char16_t* at, std::u16string_view pattern) {
  return std::memcmp(at + 1, pattern.data() + 1, (pattern.size() - 2) * sizeof(char16_t)) == 0;
}

#if defined(__SSE2__)
constexpr size_t kLanes = 8;

__m128i Load(const char16_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// Two mask bits per unit; the lowest set pair is the first hit.
size_t FirstLane(unsigned mask) { return static_cast<size_t>(__builtin_ctz(mask)) / 2; }

unsigned Mask(__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)); }

// The units equal to one of two, eight at a time (both the same for one).
struct Either {
  explicit Either(char16_t one, char16_t other)
      : ones(_mm_set1_epi16(static_cast<short>(one))),
        others(_mm_set1_epi16(static_cast<short>(other))),
        same(one == other) {}

  unsigned operator()(const char16_t* at) const {
    const __m128i units = Load(at);
    const __m128i hits = _mm_cmpeq_epi16(units, ones);
    return Mask(same ? hits : _mm_or_si128(hits, _mm_cmpeq_epi16(units, others)));
  }

  __m128i ones;
  __m128i others;
  bool same;
};
#endif

// Sixteen units a round: a run of text between two tags, or an attribute's
// value, mostly ends within the first, so the loop's end is foreseen.
size_t FindFirstOf(std::u16string_view text, char16_t one, char16_t other, size_t from) {
  size_t at = from;
#if defined(__SSE2__)
  const Either hits(one, other);
  for (; at + 2 * kLanes <= text.size(); at += 2 * kLanes) {
    const unsigned mask = hits(text.data() + at) | (hits(text.data() + at + kLanes) << 16);
    if (mask != 0) return at + FirstLane(mask);
  }
  if (at + kLanes <= text.size()) {
    if (const unsigned mask = hits(text.data() + at); mask != 0) return at + FirstLane(mask);
    at += kLanes;
  }
#endif
  for (; at < text.size(); ++at) {
    if (text[at] == one || text[at] == other) return at;
  }
  return kNotFound;
}

}  // namespace

size_t FindUnit(std::u16string_view text, char16_t unit, size_t from) {
  return FindFirstOf(text, unit, unit, from);
}

size_t FindEither(std::u16string_view text, char16_t one, char16_t other, size_t from) {
  return FindFirstOf(text, one, other, from);
}

// Candidates are positions whose first and last units both match; only
// those are compared in full.
size_t Find(std::u16string_view text, std::u16string_view pattern, size_t from) {
  const size_t length = pattern.size();
  if (length == 0) return from <= text.size() ? from : kNotFound;
  if (length == 1) return FindUnit(text, pattern[0], from);
  if (from > text.size() || text.size() - from < length) return kNotFound;
  const size_t last_start = text.size() - length;
  const char16_t first = pattern.front();
  const char16_t last = pattern.back();
  size_t at = from;
#if defined(__SSE2__)
  const __m128i first_units = _mm_set1_epi16(static_cast<short>(first));
  const __m128i last_units = _mm_set1_epi16(static_cast<short>(last));
  for (; at + kLanes - 1 <= last_start; at += kLanes) {
    const char16_t* block = text.data() + at;
    const __m128i hits = _mm_and_si128(_mm_cmpeq_epi16(Load(block), first_units),
                                       _mm_cmpeq_epi16(Load(block + length - 1), last_units));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    while (mask != 0) {
      const size_t lane = FirstLane(mask);
      if (length == 2 || MiddleMatches(block + lane, pattern)) return at + lane;
      mask &= ~(3u << (2 * lane));
    }
  }
#endif
  for (; at <= last_start; ++at) {
    const char16_t* candidate = text.data() + at;
    if (candidate[0] == first && candidate[length - 1] == last &&
        (length == 2 || MiddleMatches(candidate, pattern))) {
      return at;
    }
  }
  return kNotFound;
}

// Patterns up to this long are searched with Find: at most this many
// comparisons per position.
constexpr size_t kShortPattern = 32;

// Knuth, Morris and Pratt: after a mismatch the search goes on from the
// longest prefix of the pattern that ends there, so no unit of the text is
// read twice.
size_t FindLinear(std::u16string_view text, std::u16string_view pattern) {
  if (pattern.size() <= kShortPattern) return Find(text, pattern);
  if (pattern.size() > text.size()) return kNotFound;
  // border[i]: the length of the longest proper prefix of pattern[0, i] that
  // is also its suffix.
  std::vector<size_t> border(pattern.size(), 0);
  for (size_t i = 1, length = 0; i < pattern.size(); ++i) {
    while (length > 0 && pattern[i] != pattern[length]) length = border[length - 1];
    if (pattern[i] == pattern[length]) ++length;
    border[i] = length;
  }
  for (size_t at = 0, matched = 0; at < text.size(); ++at) {
    while (matched > 0 && text[at] != pattern[matched]) matched = border[matched - 1];
    if (text[at] == pattern[matched]) ++matched;
    if (matched == pattern.size()) return at + 1 - matched;
  }
  return kNotFound;
}

}  // namespace korvane
