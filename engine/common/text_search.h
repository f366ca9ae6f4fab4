// SPDX-License-Identifier: Apache-2.0
// Exact code-unit searches, eight units at a time where the processor allows.
// Same results as std::u16string_view::find.
#pragma once

#include <string_view>

namespace korvane {

constexpr size_t kNotFound = std::u16string_view::npos;

size_t FindUnit(std::u16string_view text, char16_t unit, size_t from = 0);

size_t Find(std::u16string_view text, std::u16string_view pattern, size_t from = 0);

}  // namespace korvane
