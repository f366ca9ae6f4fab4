// SPDX-License-Identifier: Apache-2.0
// Lists of records: teasers of other articles, comments with their authors,
// related links. Their text reads like prose, one entry at a time, but they
// are not the article.
#pragma once

#include <span>
#include <vector>

#include "dom/stats.h"
#include "html/tree.h"

namespace korvane {

// Marks (1 in `in_entry`, one entry per node) what lies inside the entries
// of lists: three or more siblings of the same tag and class, most of them
// records (more than one line, or a link or an image beside the text), none
// of which holds most of their text. Not the article among a page's
// columns, nor paragraphs that are each wrapped in a <div>.
void MarkListEntries(const Dom& dom, std::span<const uint8_t> drops, const NodeStatsTable& stats,
                     std::vector<uint8_t>& in_entry);

}  // namespace korvane
