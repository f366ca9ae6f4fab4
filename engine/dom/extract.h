// SPDX-License-Identifier: Apache-2.0
// The dom algorithm: the article of a page found in its element tree.
#pragma once

#include <string_view>

#include "korvane.h"

namespace korvane {

// Converts one page. Uses working buffers of this thread, never SourceHtml or
// ImageLines.
Article ExtractDomArticle(std::u16string_view html);

}  // namespace korvane
