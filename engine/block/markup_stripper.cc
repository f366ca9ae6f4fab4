// SPDX-License-Identifier: Apache-2.0
#include "block/markup_stripper.h"

#include <algorithm>
#include <optional>

#include "block/lower_case.h"
#include "block/text_runs.h"
#include "common/scratch.h"
#include "common/text_search.h"

namespace korvane {
namespace {

// Stands for a line break while tags are still in the text.
constexpr std::u16string_view kBreak = u"zorblevant";

void RemoveBlock(Rewriter& text, std::u16string_view open, std::u16string_view close) {
  // The appended close marker ends a block that the page left open.
  text.Append(close).RemoveSpans(open, close);
}

// A tag that breaks a line ("<p...", "<br...") gets the break word in front
// and "q"s for its name's letters: the word ends the text before the tag,
// the "<" keeps the tag a tag for the scan, and the new name no longer
// matches, so that the replacement is not found again.
void MarkLineBreaks(Rewriter& text) {
  text.ReplaceAll(u"  ", u" ")
      .ReplaceAll(u"</td>", u" ")
      .ReplaceAll(u"</li>", kBreak)
      .ReplaceAll(u"</p>", kBreak)
      .ReplaceAll(u"<p", u"zorblevant<q")
      .ReplaceAll(u"<br", u"zorblevant<qq")
      .ReplaceAll(u"br>", u"qq>zorblevant")
      .ReplaceAll(u"</tr>", kBreak);
}

void KeepTextRuns(std::u16string_view text, std::u16string& kept) {
  kept.clear();
  ForEachTextRun(text, [&](size_t gt, size_t lt) {
    kept.append(TrimSpaces(text.substr(gt + 1, lt - gt - 1)));
  });
}

// Units of tidied text at its end that text after it could still change:
// each tidying pattern reaches fewer units than its length past where it
// starts, and no replacement is longer than what it replaces.
constexpr size_t kTidyReach = 64;

// Units after the first "<" of a stretch, and before its closing ">", that
// decide every line-break pattern touching that "<" or that ">".
constexpr size_t kKeptAfterLt = 8;
constexpr size_t kKeptBeforeGt = 12;
// Stands for a dropped stretch that held a ">": no line-break pattern ends
// in it, and the scan for text runs lands on it as on the ">" it replaces.
constexpr std::u16string_view kStandInGt = u"\u0001>";

// What is kept of a text, copied only once something is left out: until
// then the kept text is the text's first `end` units.
class KeptText {
 public:
  explicit KeptText(std::u16string_view text) : text_(text) {}

  void Keep(size_t from, size_t to) {
    if (from != end_) Copy();
    if (copy_) copy_->append(text_.substr(from, to - from));
    end_ = to;
  }
  void Add(std::u16string_view stand_in) {
    Copy();
    copy_->append(stand_in);
  }
  // Into `text`, which holds what this was made from.
  void MoveInto(std::u16string& text) {
    if (copy_) {
      text.swap(*copy_);
    } else {
      text.resize(end_);
    }
  }

 private:
  void Copy() {
    if (!copy_) copy_.emplace(text_.substr(0, end_));
  }

