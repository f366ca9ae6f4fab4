// SPDX-License-Identifier: Apache-2.0
// KORVANE: turns the HTML source of one news page into its extraction record.
//
// Texts are UTF-16 code units. Every input yields a record; the engine reports
// nothing and throws only what the standard library throws (std::bad_alloc).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// Only this many code units at the start of a page are searched for the
// article by the block algorithm; the text of a longer page past them is
// left out of the body.
inline constexpr size_t kExaminedUnits = 900000;

// How the article is found.
//   kBlock: density of 200-unit blocks of the lower-cased page (the record
//           format's own algorithm, exact to the code unit; the default).
//   kDom:   the page's element tree, scored by paragraphs, punctuation and
//           link density; text in its own letter case, character references
//           decoded, one line per paragraph; also author and date.
enum class Algorithm { kBlock, kDom };

// The pieces of a record, as the conversion found them.
struct Article {
  std::u16string title;                // kBlock: lower case, at most 64 code units
  std::u16string headline;             // kBlock: lower case, at most 64 code units
  std::vector<std::u16string> images;  // sources in the page's letter case
  std::u16string body;                 // lines joined by "\r\n"
  std::u16string author;               // kDom only, as the page names it; not in the record
  std::u16string published;            // kDom only, ISO 8601; not in the record
};

// Converts one page with the block algorithm. Replaces this thread's
// SourceHtml and ImageLines. A caller that holds the page in a string of its
// own may swap it into SourceHtml and pass SourceHtml: the page is then not
// copied.
Article ExtractArticle(std::u16string_view html);

// Converts one page with the chosen algorithm. kDom leaves SourceHtml and
// ImageLines as they are.
Article ExtractArticle(std::u16string_view html, Algorithm algorithm);

// The tagged record: "[[ht=...]]", "[[ha=...]]", "[[ur=...]]" lines, each
// present only with a value, then "[[txt]]" and the body.
std::u16string FormatRecord(const Article& article);

// The record of FormatRecord in pieces, in order, each passed to `piece` as
// a std::u16string_view: a caller that writes the record out (as UTF-8, in
// JSON) need not build a copy of the body first.
template <typename PieceSink>
void ForEachRecordPiece(const Article& article, PieceSink&& piece) {
  if (!article.title.empty()) {
    piece(std::u16string_view(u"[[ht="));
    piece(std::u16string_view(article.title));
    piece(std::u16string_view(u"]]\r\n"));
  }
  if (!article.headline.empty()) {
    piece(std::u16string_view(u"[[ha="));
    piece(std::u16string_view(article.headline));
    piece(std::u16string_view(u"]]\r\n"));
  }
  for (const std::u16string& image : article.images) {
    piece(std::u16string_view(u"[[ur="));
    piece(std::u16string_view(image));
    piece(std::u16string_view(u"]]\r\n"));
  }
  piece(std::u16string_view(u"[[txt]]\r\n"));
  piece(std::u16string_view(article.body));
}

// FormatRecord(ExtractArticle(html)): the block algorithm.
std::u16string HtmlToText(std::u16string_view html);

// The page of this thread's current (after a call: last) conversion.
extern thread_local std::u16string SourceHtml;
// The image lines of this thread's current (after a call: last) conversion.
extern thread_local std::u16string ImageLines;

}  // namespace korvane
