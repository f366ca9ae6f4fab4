// SPDX-License-Identifier: Apache-2.0
// What every article and record must be, whatever the page.
#pragma once

#include <string>
#include <string_view>

namespace korvane::fuzz {

// Converts `html` twice (the second time on the buffers that the first left
// to this thread), checks both results against each other and the article
// against the rules below, and returns the record.
std::u16string ConvertAndCheck(std::u16string_view html);

}  // namespace korvane::fuzz
