// SPDX-License-Identifier: Apache-2.0
// The title of a page and the headline of its article, for the dom
// algorithm: one line each, references decoded, blanks squeezed.
#pragma once

#include <string>
#include <string_view>

#include "html/tree.h"

namespace korvane {

struct PageHeadings {
  std::u16string title;
  std::u16string headline;
  NodeIndex headline_node = kNoNode;  // the <h1> the headline came from
  std::u16string site;                // what the <title> has besides the headline
};

// Title: `og_title` when the page has one (without the parts that name the
// site), else the <h1> that best matches the <title>, else the <title>
// without the site's name. Headline: the <h1> that best matches the title,
// else the title. `site_name` is the page's og:site_name, if any. Neither is
// ever longer than 300 units: longer candidates (an <h1> wrapping the
// article) are passed over.
PageHeadings ReadHeadings(const Dom& dom, std::u16string_view og_title,
                          std::u16string_view site_name = {});

// A title without the site's name around it: "标题_频道_新闻网" and
// "Title - Site" give "标题" and "Title"; "Site | Long title" gives the title.
std::u16string WithoutSiteName(std::u16string_view title);

// A title without the parts at either end that name the site: `site_name`,
// a part that looks like a site's name, or one that `site` (the rest of the
// <title> around its headline) holds too, unless the article's `heading`
// has it: "Jam Recipe | The Cleaver" with a <title> "Jam Recipe | The
// Cleaver" gives "Jam Recipe".
std::u16string WithoutSiteParts(std::u16string_view title, std::u16string_view site,
                                std::u16string_view site_name, std::u16string_view heading);

// How alike two headings are, from 0 to 1: the character pairs they share,
// or how much of the longer one the shorter fills when it lies inside it.
// Letter case, blanks and punctuation do not count.
double HeadingSimilarity(std::u16string_view a, std::u16string_view b);

}  // namespace korvane
