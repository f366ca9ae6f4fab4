// SPDX-License-Identifier: Apache-2.0
// Finds the article in a tree: every run of text long enough to be prose
// credits the elements around it, more the closer they are and the more
// commas and length it has; the best-scored element, after link density,
// wins, and its siblings that score or read like prose join it.
#pragma once

#include <span>
#include <vector>

#include "dom/hints.h"
#include "dom/stats.h"
#include "html/tree.h"

namespace korvane {

struct ScoringInput {
  const Dom& dom;
  std::span<const Hint> hints;
  std::span<const uint8_t> drops;
  const NodeStatsTable& stats;
  bool use_hints;  // whether class and id weigh in
};

// The subtrees that make the article, in document order; the page's <body>
// (or the whole page) when no text reads like prose. `top` is the element
// that scored best.
struct Selection {
  std::vector<NodeIndex> parts;
  NodeIndex top = kNoNode;
};

Selection SelectArticle(const ScoringInput& input);

}  // namespace korvane
