// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <vector>

#include "block/page.h"

namespace korvane {

struct Located {
  // Lower-cased, cleaned markup around the densest run of text; empty when
  // the page has no body or no dense block.
  std::u16string window;
  // The image sources of a wider window around the same run.
  std::vector<std::u16string> images;
};

// Finds the article by text density: the body is cut into blocks of 200
// units, blocks with more than 70 ideographs, digits or lower-case letters in
// text between tags are strong, short gaps are filled and the longest run of
// strong blocks, widened by fixed margins, is the article.
Located LocateContent(const Page& page);

}  // namespace korvane
