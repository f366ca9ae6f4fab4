// The images of the article, for the dom algorithm.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "html/tree.h"

namespace korvane {

// The sources of the <img> elements inside `parts` that are not dropped, in
// document order, each once. A lazy-loading page's real source (data-src,
// data-original, then the first candidate of data-srcset) wins over a src,
// and a src over the first candidate of srcset; "data:" placeholders and
// empty values are passed over; references are decoded.
std::vector<std::u16string> ArticleImages(const Dom& dom, std::span<const NodeIndex> parts,
                                          std::span<const uint8_t> drops);

// The source of one <img>; empty when it has none.
std::u16string ImageSource(const Dom& dom, const Node& image);

}  // namespace korvane
