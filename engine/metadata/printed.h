// SPDX-License-Identifier: Apache-2.0
// The datelines and bylines a page prints under the headline and around the
// article, weighed by their labels and their place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "html/tree.h"
#include "metadata/date_parse.h"
#include "metadata/declared.h"
#include "metadata/metadata.h"
#include "metadata/page_lines.h"
#include "metadata/title.h"

namespace korvane {

// Where the article's parts stand in the lines.
struct Zones {
  size_t headline = 0;  // the headline's line (or the article's first when none)
  size_t head_end = 0;  // one past the last line of the headline's dateline and byline
  size_t article_begin = 0;
  size_t article_end = 0;
  bool has_headline = false;
  size_t scan_begin = 0;  // datelines and bylines are looked for in [scan_begin, scan_end)
  size_t scan_end = 0;
  size_t enclosure_end = SIZE_MAX;  // where the element around the article ends

  // The dateline may stand just above the headline, or above the article
  // when the headline is not found.
  bool InHead(size_t line) const;
  bool InArticle(size_t line) const { return line >= article_begin && line < article_end; }
  bool AtArticleEnd(size_t line) const;
  // Past the article and the element around it: a sidebar's or a footer's
  // line, whose names are no byline.
  bool ElsewhereOnPage(size_t line) const { return line >= std::max(article_end, enclosure_end); }
  // Lines from the headline, those above it counting double.
  size_t Distance(size_t line) const {
    return line >= headline ? line - headline : 2 * (headline - line);
  }
};

Zones PlaceZones(const PageLines& lines, const PageHeadings& headings, ArticleSpan article);

// The dateline date the page prints, if one is sure enough; the declared
// <time> elements near the article count as printed.
std::optional<Date> PrintedDate(const PageLines& lines, const Zones& zones,
                                const Declared& declared);

struct PrintedAuthors {
  std::u16string author;                // the names of the surest byline, or nothing
  bool by_writer = false;               // whether they are a writer's, not an editor's
  std::vector<std::u16string> editors;  // the names printed as editors'
};

// The surest byline, and the editors that the page names.
PrintedAuthors PrintedAuthor(const Dom& dom, const PageLines& lines, const Zones& zones,
                             const Declared& declared);

}  // namespace korvane
