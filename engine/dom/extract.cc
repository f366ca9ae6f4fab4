// SPDX-License-Identifier: Apache-2.0
#include "dom/extract.h"

#include <algorithm>
#include <vector>

#include "common/scratch.h"
#include "dom/boilerplate.h"
#include "dom/cleaning.h"
#include "dom/drops.h"
#include "dom/edges.h"
#include "dom/hints.h"
#include "dom/images.h"
#include "dom/scoring.h"
#include "dom/stats.h"
#include "dom/text.h"
#include "html/tree.h"
#include "metadata/metadata.h"

namespace korvane {
namespace {

// An article shorter than this (CJK counting three) is looked for again with
// fewer parts of the page ruled out.
constexpr uint32_t kEnoughText = 250;
// Per-node buffers longer than this are given back after a page: news pages
// have up to about 17,000 nodes, so only pages far past them give back.
constexpr size_t kKeptNodes = size_t{1} << 16;

struct Attempt {
  bool strip_unlikely;
  bool use_hints;
};
constexpr Attempt kAttempts[] = {{true, true}, {false, true}, {false, false}};

// Buffers of this thread, kept from page to page.
struct Work {
  Dom dom;
  std::vector<Hint> hints;
  PageDrops page_drops;
  std::vector<uint8_t> drops;
  NodeStatsTable stats;
  std::u16string body;       // of the current attempt
  std::u16string best_body;  // of the best attempt so far
  std::vector<NodeIndex> parts;

  // Frees the tables of the attempts when a huge page made them huge, as
  // soon as the attempts are done: the metadata and the output take their
  // memory rather than more.
  void GiveBackAttemptsIfHuge() {
    if (hints.capacity() > kKeptNodes) {
      std::vector<Hint>().swap(hints);
      std::vector<uint8_t>().swap(drops);
    }
    korvane::GiveBackIfHuge(body);
  }
  // After the page's output is made.
  void GiveBackIfHuge() {
    dom.GiveBackIfHuge();
    korvane::GiveBackIfHuge(best_body);
  }
};

uint32_t TextLength(std::u16string_view text) {
  uint32_t chars = 0;
  uint32_t commas = 0;
  CountText(text, chars, commas);
  return chars;
}

// The article's text under one attempt; its length (weighted) is returned.
uint32_t TryAttempt(Work& work, const Attempt& attempt, ArticleSpan& span) {
  work.page_drops.Mark(work.dom, work.hints, attempt.strip_unlikely, work.drops);
  work.stats.Compute(work.dom, work.drops);
  const Selection selection =
      SelectArticle(ScoringInput{work.dom, work.hints, work.drops, work.stats, attempt.use_hints});
  CleanArticle(work.dom, work.hints, work.stats, selection.parts, attempt.use_hints, work.drops);
  // The text is written from the tree and the drops alone.
  work.stats.GiveBackIfHuge(kKeptNodes);
  TextWriter writer(work.body);
  for (const NodeIndex part : selection.parts) {
    writer.AppendSubtree(work.dom, part, work.drops);
    writer.Break();
  }
  writer.Finish();
  TrimEdges(work.body);
  RemoveBoilerplateLines(work.body);
  work.parts = selection.parts;
  span = ArticleSpan{};
  for (const NodeIndex part : selection.parts) {
    span.begin = std::min(span.begin, part);
    span.end = span.end == kNoNode ? work.dom[part].end : std::max(span.end, work.dom[part].end);
  }
  const NodeIndex enclosure = work.dom[selection.parts.front()].parent;
  span.enclosure_end = enclosure == kNoNode ? work.dom.size() : work.dom[enclosure].end;
  return TextLength(work.body);
}

// The headline has a field of its own: the body does not open with it again.
void WithoutLeadingHeadline(std::u16string_view headline, std::u16string& body) {
  if (headline.empty() || !std::u16string_view(body).starts_with(headline)) return;
  if (body.size() == headline.size()) return;  // the headline is all the text there is
  if (std::u16string_view(body).substr(headline.size(), 2) == u"\r\n") {
    body.erase(0, headline.size() + 2);
  }
}

}  // namespace

Article ExtractDomArticle(std::u16string_view html) {
  thread_local Work work;
  work.dom.Parse(html);
  ComputeHints(work.dom, work.hints);
  work.page_drops.Read(work.dom);
  PageHeadings headings = ReadPageHeadings(work.dom);
  work.page_drops.TrustArticleContainers(work.dom, headings.headline_node, work.hints);
  Article article;
  work.best_body.clear();
  uint32_t best_length = 0;
  ArticleSpan best_span;
  for (const Attempt& attempt : kAttempts) {
    ArticleSpan span;
    const uint32_t length = TryAttempt(work, attempt, span);
    if (length > best_length || work.best_body.empty()) {
      work.best_body.swap(work.body);
      article.images = ArticleImages(work.dom, work.parts, work.drops);
      best_length = length;
      best_span = span;
    }
    if (length >= kEnoughText) break;
  }
  work.GiveBackAttemptsIfHuge();
  article.body = work.best_body;
  PageMetadata metadata = ReadMetadata(work.dom, best_span, std::move(headings));
  WithoutLeadingHeadline(metadata.headline, article.body);
  TrimAuthorNote(article.body, metadata.author);
  article.title = std::move(metadata.title);
  article.headline = std::move(metadata.headline);
  article.author = std::move(metadata.author);
  article.published = std::move(metadata.published);
  work.GiveBackIfHuge();
  return article;
}

}  // namespace korvane
