// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "block/page.h"

namespace korvane {

// The sources of the image tags in `region` (a piece of the lower-cased,
// cleaned page), each in the letter case of its first occurrence in the page.
// Sources that contain ".gif" and sources without a "." in their last five
// units are left out; repeats are kept.
std::vector<std::u16string> CollectImages(std::u16string_view region, const Page& page);

// "[[ur=" + source + "]]\r\n" for each source.
std::u16string ImageLinesOf(const std::vector<std::u16string>& sources);

}  // namespace korvane
