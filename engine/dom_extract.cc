#include "dom_extract.h"

#include <vector>

#include "dom_boilerplate.h"
#include "dom_cleaning.h"
#include "dom_headings.h"
#include "dom_hints.h"
#include "dom_images.h"
#include "dom_scoring.h"
#include "dom_stats.h"
#include "dom_text.h"
#include "dom_tree.h"
#include "scratch.h"

namespace korvane {
namespace {

// An article shorter than this (CJK counting three) is looked for again with
// fewer parts of the page ruled out.
constexpr uint32_t kEnoughText = 250;
// Per-node buffers longer than this are given back after a page.
constexpr size_t kKeptNodes = size_t{1} << 18;

struct Attempt {
  bool strip_unlikely;
  bool use_hints;
};
constexpr Attempt kAttempts[] = {{true, true}, {false, true}, {false, false}};

// Buffers of this thread, kept from page to page.
struct Work {
  Dom dom;
  std::vector<Hint> hints;
  std::vector<uint8_t> drops;
  std::vector<NodeStats> stats;
  std::u16string body;
  std::vector<NodeIndex> parts;

  // Frees what a huge page made huge.
  void GiveBackIfHuge() {
    dom.GiveBackIfHuge();
    if (stats.capacity() > kKeptNodes) {
      std::vector<Hint>().swap(hints);
      std::vector<uint8_t>().swap(drops);
      std::vector<NodeStats>().swap(stats);
    }
    korvane::GiveBackIfHuge(body);
  }
};

uint32_t TextLength(std::u16string_view text) {
  uint32_t chars = 0;
  uint32_t commas = 0;
  CountText(text, chars, commas);
  return chars;
}

// The article's text under one attempt; its length (weighted) is returned.
uint32_t TryAttempt(Work& work, const Attempt& attempt, NodeIndex& top) {
  MarkDrops(work.dom, work.hints, attempt.strip_unlikely, work.drops);
  ComputeStats(work.dom, work.drops, work.stats);
  const Selection selection =
      SelectArticle(ScoringInput{work.dom, work.hints, work.drops, work.stats, attempt.use_hints});
  CleanArticle(work.dom, work.hints, work.stats, selection.parts, attempt.use_hints, work.drops);
  TextWriter writer(work.body);
  for (const NodeIndex part : selection.parts) {
    writer.AppendSubtree(work.dom, part, work.drops);
    writer.Break();
  }
  writer.Finish();
  RemoveBoilerplateLines(work.body);
  top = selection.top;
  work.parts = selection.parts;
  return TextLength(work.body);
}

}  // namespace

Article ExtractDomArticle(std::u16string_view html) {
  thread_local Work work;
  work.dom.Parse(html);
  ComputeHints(work.dom, work.hints);
  Article article;
  uint32_t best_length = 0;
  NodeIndex best_top = kNoNode;
  for (const Attempt& attempt : kAttempts) {
    NodeIndex top = kNoNode;
    const uint32_t length = TryAttempt(work, attempt, top);
    if (length > best_length || article.body.empty()) {
      article.body = work.body;
      article.images = ArticleImages(work.dom, work.parts, work.drops);
      best_length = length;
      best_top = top;
    }
    if (length >= kEnoughText) break;
  }
  DomHeadings headings = ReadDomHeadings(work.dom, best_top);
  article.title = std::move(headings.title);
  article.headline = std::move(headings.headline);
  work.GiveBackIfHuge();
  return article;
}

}  // namespace korvane
