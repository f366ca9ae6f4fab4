// SPDX-License-Identifier: Apache-2.0
// Which subtrees the dom algorithm leaves out of the page's text.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "dom/hints.h"
#include "dom/style_rules.h"
#include "html/tree.h"

namespace korvane {

// Why a subtree is left out; 0 keeps it.
enum Drop : uint8_t {
  kJunk = 1,      // never page text: scripts, forms' controls, navigation, <head>
  kHidden = 2,    // hidden by an attribute, an inline style or the page's style sheet
  kUnlikely = 4,  // class or id name a part that is seldom the article
  kCleaned = 8,   // boilerplate found inside the article
};

// The drops of one page, read once for all its attempts.
class PageDrops {
 public:
  // Reads the page's style sheets and how much text each subtree holds.
  void Read(const Dom& dom);

  // A boilerplate word in the class of the article's container does not
  // throw the article away: the elements around `headline` (the page's
  // headline element, or kNoNode) that hold most of the page's text lose
  // their boilerplate hints.
  void TrustArticleContainers(const Dom& dom, NodeIndex headline, std::span<Hint> hints) const;

  // Marks junk and hidden subtrees, and unlikely ones when `strip_unlikely`:
  // their roots, and inside an element hidden by "visibility" the text and
  // images that do not show themselves again. A hidden subtree that holds
  // most of the page's text is kept: a script reveals it; so is a <nav>,
  // <aside>, <footer>, <button>, <figcaption> or <map> that does: left
  // unclosed, it runs on over the article.
  void Mark(const Dom& dom, std::span<const Hint> hints, bool strip_unlikely,
            std::vector<uint8_t>& drops) const;

 private:
  // Which shares of the page's text (outside links and junk) a subtree
  // holds more of.
  enum Most : uint8_t { kArticleMost = 1, kContainerMost = 2 };
  struct Holder {
    NodeIndex node;
    uint8_t shares;  // Most
  };
  bool HoldsMost(NodeIndex node, Most share) const;

  HiddenByStyle style_;
  std::vector<Holder> most_;  // the subtrees that hold more than a share, in document order
};

}  // namespace korvane
