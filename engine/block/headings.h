// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "block/page.h"

namespace korvane {

struct Headings {
  std::u16string title;
  std::u16string headline;
};

// The title element's text and the first h1 element's text of the page
// (lower case, folded, trimmed of spaces, at most 64 units each). Without h1
// text the headline is built from the title's two-unit pieces that occur in
// `body`.
Headings ExtractHeadings(const Page& page, std::u16string_view body);

}  // namespace korvane
