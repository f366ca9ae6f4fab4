#include "content_locator.h"

#include <algorithm>
#include <cstdint>

#include "char_class.h"
#include "images.h"
#include "markup_stripper.h"
#include "scratch.h"
#include "text_runs.h"
#include "text_search.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvane {
namespace {

constexpr size_t kMaxExamined = 900000;
constexpr int kBlockSize = 200;
constexpr int kStrongAbove = 70;
constexpr int16_t kFilledGap = 80;

// Entry k+1 holds the count of block k; entry 1 and entry N+1 (the last
// complete block) stay 0. Index 0 is unused so that indexes read as entries.
using BlockTable = std::vector<int16_t>;

struct Edge {
  enum : uint8_t { kRise = 1, kFall = 2 } Kind;
  int32_t BlockIndex;
};

bool IsStrong(int16_t count) { return count > kStrongAbove; }

// The body of the first 900000 units, from "<body" up to the first
// "</body>", which ends the text when the page has none.
std::u16string_view CutToBody(std::u16string_view lower) {
  const std::u16string_view examined = lower.substr(0, kMaxExamined);
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

// Entry k+2 holds how many units of block k lie in text runs and are
// counted by CharClass; entry 1 and entry N+1 (the last complete block)
// stay 0.
BlockTable CountBlocks(std::u16string_view text) {
  const size_t blocks = text.size() / kBlockSize;
  const size_t counted_end = blocks * kBlockSize;
  BlockTable BlockCounts(blocks + 2, 0);
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    const size_t end = std::min(lt, counted_end);
    for (size_t at = gt + 1; at < end;) {
      const size_t block_end = std::min(end, (at / kBlockSize + 1) * kBlockSize);
      BlockCounts[at / kBlockSize + 2] += CountedUnits(text.data() + at, block_end - at);
      at = block_end;
    }
  });
  BlockCounts[1] = 0;
  BlockCounts[blocks + 1] = 0;
  return BlockCounts;
}

// A weak entry with a strong one among the four before it and among the two
// after it becomes strong; raised entries count for the entries after them.
void FillGaps(BlockTable& BlockCounts) {
  const int last = static_cast<int>(BlockCounts.size()) - 1;
  for (int i = 5; i <= last - 2; ++i) {
    if (IsStrong(BlockCounts[i])) continue;
    const bool strongBefore = std::any_of(&BlockCounts[i - 4], &BlockCounts[i], IsStrong);
    const bool strongAfter = IsStrong(BlockCounts[i + 1]) || IsStrong(BlockCounts[i + 2]);
    if (strongBefore && strongAfter) BlockCounts[i] = kFilledGap;
  }
}

std::vector<Edge> FindEdges(const BlockTable& BlockCounts) {
  std::vector<Edge> Edges;
  for (int32_t i = 2; i < static_cast<int32_t>(BlockCounts.size()); ++i) {
    const bool strong = IsStrong(BlockCounts[i]);
    const bool strongBefore = IsStrong(BlockCounts[i - 1]);
    if (strong && !strongBefore) Edges.push_back({Edge::kRise, i});
    if (strongBefore && !strong) Edges.push_back({Edge::kFall, i});
  }
  return Edges;
}

struct Run {
  int32_t first = 0;      // first strong entry
  int32_t afterLast = 0;  // first weak entry after it
};

// The longest run; the first of equally long ones.
Run LongestRun(const std::vector<Edge>& Edges) {
  Run best;
  for (size_t e = 0; e + 1 < Edges.size(); ++e) {
    if (Edges[e].Kind != Edge::kRise || Edges[e + 1].Kind != Edge::kFall) continue;
    if (Edges[e + 1].BlockIndex - Edges[e].BlockIndex > best.afterLast - best.first) {
      best = {Edges[e].BlockIndex, Edges[e + 1].BlockIndex};
    }
  }
  return best;
}

// Windows in 1-based positions: the text window opens 300 units before the
// run and closes 199 after it; the image window reaches 1000 units further
// back (from the start when the text window starts at 2000 or before) and
// 400 further on.
Located CutWindows(std::u16string_view text, Run run, const Page& page) {
  const int64_t start = std::max<int64_t>(int64_t{run.first} * kBlockSize - 700, 1);
  const int64_t length = int64_t{run.afterLast - run.first} * kBlockSize + 500;
  const int64_t imageStart = start > 2000 ? start - 1000 : 1;
  const std::u16string_view imageWindow = text.substr(imageStart - 1, length + 1400);
  return {std::u16string(text.substr(start - 1, length)), CollectImages(imageWindow, page)};
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
  BlockTable BlockCounts = CountBlocks(text);
  FillGaps(BlockCounts);
  const Run run = LongestRun(FindEdges(BlockCounts));
  if (run.afterLast == run.first) return {};
  return CutWindows(text, run, page);
}

}  // namespace korvane
