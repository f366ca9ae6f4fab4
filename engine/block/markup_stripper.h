// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

#include "block/text_primitives.h"

namespace korvane {

// Removes style, script and head blocks and comments from lower-cased text;
// a block left open runs to the end of the text.
void RemoveBlocks(Rewriter& text);

// "&nbsp;" -> " ", "&lt;" -> "<", "&gt;" -> ">", every other short entity
// deleted, and an "&amp;" that the deletions formed -> "&".
void ReplaceEntities(Rewriter& text);

// Plain, lower-case text of a piece of markup, lines joined by "\r\n":
// only text standing between a ">" and the next "<" is kept.
std::u16string StripMarkup(std::u16string_view markup);

// StripMarkup(markup), or a prefix of it for which `enough` holds, worked out
// from as little of the markup as settles that prefix: a caller that keeps
// the first units of a huge piece of markup (a title) does not pay for the
// rest. Stretches of markup that no kept text can come from are passed over
// too. `first_part` is the size of the first part of the markup tried.
std::u16string StripMarkupFront(std::u16string_view markup,
                                bool (*enough)(std::u16string_view plain),
                                size_t first_part = size_t{1} << 16);

}  // namespace korvane
