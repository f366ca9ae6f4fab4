// SPDX-License-Identifier: Apache-2.0
// What a page's own style sheets hide: the ids and classes that a rule of a
// <style> element sets to "display: none" with a simple selector ("#print",
// ".dialog"). Print-only copies of the article and dialogs are hidden so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "html/tree.h"

namespace korvane {

class HiddenByStyle {
 public:
  // Reads the <style> elements of `dom`, replacing what was read before.
  void Read(const Dom& dom);

  // Whether the page hides `element` by one of those rules.
  bool Hides(const Dom& dom, const Node& element) const;

  // Adds what one style sheet's text hides (the rules at its top level:
  // those inside @media and other at-rules depend on the screen or the
  // printer).
  void ReadSheet(std::u16string_view sheet);

  bool empty() const { return ids_.empty() && classes_.empty(); }

 private:
  void ReadRule(std::u16string_view selectors);

  std::vector<std::u16string> ids_;      // sorted
  std::vector<std::u16string> classes_;  // sorted
};

}  // namespace korvane
