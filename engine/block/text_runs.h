// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string_view>

#include "common/text_search.h"

namespace korvane {

// Calls visit(gt, lt) for each stretch of text that runs from a tag's ">" at
// `gt` to the next "<" at `lt` and holds no ">" of its own; a stretch that
// holds one is passed over whole. The scan then goes on from the first ">" at
// or after that "<". Text before the first ">" and after the last "<" is
// never visited.
template <typename Visit>
void ForEachTextRun(std::u16string_view text, Visit visit) {
  size_t gt = FindUnit(text, u'>');
  while (gt != kNotFound) {
    const size_t lt = FindUnit(text, u'<', gt);
    if (lt == kNotFound) return;
    const size_t next_gt = FindUnit(text, u'>', gt + 1);
    if (next_gt > lt) {
      visit(gt, lt);
      gt = next_gt;
    } else {
      gt = FindUnit(text, u'>', lt);
    }
  }
}

}  // namespace korvane
