// SPDX-License-Identifier: Apache-2.0
// Which subtrees the dom algorithm leaves out of the page's text.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dom/hints.h"
#include "html/tree.h"

namespace korvane {

// Why a subtree is left out; 0 keeps it.
enum Drop : uint8_t {
  kJunk = 1,      // never page text: scripts, forms' controls, navigation, <head>
  kHidden = 2,    // hidden by an attribute or an inline style
  kUnlikely = 4,  // class or id name a part that is seldom the article
  kCleaned = 8,   // boilerplate found inside the article
};

// Marks junk and hidden subtrees, and unlikely ones when `strip_unlikely`;
// only subtree roots are marked.
void MarkDrops(const Dom& dom, std::span<const Hint> hints, bool strip_unlikely,
               std::vector<uint8_t>& drops);

}  // namespace korvane
