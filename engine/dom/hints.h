// SPDX-License-Identifier: Apache-2.0
// What the class and id of an element suggest about its content: words that
// sites all over the web (English, and the pinyin of Chinese sites) use for
// article text, and for navigation, comments, sharing and recommendations.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "html/tree.h"

namespace korvane {

struct Hint {
  int8_t weight = 0;      // positive: article-like; negative: boilerplate-like
  bool unlikely = false;  // names a part of the page that is seldom the article
};

// The hint of one element from its class and id attributes.
Hint HintOf(const Dom& dom, const Node& element);

// The hint of a class and id text (the two values joined by a blank).
Hint HintOfNames(std::u16string_view names);

// One hint per node (elements with class or id; others are neutral).
void ComputeHints(const Dom& dom, std::vector<Hint>& hints);

}  // namespace korvane
