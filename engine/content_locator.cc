#include "content_locator.h"

#include <algorithm>
#include <cstdint>

#include "char_class.h"
#include "images.h"
#include "korvane.h"
#include "markup_stripper.h"
#include "scratch.h"
#include "text_runs.h"
#include "text_search.h"

namespace korvane {
namespace {

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
  const std::u16string_view examined = lower.substr(0, kExaminedUnits);
  const size_t start = Find(examined, u"<body");
  const size_t end = std::min(Find(examined, u"</body>"), examined.size());
  if (start == kNotFound || end <= start) return {};
  return examined.substr(start, end - start);
}

// 1 at every position of a text run that holds a counted character.
std::vector<uint8_t> MarkText(std::u16string_view text) {
  std::vector<uint8_t> TextMarks(text.size(), 0);
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    for (size_t at = gt + 1; at < lt; ++at) {
      if (CharClass(text[at]) != kNotCounted) TextMarks[at] = 1;
    }
  });
  return TextMarks;
}

BlockTable CountBlocks(const std::vector<uint8_t>& TextMarks) {
  const size_t blocks = TextMarks.size() / kBlockSize;
  BlockTable BlockCounts(blocks + 2, 0);
  for (size_t at = 0; at < blocks * kBlockSize; ++at) {
    BlockCounts[at / kBlockSize + 2] += TextMarks[at];
  }
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
  BlockTable BlockCounts = CountBlocks(MarkText(text));
  FillGaps(BlockCounts);
  const Run run = LongestRun(FindEdges(BlockCounts));
  if (run.afterLast == run.first) return {};
  return CutWindows(text, run, page);
}

}  // namespace korvane
