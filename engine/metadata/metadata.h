// SPDX-License-Identifier: Apache-2.0
// Title, headline, author and date of publication of a page, for the dom
// algorithm.
#pragma once

#include <string>

#include "html/tree.h"
#include "metadata/title.h"

namespace korvane {

struct PageMetadata {
  std::u16string title;
  std::u16string headline;
  std::u16string author;     // the names as printed, without "作者：", "记者", "By"
  std::u16string published;  // ISO 8601, with what the page gives: "2023-11-18T10:20"
};

// The nodes the article's body was taken from: [begin, end); begin is
// kNoNode when the page has no article.
struct ArticleSpan {
  NodeIndex begin = kNoNode;
  NodeIndex end = kNoNode;
  // Where the element around the article's parts ends: what follows it is
  // another part of the page (a sidebar, a footer).
  NodeIndex enclosure_end = kNoNode;
};

// Reads, most trusted first, what the page declares (<meta> tags such as
// og:title, article:published_time, pubdate and author; JSON-LD; microdata;
// <time>), then the bylines and datelines it prints under the headline and
// around the article ("发布时间：2023-11-18 10:20", "作者：", "（记者 张三）",
// "By Jane Doe"). A date in the text that falls on the declared day but
// gives its time as well is preferred to the declared one.
// `headings` are the page's, as ReadPageHeadings gives them.
PageMetadata ReadMetadata(const Dom& dom, ArticleSpan article, PageHeadings headings);

// The page's title and headline, read before its article is known.
PageHeadings ReadPageHeadings(const Dom& dom);

}  // namespace korvane
