#pragma once

#include <string_view>

namespace korvane {

// Calls visit(gt, lt) for each stretch of text that runs from a tag's ">" at
// `gt` to the next "<" at `lt` and holds no ">" of its own; a stretch that
// holds one is passed over whole. The scan then goes on from the first ">" at
// or after that "<". Text before the first ">" and after the last "<" is
// never visited.
template <typename Visit>
void ForEachTextRun(std::u16string_view text, Visit visit) {
  constexpr size_t kNone = std::u16string_view::npos;
  size_t gt = text.find(u'>');
  while (gt != kNone) {
    const size_t lt = text.find(u'<', gt);
    if (lt == kNone) return;
    const size_t nextGt = text.find(u'>', gt + 1);
    if (nextGt > lt) {
      visit(gt, lt);
      gt = nextGt;
    } else {
      gt = text.find(u'>', lt);
    }
  }
}

}  // namespace korvane
