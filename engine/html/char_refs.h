// SPDX-License-Identifier: Apache-2.0
// HTML character references: every named one of HTML5 ("&amp;", "&nbsp",
// "&CounterClockwiseContourIntegral;") and numeric ones ("&#21512;",
// "&#x5408;"), with HTML5's replacements for NUL, surrogates, numbers beyond
// Unicode and the C1 range that pages mean as windows-1252.
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Where the text stands: inside an attribute value a legacy reference without
// its ";" followed by "=" or a letter or digit stays as written
// ("?a=1&copy=2" keeps its "&copy").
enum class ReferenceContext { kText, kAttribute };

// Appends `text` to `out` with its character references replaced.
void AppendDecoded(std::u16string_view text, ReferenceContext context, std::u16string& out);

std::u16string DecodeReferences(std::u16string_view text,
                                ReferenceContext context = ReferenceContext::kText);

}  // namespace korvane
