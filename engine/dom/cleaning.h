// SPDX-License-Identifier: Apache-2.0
// Takes the boilerplate out of the chosen article: blocks that are mostly
// links, images without text, form controls, lists longer than the prose
// around them, and blocks whose class or id names boilerplate.
#pragma once

#include <span>
#include <vector>

#include "dom/hints.h"
#include "dom/stats.h"
#include "html/tree.h"

namespace korvane {

// Marks the boilerplate inside `parts` as kCleaned in `drops`.
void CleanArticle(const Dom& dom, std::span<const Hint> hints, const NodeStatsTable& stats,
                  std::span<const NodeIndex> parts, bool use_hints, std::vector<uint8_t>& drops);

}  // namespace korvane
