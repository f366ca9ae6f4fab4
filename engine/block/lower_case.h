// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Unicode simple lower-case mapping, one code unit in, one out; surrogate
// code units stay as they are.
std::u16string LowerCase(std::u16string_view text);

// Writes the lower-cased copy of `text` over `lower`.
void LowerCaseInto(std::u16string_view text, std::u16string& lower);

}  // namespace korvane
