#pragma once

#include <string>
#include <string_view>

#include "text_primitives.h"

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

}  // namespace korvane
