// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Full-width digits and Latin letters become ASCII digits and lower-case
// letters (full-width capitals too); every other unit stays. Same length.
std::u16string FoldFullWidth(std::u16string_view text);

}  // namespace korvane
