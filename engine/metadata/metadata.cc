#include "metadata/metadata.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/scratch.h"
#include "common/text_search.h"
#include "metadata/declared.h"
#include "metadata/page_lines.h"
#include "metadata/printed.h"
#include "metadata/title.h"

namespace korvane {
namespace {

// Blocks read before and after the article: enough for the lines the
// headline is looked for in and the lines scanned around it.
constexpr size_t kBlocksBefore = 120;
constexpr size_t kBlocksAfter = 80;
// Blocks read at an article's start and end; its middle is prose.
constexpr size_t kArticleHeadBlocks = 40;
constexpr size_t kArticleTailBlocks = 30;

NodeWindow AroundArticle(const Dom& dom, ArticleSpan article) {
  if (article.begin == kNoNode) return NodeWindow{0, dom.size()};
  const auto starts_line = [&](NodeIndex node) {
    return Has(dom[node].tag, kBlock) || dom[node].tag == Tag::kBr;
  };
  NodeWindow window{article.begin, std::min(article.end, dom.size())};
  for (size_t blocks = 0; window.begin > 0 && blocks < kBlocksBefore;) {
    blocks += starts_line(--window.begin);
  }
  for (size_t blocks = 0; window.end < dom.size() && blocks < kBlocksAfter;) {
    blocks += starts_line(window.end++);
  }
  return window;
}

// The window without the middle of a long article: datelines and bylines
// stand at an article's start and end, and its prose is most of the text.
std::vector<NodeRange> LinesToRead(const Dom& dom, const NodeWindow& window, ArticleSpan article) {
  if (article.begin == kNoNode) return {NodeRange{window.begin, window.end}};
  const auto starts_line = [&](NodeIndex node) {
    return Has(dom[node].tag, kBlock) || dom[node].tag == Tag::kBr;
  };
  NodeIndex head = article.begin;
  for (size_t blocks = 0; head < article.end && blocks < kArticleHeadBlocks; ++head) {
    blocks += starts_line(head);
  }
  NodeIndex tail = std::min(article.end, dom.size());
  for (size_t blocks = 0; tail > head && blocks < kArticleTailBlocks;) {
    blocks += starts_line(--tail);
  }
  if (tail <= head) return {NodeRange{window.begin, window.end}};
  return {NodeRange{window.begin, head}, NodeRange{tail, window.end}};
}

std::u16string PublishedDate(const std::optional<Date>& declared,
                             const std::optional<Date>& printed) {
  if (declared && printed && declared->day && printed->SameDay(*declared) && printed->HasTime() &&
      !declared->HasTime()) {
    return printed->Iso();
  }
  if (declared) return declared->Iso();
  return printed ? printed->Iso() : std::u16string();
}

}  // namespace

PageHeadings ReadPageHeadings(const Dom& dom) {
  const SiteTitles titles = ReadSiteTitles(dom);
  return ReadHeadings(dom, titles.og_title, titles.site_name);
}

PageMetadata ReadMetadata(const Dom& dom, ArticleSpan article, PageHeadings headings) {
  thread_local PageLines lines;
  // A huge page's buffers are given back (by swaps: a string's move
  // assignment may keep its buffer).
  struct GiveBack {
    PageLines& lines;
    ~GiveBack() {
      GiveBackIfHuge(lines.text);
      constexpr size_t kKeptLines = kKeptScratchUnits / 16;
      if (lines.lines.capacity() > kKeptLines) std::vector<TextLine>().swap(lines.lines);
      if (lines.links.capacity() > kKeptLines) decltype(lines.links)().swap(lines.links);
      if (lines.seams.capacity() > kKeptLines) decltype(lines.seams)().swap(lines.seams);
    }
  } give_back{lines};
  const NodeWindow window = AroundArticle(dom, article);
  const Declared declared = ReadDeclared(dom, window);
  if (!window.Holds(headings.headline_node)) headings.headline_node = kNoNode;
  CollectLines(dom, LinesToRead(dom, window, article), lines);
  const Zones zones = PlaceZones(lines, headings, article);

  PageMetadata metadata;
  metadata.published = PublishedDate(declared.published, PrintedDate(lines, zones, declared));
  // Sites name themselves where the author belongs ("网易").
  const auto names_site = [&](const std::u16string& author) {
    const std::u16string& site_name = declared.site_name;
    return author.size() >= 2 && (FindLinear(headings.site, author) != kNotFound ||
                                  FindLinear(site_name, author) != kNotFound ||
                                  (site_name.size() >= 3 && author.starts_with(site_name)));
  };
  PrintedAuthors printed = PrintedAuthor(dom, lines, zones, declared);
  if (names_site(printed.author)) printed.author.clear();
  metadata.author = declared.author;
  // An editor declared as the author gives way to a writer the page prints.
  const bool declares_editor = std::find(printed.editors.begin(), printed.editors.end(),
                                         declared.author) != printed.editors.end();
  if (metadata.author.empty() || names_site(metadata.author) ||
      (declares_editor && printed.by_writer)) {
    metadata.author = std::move(printed.author);
  }
  metadata.title = std::move(headings.title);
  metadata.headline = std::move(headings.headline);
  return metadata;
}

}  // namespace korvane
