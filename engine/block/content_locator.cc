// SPDX-License-Identifier: Apache-2.0
#include "block/content_locator.h"

#include <algorithm>
#include <cstdint>

#include "block/char_class.h"
#include "block/images.h"
#include "block/markup_stripper.h"
#include "block/text_runs.h"
#include "common/scratch.h"
#include "common/text_search.h"
#include "korvane.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {
namespace {

constexpr size_t kBlockSize = 200;

// A block is strong when more than this many of its units are counted.
constexpr int kStrongAbove = 70;
// A weak block is filled (made strong) when a strong block lies among the
// kLookBack blocks before it and among the kLookAhead blocks after it; blocks
// before kFirstFillable are never filled.
constexpr size_t kLookBack = 4;
constexpr size_t kLookAhead = 2;
constexpr size_t kFirstFillable = 3;
constexpr int16_t kFilledGap = 80;

// Margins of the windows cut around the run, in units of the cleaned body.
constexpr int64_t kTextBeforeRun = 301;
constexpr int64_t kTextAfterRun = 199;
constexpr int64_t kImagesBeforeText = 1000;
constexpr int64_t kImagesAfterText = 400;
// A text window that starts within this many units of the body's start has
// its image window start at the body's start.
constexpr int64_t kImagesFromStartBelow = 2000;

// How many counted units each complete block of 200 holds, from block 0 on.
using BlockCounts = std::vector<int16_t>;

bool IsStrong(int16_t count) { return count > kStrongAbove; }

// The body of the first 900000 units, from "<body" up to the first
// "</body>", which ends the text when the page has none.
std::u16string_view CutToBody(std::u16string_view lower) {
  const std::u16string_view examined = lower.substr(0, kExaminedUnits);
  const size_t start = Find(examined, u"<body");
  const size_t end = std::min(Find(examined, u"</body>"), examined.size());
  if (start == kNotFound || end <= start) return {};
  return examined.substr(start, end - start);
}

// How many of `size` units CharClass counts, eight at a time where it can.
int16_t CountedUnits(const char16_t* units, size_t size) {
  int count = 0;
  size_t at = 0;
#if defined(__SSE2__)
  const __m128i flip = _mm_set1_epi16(static_cast<short>(0x8000));
  // Lanes in [first, first + length), compared without sign.
  const auto in_range = [&](__m128i lanes, char16_t first, char16_t length) {
    const __m128i offset = _mm_sub_epi16(lanes, _mm_set1_epi16(static_cast<short>(first)));
    return _mm_cmplt_epi16(_mm_xor_si128(offset, flip),
                           _mm_xor_si128(_mm_set1_epi16(static_cast<short>(length)), flip));
  };
  // A counted lane is -1: subtracting it adds one to that lane's count.
  __m128i lane_counts = _mm_setzero_si128();
  for (; at + 8 <= size; at += 8) {
    const __m128i lanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + at));
    const __m128i counted =
        _mm_or_si128(_mm_or_si128(in_range(lanes, 0x4E00, 0x9FA5 - 0x4E00 + 1),
                                  in_range(lanes, 0xF900, 0xFA2D - 0xF900 + 1)),
                     _mm_or_si128(in_range(lanes, u'0', 10), in_range(lanes, u'a', 26)));
    lane_counts = _mm_sub_epi16(lane_counts, counted);
  }
  alignas(16) int16_t per_lane[8];
  _mm_store_si128(reinterpret_cast<__m128i*>(per_lane), lane_counts);
  for (const int16_t lane : per_lane) count += lane;
#endif
  for (; at < size; ++at) count += CharClass(units[at]) != kNotCounted;
  return static_cast<int16_t>(count);
}

// Only counted units of text runs count: not the markup inside tags, nor a
// run that holds a ">" of its own. The last complete block is never counted.
BlockCounts CountBlocks(std::u16string_view text) {
  BlockCounts counts(text.size() / kBlockSize, 0);
  const size_t counted_end = counts.size() * kBlockSize;
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    const size_t end = std::min(lt, counted_end);
    for (size_t at = gt + 1; at < end;) {
      const size_t block_end = std::min(end, (at / kBlockSize + 1) * kBlockSize);
      counts[at / kBlockSize] += CountedUnits(text.data() + at, block_end - at);
      at = block_end;
    }
  });
  if (!counts.empty()) counts.back() = 0;
  return counts;
}

// In page order, so that a filled block counts as strong for the blocks
// after it.
void FillGaps(BlockCounts& counts) {
  for (size_t block = kFirstFillable; block + kLookAhead < counts.size(); ++block) {
    if (IsStrong(counts[block])) continue;
    const int16_t* at = counts.data() + block;
    const bool strong_before = std::any_of(at - std::min(block, kLookBack), at, IsStrong);
    const bool strong_after = std::any_of(at + 1, at + 1 + kLookAhead, IsStrong);
    if (strong_before && strong_after) counts[block] = kFilledGap;
  }
}

// Blocks [first, after_last).
struct Run {
  size_t first = 0;
  size_t after_last = 0;
  size_t Length() const { return after_last - first; }
};

// The longest run of strong blocks; the first of equally long ones. The last
// block is weak, so every run ends inside the table.
Run LongestRun(const BlockCounts& counts) {
  Run best;
  size_t first = 0;
  for (size_t block = 0; block < counts.size(); ++block) {
    const bool strong = IsStrong(counts[block]);
    const bool strong_before = block > 0 && IsStrong(counts[block - 1]);
    if (strong && !strong_before) first = block;
    if (!strong && strong_before && block - first > best.Length()) best = {first, block};
  }
  return best;
}

// The text window: the run and its margins, cut at the body's start but not
// shortened by the cut. The image window: the text window widened by its
// own margins.
Located CutWindows(std::u16string_view text, Run run, const Page& page) {
  const int64_t run_start = static_cast<int64_t>(run.first * kBlockSize);
  const int64_t run_length = static_cast<int64_t>(run.Length() * kBlockSize);
  const int64_t text_start = std::max<int64_t>(run_start - kTextBeforeRun, 0);
  const int64_t text_length = kTextBeforeRun + run_length + kTextAfterRun;
  const int64_t image_start =
      text_start >= kImagesFromStartBelow ? text_start - kImagesBeforeText : 0;
  const int64_t image_length = kImagesBeforeText + text_length + kImagesAfterText;
  const std::u16string_view image_window = text.substr(image_start, image_length);
  return {std::u16string(text.substr(text_start, text_length)), CollectImages(image_window, page)};
}

}  // namespace

Located LocateContent(const Page& page) {
  const std::u16string_view body = CutToBody(page.lower);
  if (body.empty()) return {};
  thread_local ScratchPair scratch;
  scratch.text.assign(body);
  Rewriter cleaned(scratch.text, scratch.spare);
  RemoveBlocks(cleaned);
  ReplaceEntities(cleaned);
  const std::u16string_view text = cleaned.Text();
  BlockCounts counts = CountBlocks(text);
  FillGaps(counts);
  const Run run = LongestRun(counts);
  if (run.Length() == 0) return {};
  return CutWindows(text, run, page);
}

}  // namespace korvane
