// SPDX-License-Identifier: Apache-2.0
// What a page declares about itself: <meta> tags, JSON-LD, microdata, <time>
// elements, and the elements whose class or id names a byline.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "html/tree.h"
#include "metadata/date_parse.h"
#include "metadata/json_ld.h"

namespace korvane {

// The rank of what nothing declared: every declared value outranks it.
inline constexpr int kNoRank = 100;

// The nodes around the article where its dateline and byline may stand:
// the article and enough blocks before and after it for the zones.
struct NodeWindow {
  NodeIndex begin = 0;
  NodeIndex end = 0;
  bool Holds(NodeIndex node) const { return node >= begin && node < end; }
};

struct Declared {
  std::u16string og_title;
  std::u16string site_name;
  std::optional<Date> published;
  int published_rank = kNoRank;
  std::u16string author;
  int author_rank = kNoRank;
  LinkedData linked;
  std::vector<NodeIndex> author_elements;  // class or id "author", "byline"; rel="author"
  std::vector<std::pair<NodeIndex, Date>> times;
};

// The page's og:title and og:site_name, from its <meta> tags alone.
struct SiteTitles {
  std::u16string og_title;
  std::u16string site_name;
};
SiteTitles ReadSiteTitles(const Dom& dom);

// Reads the whole page's <meta> tags and JSON-LD, and the microdata,
// <time> elements and byline elements inside `window`.
Declared ReadDeclared(const Dom& dom, const NodeWindow& window);

// The text of a small element on one line; empty for a whole block, which
// is no byline.
std::u16string ElementText(const Dom& dom, NodeIndex index);

}  // namespace korvane
