// SPDX-License-Identifier: Apache-2.0
// The reference: the conversion written out step by step, slow and plain.
// Every replacement rebuilds the whole text and every search starts over,
// with 1-based positions. The engine's fast methods are compared with it.
#pragma once

#include <string>
#include <string_view>

namespace korvane::reference {

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view find,
                          std::u16string_view replacement);
std::u16string RemoveSpans(std::u16string_view text, std::u16string_view open,
                           std::u16string_view close);
std::u16string RemoveEntities(std::u16string_view text, std::u16string_view open,
                              std::u16string_view close);
std::u16string StripMarkup(std::u16string_view markup);
std::u16string HtmlToText(std::u16string_view html);

}  // namespace korvane::reference
