// SPDX-License-Identifier: Apache-2.0
// Exact code-unit searches, eight units at a time where the processor allows
// (sixteen for single units). Same results as std::u16string_view::find.
#pragma once

#include <string_view>

namespace korvane {

constexpr size_t kNotFound = std::u16string_view::npos;

size_t FindUnit(std::u16string_view text, char16_t unit, size_t from = 0);

// The first of either unit.
size_t FindEither(std::u16string_view text, char16_t one, char16_t other, size_t from = 0);

size_t Find(std::u16string_view text, std::u16string_view pattern, size_t from = 0);

// The same as Find from 0, in time linear in the sizes of both, whatever they
// hold: Find (and std::u16string_view::find) compare the whole pattern
// wherever its ends match, and a page can make that every position. For
// searches where both texts come from the page and may be long.
size_t FindLinear(std::u16string_view text, std::u16string_view pattern);

}  // namespace korvane
