// SPDX-License-Identifier: Apache-2.0
// The tree of a page in one line, for tests: elements as name(children) in
// lower case, text in quotes.
#pragma once

#include <string>
#include <string_view>

#include "html/tree.h"

namespace korvane::test_support {

inline std::u16string Outline(const Dom& dom, NodeIndex parent = 0) {
  std::u16string out;
  for (NodeIndex child = dom.FirstChild(parent); child != kNoNode; child = dom.NextSibling(child)) {
    if (!out.empty()) out += u' ';
    const Node& node = dom[child];
    if (node.tag == Tag::kText) {
      out.append(u"'").append(dom.Text(node)).append(u"'");
      continue;
    }
    for (char16_t unit : dom.TagName(node)) out += AsciiLower(unit);
    if (child + 1 < node.end) out.append(u"(").append(Outline(dom, child)).append(u")");
  }
  return out;
}

inline std::u16string OutlineOf(std::u16string_view page) {
  Dom dom;
  dom.Parse(page);
  return Outline(dom);
}

}  // namespace korvane::test_support