  std::u16string_view text_;
  size_t end_ = 0;
  std::optional<std::u16string> copy_;
};

// `text` (blocks and entities removed) without what no text run can reach,
// so that marking line breaks in it cannot grow what is thrown away. Text
// runs start at a ">" and end at the next "<", and every ">" and "<" that
// marking leaves comes from one of the text; so nothing between the first
// "<" after a ">" and the next ">" is kept, nor anything in a stretch without
// "<" that a ">" ends (a run over it meets that ">" first). Enough is kept
// around each "<" and ">" for the patterns there to be decided alike, and a
// dropped ">" leaves a stand-in, so that the runs come out the same.
void DropDeadStretches(std::u16string& text) {
  const std::u16string_view all = text;
  KeptText live(all);
  size_t start = 0;
  while (start < all.size()) {
    const size_t lt = FindUnit(all, u'<', start);
    const size_t gt = FindUnit(all, u'>', start);
    if (gt == kNotFound) {  // after the last ">": only up to the first "<" counts
      if (lt != kNotFound) live.Keep(start, std::min(lt + kKeptAfterLt, all.size()));
      break;
    }
    if (lt != kNotFound && lt < gt) {
      const size_t left_end = std::min(lt + kKeptAfterLt, gt);
      live.Keep(start, left_end);
      live.Keep(gt > kKeptBeforeGt ? std::max(left_end, gt - kKeptBeforeGt) : left_end, gt + 1);
      start = gt + 1;
      continue;
    }
    // A stretch without "<", up to its last ">".
    const size_t last_gt = all.substr(0, lt == kNotFound ? all.size() : lt).rfind(u'>');
    const size_t window = last_gt > start + kKeptBeforeGt ? last_gt - kKeptBeforeGt : start;
    if (window > start && FindUnit(all.substr(0, window), u'>', start) != kNotFound) {
      live.Keep(start, start);
      live.Add(kStandInGt);
    }
    live.Keep(window, last_gt + 1);
    start = last_gt + 1;
  }
  live.MoveInto(text);
}

void TidyLines(Rewriter& text) {
  text.ReplaceAll(u"\r", u"")
      .ReplaceAll(u"\n", u"")
      .ReplaceAll(u"\t", u"")
      .ReplaceAll(u"  ", u" ")
      .ReplaceAll(kBreak, u"\r\n")
      .ReplaceAll(u" \r\n", u"\r\n")
      .ReplaceAll(u"\r\n\r\n", u"\r\n");
}

}  // namespace

void RemoveBlocks(Rewriter& text) {
  RemoveBlock(text, u"<style", u"</style>");
  RemoveBlock(text, u"<script", u"</script>");
  RemoveBlock(text, u"<head", u"</head>");
  RemoveBlock(text, u"<!--", u"-->");
}

void ReplaceEntities(Rewriter& text) {
  text.ReplaceAll(u"&nbsp;", u" ")
      .ReplaceAll(u"&lt;", u"<")
      .ReplaceAll(u"&gt;", u">")
      .RemoveEntities(u"&", u";")
      .ReplaceAll(u"&amp;", u"&");
}

std::u16string StripMarkupFront(std::u16string_view markup,
                                bool (*enough)(std::u16string_view plain), size_t first_part) {
  thread_local ScratchPair marked, plain;
  // Room for the markers that removing blocks appends: a huge title is not
  // copied into a buffer twice its size.
  marked.text.reserve(markup.size() + 64);
  LowerCaseInto(markup, marked.text);
  Rewriter text(marked.text, marked.spare);
  RemoveBlocks(text);
  ReplaceEntities(text);
  thread_local std::u16string live;
  text.MoveInto(live);
  DropDeadStretches(live);
  std::u16string result;
  for (size_t part = std::max<size_t>(first_part, 1);;) {
    // Cut right after a ">": no line-break pattern reaches past one, so the
    // part marks as the start of the whole does, and its text runs are the
    // first runs of the whole. A part past half the whole is the whole, and
    // parts at least double, so no more than twice the work is done.
    const size_t gt = part < live.size() ? FindUnit(live, u'>', part) : kNotFound;
    const bool whole = gt == kNotFound || gt + 1 > live.size() / 2;
    if (!whole) marked.text.assign(live, 0, gt + 1);
    Rewriter front(whole ? live : marked.text, marked.spare);
    MarkLineBreaks(front);
    KeepTextRuns(front.Text(), plain.text);
    Rewriter lines(plain.text, plain.spare);
    TidyLines(lines);
    std::u16string_view settled = lines.Text();
    if (!whole) settled.remove_suffix(std::min(settled.size(), kTidyReach));
    if (whole || enough(settled)) {
      result.assign(settled);
      break;
    }
    part = std::max(part * 8, 2 * (gt + 1));
  }
  GiveBackIfHuge(marked);
  GiveBackIfHuge(plain);
  GiveBackIfHuge(live);
  return result;
}

std::u16string StripMarkup(std::u16string_view markup) {
  thread_local ScratchPair marked, plain;
  LowerCaseInto(markup, marked.text);
  Rewriter text(marked.text, marked.spare);
  // The locator's window is clean already, but cleaning twice is not cleaning
  // once: its entity pass turns "&lt;script" or "&lt;!--" into blocks that
  // only this pass removes.
  RemoveBlocks(text);
  ReplaceEntities(text);
  MarkLineBreaks(text);

  KeepTextRuns(text.Text(), plain.text);
  Rewriter lines(plain.text, plain.spare);
  TidyLines(lines);
  std::u16string result(lines.Text());
  GiveBackIfHuge(marked);
  GiveBackIfHuge(plain);
  return result;
}

}  // namespace korvane
