// The title and headline of a page for the dom algorithm.
#pragma once

#include <string>

#include "dom_tree.h"

namespace korvane {

struct DomHeadings {
  std::u16string title;
  std::u16string headline;
};

// The title: the <title> text; the headline: the first <h1> text; each on one
// line with blanks squeezed. `article` is the node the body was taken from
// (kNoNode when none), for headings that sit near it.
DomHeadings ReadDomHeadings(const Dom& dom, NodeIndex article);

}  // namespace korvane
