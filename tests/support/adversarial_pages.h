// SPDX-License-Identifier: Apache-2.0
// Pages built to find slow paths and odd corners of the conversion: long
// runs of one marker, huge numbers of tags, bodies at the 900,000-unit cap.
// Each is made at a scale that the caller picks: the benchmarks time them
// at full size, the tests compare them with the reference at small sizes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::test_support {

// About `units` units of `piece` repeated (never fewer).
std::u16string Repeated(std::u16string_view piece, size_t units);
// About `bytes` bytes of `piece` repeated (never fewer).
std::string Repeated(std::string_view piece, size_t bytes);

// `units` units of ideographs, digits and lower-case letters: every unit
// counts as text.
std::u16string DenseText(size_t units);

// Where a run of one piece stands: as the whole page, as the whole body of
// a page, as the whole title of a page (whose text, unlike the body, is not
// cut at 900,000 units), or in the body after a dense article.
enum class Placement { kBare, kBody, kTitle, kAfterArticle };

// About `units` units of `piece` repeated, placed as asked.
std::u16string RepeatedPiece(std::u16string_view piece, size_t units, Placement placement);

// An article whose paragraphs alternate with image tags, `images` in all;
// most of them lie past the cap on long pages.
std::u16string PageWithImages(size_t images);

// A body of `units` units that is one dense run of paragraphs, with a
// title and no h1 (the headline comes from the title and the body).
std::u16string DenseBody(size_t units);

// `blocks` blocks of 200 units: one dense, then `sparse_run` of markup
// without text, and again. With one sparse block between dense ones the
// gaps are filled and all is one run; with three, each dense block is a run.
std::u16string AlternatingBlocks(size_t blocks, size_t sparse_run);

// A dense page of `units` units whose unit at index `index` is the high half
// of a surrogate pair (at 899,999, the cap cuts the pair).
std::u16string DensePageWithPairAt(size_t index, size_t units);

// Pages for the element tree of the dom algorithm, each about as large as
// asked:
// `depth` elements each inside the one before, then a paragraph of text.
std::u16string NestedElements(size_t depth);
// `count` start tags that are never closed, each followed by a word.
std::u16string UnclosedTags(size_t count);
// An article whose first tag carries one attribute value of `units` units.
std::u16string HugeAttribute(size_t units);
// A page that is one text node of `units` units.
std::u16string OneTextNode(size_t units);
// Deep inline elements under a table, then `count` end tags of an element
// that is open below the table, which none of them may close.
std::u16string StrayEndTags(size_t count);
// One start tag with `count` attributes, then an article.
std::u16string ManyAttributes(size_t count);

// Pages of about `units` units that make the dom algorithm search or grow a
// list or a text with every piece, each piece different:
// an article among distinct images;
std::u16string DistinctImages(size_t units);
// elements whose class and id hold many words;
std::u16string ManyClassNames(size_t units);
// <meta> tags of dates and authors, none of them valid;
std::u16string ManyMetaTags(size_t units);
// a JSON-LD article whose date follows a list of mentions;
std::u16string LongJsonLd(size_t units);
// a <title> of two long parts that nearly match each other;
std::u16string TitleOfNearMatches(size_t units);
// an og:title of many parts that the <title> holds far from its start;
std::u16string OgTitleOfManyParts(size_t units);
// a line under the headline of labelled organisations, each with "(";
std::u16string BylineOfBrackets(size_t units);
// elements named "author" near the article, and <time> elements;
std::u16string ManyAuthorElements(size_t units);
// lines of dates under the headline;
std::u16string ManyDatelines(size_t units);
// an article of many short lines, broken by <br>;
std::u16string ManyShortLines(size_t units);
// comments closed by "-->" and "--!>";
std::u16string ManyComments(size_t units);
// <svg> and <math> elements left open, each ended by a paragraph;
std::u16string UnclosedSvg(size_t units);
// scripts that write scripts inside "<!--".
std::u16string EscapedScripts(size_t units);

}  // namespace korvane::test_support
