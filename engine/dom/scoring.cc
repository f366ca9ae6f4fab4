// SPDX-License-Identifier: Apache-2.0
#include "dom/scoring.h"

#include <algorithm>
#include <cmath>

#include "dom/boilerplate.h"
#include "dom/lists.h"
#include "dom/text.h"

namespace korvane {
namespace {

// Text shorter than this (CJK counting three) is not prose.
constexpr uint32_t kMinParagraph = 25;
// Elements credited above a paragraph, and the share each gets.
constexpr int kCreditedLevels = 5;
constexpr size_t kTopCandidates = 5;
// What lies inside a list entry scores this much less.
constexpr double kEntryFactor = 0.3;

double Divider(int level) { return level == 0 ? 1.0 : level == 1 ? 2.0 : level * 3.0; }

// Paragraph elements credit their parent first; text straight inside other
// blocks credits the block itself; these give no credit at all.
bool IsParagraph(Tag tag) { return tag == Tag::kP || tag == Tag::kPre; }
bool GivesNoCredit(Tag tag) {
  return tag == Tag::kLi || tag == Tag::kDt || Has(tag, kHeading) || tag == Tag::kCaption ||
         tag == Tag::kFigcaption || tag == Tag::kAddress || tag == Tag::kSummary ||
         tag == Tag::kLegend || tag == Tag::kDocument || tag == Tag::kHtml;
}

int TagWeight(Tag tag) {
  switch (tag) {
    case Tag::kDiv:
    case Tag::kArticle:
      return 5;
    case Tag::kPre:
    case Tag::kTd:
    case Tag::kBlockquote:
      return 3;
    case Tag::kAddress:
    case Tag::kOl:
    case Tag::kUl:
    case Tag::kDl:
    case Tag::kDd:
    case Tag::kDt:
    case Tag::kLi:
    case Tag::kForm:
      return -3;
    case Tag::kTh:
      return -5;
    default:
      return Has(tag, kHeading) ? -5 : 0;
  }
}

struct Paragraph {
  uint32_t chars = 0;
  uint32_t link_chars = 0;
  uint32_t commas = 0;
  NodeIndex first_text = kNoNode;  // its text nodes lie in [first_text, last_text]
  NodeIndex last_text = 0;
};

class Scorer {
 public:
  explicit Scorer(const ScoringInput& input) : in_(input) {
    slot_.assign(input.dom.element_count(), 0);
  }

  Selection Select() {
    MarkListEntries(in_.dom, in_.drops, in_.stats, in_entry_);
    CreditParagraphs();
    if (candidates_.empty()) return Selection{{Body()}, kNoNode};
    for (NodeIndex candidate : candidates_) {
      Score(candidate) *= 1.0 - LinkDensity(in_.stats[candidate]);
      if (in_entry_[candidate]) Score(candidate) *= kEntryFactor;
    }
    NodeIndex top = Refine(BestCandidates());
    std::vector<NodeIndex> parts = Siblings(top);
    AddSameStructureParts(top, parts);
    return Selection{std::move(parts), top};
  }

 private:
  const Dom& dom() const { return in_.dom; }

  NodeIndex Body() const {
    for (NodeIndex i = 0; i < dom().size(); ++i) {
      if (dom()[i].tag == Tag::kBody) return i;
    }
    return 0;
  }

  // Scores are kept for the candidates only, all of them elements: an
  // element's slot (by its rank) is 1 + its place among them, 0 when it has
  // none.
  bool Scored(NodeIndex element) const { return slot_[dom().ElementRank(element)] != 0; }
  double& Score(NodeIndex element) { return scores_[slot_[dom().ElementRank(element)] - 1]; }
  double Score(NodeIndex element) const { return scores_[slot_[dom().ElementRank(element)] - 1]; }

  // The element's score, made a candidate's first if it is not one.
  double& Touch(NodeIndex element) {
    uint32_t& slot = slot_[dom().ElementRank(element)];
    if (slot == 0) {
      candidates_.push_back(element);
      scores_.push_back(TagWeight(dom()[element].tag) +
                        (in_.use_hints ? in_.hints[element].weight : 0));
      slot = static_cast<uint32_t>(candidates_.size());
    }
    return scores_[slot - 1];
  }

  bool Scorable(NodeIndex node) const {
    return node != kNoNode && node != 0 && dom()[node].tag != Tag::kHtml;
  }

  // Whether a paragraph reads like the page's footer (licences, addresses,
  // sister sites): such text never makes its block the article. Footers
  // name themselves near a paragraph's ends: only those are read, which
  // bounds the cost of long paragraphs.
  bool IsFooterParagraph(const Paragraph& paragraph) const {
    constexpr size_t kEnd = 40;
    int marks = 0;
    for (NodeIndex i = paragraph.first_text; i <= paragraph.last_text; ++i) {
      if (dom()[i].tag != Tag::kText || (dom()[i].flags & kRawContent)) continue;
      const std::u16string_view text = dom().Text(dom()[i]);
      marks += text.size() <= 2 * kEnd ? FooterMarks(text)
                                       : FooterMarks(text.substr(0, kEnd)) +
                                             FooterMarks(text.substr(text.size() - kEnd));
      if (marks >= kFooterMarks) return true;
    }
    return false;
  }

  void Credit(NodeIndex container, const Paragraph& paragraph) {
    if (paragraph.chars < kMinParagraph || paragraph.link_chars * 2 > paragraph.chars) return;
    if (IsFooterParagraph(paragraph)) return;
    const Tag tag = dom()[container].tag;
    if (GivesNoCredit(tag)) return;
    const bool is_paragraph = IsParagraphLike(container);
    NodeIndex node = is_paragraph ? dom()[container].parent : container;
    const double score =
        1.0 + paragraph.commas + std::min<double>(std::floor(paragraph.chars / 100.0), 3.0);
    // Text inside a list entry credits the entry, never the list.
    const bool in_entry = in_entry_[node];
    for (int level = 0; level < kCreditedLevels && Scorable(node) && in_entry_[node] == in_entry;
         ++level) {
      Touch(node) += score / Divider(level);
      node = dom()[node].parent;
    }
  }

  // A <p>, or a <div> of nothing but text and inline elements.
  bool IsParagraphLike(NodeIndex node) const {
    const Tag tag = dom()[node].tag;
    return IsParagraph(tag) || (tag == Tag::kDiv && !has_block_child_[node]);
  }

  // Whether a blank line ("<br><br>", maybe with blanks between) ends at
  // `br`: paragraphs without <p> are split so.
  bool EndsBlankLine(NodeIndex br) const {
    const NodeIndex parent = dom()[br].parent;
    NodeIndex before = br - 1;
    if (dom()[before].tag == Tag::kText && dom()[before].parent == parent) {
      const std::u16string_view text = dom().Text(dom()[before]);
      if (!std::all_of(text.begin(), text.end(), IsBlank)) return false;
      --before;
    }
    return dom()[before].tag == Tag::kBr && dom()[before].parent == parent;
  }

  // Elements with blocks inside, or paragraphs split by blank lines, hold
  // paragraphs: they are credited themselves, not as a paragraph of their
  // parent, so that their class counts.
  void MarkBlockParents() {
    has_block_child_.assign(dom().size(), false);
    for (NodeIndex i = 1; i < dom().size(); ++i) {
      const Tag tag = dom()[i].tag;
      if (Has(tag, kBlock) || (tag == Tag::kBr && i >= 2 && EndsBlankLine(i))) {
        has_block_child_[dom()[i].parent] = true;
      }
    }
  }

  // Cuts the text into paragraphs at blocks and <br>, and credits each.
  void CreditParagraphs() {
    MarkBlockParents();
    struct Open {
      NodeIndex end;
      NodeIndex node;
    };
    std::vector<Open> blocks{{dom().size(), 0}};
    NodeIndex link_end = 0;
    Paragraph current;
    const auto flush = [&] {
      Credit(blocks.back().node, current);
      current = Paragraph{};
    };
    for (NodeIndex i = 1; i < dom().size(); ++i) {
      while (blocks.back().end <= i) {
        flush();
        blocks.pop_back();
      }
      const Node& node = dom()[i];
      if (in_.drops[i] != 0) {
        if (Has(node.tag, kBlock)) flush();
        i = node.end - 1;
      } else if (node.tag == Tag::kText) {
        if (node.flags & kRawContent) continue;
        // A text node's statistics are its own text's, counted once.
        const TextStats text = in_.stats.OfText(i);
        current.chars += text.chars;
        current.commas += text.commas;
        if (i < link_end) current.link_chars += text.chars;
        current.first_text = std::min(current.first_text, i);
        current.last_text = i;
      } else if (node.tag == Tag::kBr) {
        flush();
      } else if (IsLinkText(dom(), node, in_.stats[i])) {
        link_end = std::max(link_end, node.end);
      } else if (Has(node.tag, kBlock)) {
        flush();
        blocks.push_back(Open{node.end, i});
      }
    }
    while (!blocks.empty()) {
      flush();
      blocks.pop_back();
    }
  }

  std::vector<NodeIndex> BestCandidates() const {
    std::vector<NodeIndex> best = candidates_;
    const size_t count = std::min(kTopCandidates, best.size());
    std::partial_sort(best.begin(), best.begin() + count, best.end(),
                      [&](NodeIndex a, NodeIndex b) {
                        return Score(a) > Score(b) || (Score(a) == Score(b) && a < b);
                      });
    best.resize(count);
    return best;
  }

  bool IsAncestor(NodeIndex ancestor, NodeIndex node) const {
    return ancestor <= node && node < dom()[ancestor].end;
  }

  bool IsBodyOrAbove(NodeIndex node) const {
    return !Scorable(node) || dom()[node].tag == Tag::kBody;
  }

  // Moves up to a common ancestor of several near-best candidates, then up
  // while the parent scores better, then out of single-child wrappers.
  NodeIndex Refine(const std::vector<NodeIndex>& best) {
    NodeIndex top = best.front();
    std::vector<NodeIndex> alternatives;
    for (size_t i = 1; i < best.size(); ++i) {
      if (Score(best[i]) >= 0.75 * Score(top)) alternatives.push_back(best[i]);
    }
    if (alternatives.size() >= 3) {
      for (NodeIndex up = dom()[top].parent; !IsBodyOrAbove(up); up = dom()[up].parent) {
        const auto inside = std::count_if(alternatives.begin(), alternatives.end(),
                                          [&](NodeIndex other) { return IsAncestor(up, other); });
        if (inside >= 3) {
          top = up;
          break;
        }
      }
    }
    Touch(top);
    double last_score = Score(top);
    const double threshold = last_score / 3;
    for (NodeIndex up = dom()[top].parent; !IsBodyOrAbove(up); up = dom()[up].parent) {
      if (!Scored(up)) continue;
      if (Score(up) < threshold) break;
      if (Score(up) > last_score) {
        top = up;
        break;
      }
      last_score = Score(up);
    }
    for (NodeIndex up = dom()[top].parent; !IsBodyOrAbove(up) && ElementChildren(up) == 1;
         up = dom()[up].parent) {
      top = up;
    }
    Touch(top);
    return top;
  }

  size_t ElementChildren(NodeIndex parent) const {
    size_t count = 0;
    for (NodeIndex child = dom().FirstChild(parent); child != kNoNode;
         child = dom().NextSibling(child)) {
      count += dom()[child].tag != Tag::kText;
    }
    return count;
  }

  std::u16string_view ClassOf(NodeIndex node) const {
    const Attribute* attribute = dom().FindAttribute(dom()[node], u"class");
    return attribute == nullptr ? std::u16string_view() : dom().RawValue(*attribute);
  }

  // Whether a short paragraph ends a sentence: ". " or "。" and the like.
  bool EndsSentence(NodeIndex paragraph) const {
    for (NodeIndex i = paragraph + 1; i < dom()[paragraph].end; ++i) {
      if (dom()[i].tag != Tag::kText) continue;
      const std::u16string_view text = dom().Text(dom()[i]);
      for (size_t at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at];
        if (unit == 0x3002 || unit == 0xFF01 || unit == 0xFF1F) return true;
        if (unit == u'.' && (at + 1 == text.size() || text[at + 1] == u' ')) return true;
      }
    }
    return false;
  }

  bool JoinsTop(NodeIndex sibling, NodeIndex top) const {
    if (in_.drops[sibling] != 0) return false;
    const double threshold = std::max(10.0, Score(top) * 0.2);
    const std::u16string_view top_class = ClassOf(top);
    const double bonus =
        !top_class.empty() && ClassOf(sibling) == top_class ? Score(top) * 0.2 : 0.0;
    if (Scored(sibling) && Score(sibling) + bonus >= threshold) return true;
    if (!IsParagraphLike(sibling)) return false;
    const NodeStats& stats = in_.stats[sibling];
    const double link_density = LinkDensity(stats);
    if (stats.chars > 80) return link_density < 0.25;
    return stats.chars > 0 && link_density == 0 && EndsSentence(sibling);
  }

  // Sentences of text, hardly any of it links.
  bool ReadsLikeProse(NodeIndex node) const {
    constexpr uint32_t kProseCommas = 2;
    constexpr double kProseLinkDensity = 0.25;
    return in_.stats[node].commas >= kProseCommas &&
           LinkDensity(in_.stats[node]) < kProseLinkDensity;
  }

  // The element of `parent`'s children with `top`'s tag and class, if one.
  NodeIndex ChildLike(NodeIndex parent, NodeIndex top) const {
    for (NodeIndex child = dom().FirstChild(parent); child != kNoNode;
         child = dom().NextSibling(child)) {
      if (dom()[child].tag == dom()[top].tag && ClassOf(child) == ClassOf(top)) return child;
    }
    return kNoNode;
  }

  // An article split across table rows or sections of one structure: the
  // element like `top` in each row or section like `top`'s own joins it, when
  // it reads like prose.
  void AddSameStructureParts(NodeIndex top, std::vector<NodeIndex>& parts) const {
    const NodeIndex row = dom()[top].parent;
    if (!Scorable(row) || dom()[row].tag == Tag::kBody ||
        (dom()[row].tag != Tag::kTr && ClassOf(row).empty())) {
      return;
    }
    const NodeIndex rows = dom()[row].parent;
    const size_t before = parts.size();
    for (NodeIndex other = dom().FirstChild(rows); other != kNoNode;
         other = dom().NextSibling(other)) {
      if (other == row || dom()[other].tag != dom()[row].tag || ClassOf(other) != ClassOf(row)) {
        continue;
      }
      const NodeIndex like = ChildLike(other, top);
      if (like != kNoNode && ReadsLikeProse(like) && JoinsTop(like, top)) parts.push_back(like);
    }
    if (parts.size() != before) std::sort(parts.begin(), parts.end());
  }

  std::vector<NodeIndex> Siblings(NodeIndex top) const {
    const NodeIndex parent = dom()[top].parent;
    if (parent == kNoNode) return {top};
    std::vector<NodeIndex> parts;
    for (NodeIndex child = dom().FirstChild(parent); child != kNoNode;
         child = dom().NextSibling(child)) {
      if (child == top || (dom()[child].tag != Tag::kText && JoinsTop(child, top))) {
        parts.push_back(child);
      }
    }
    return parts;
  }

  const ScoringInput& in_;
  std::vector<uint32_t> slot_;         // by element rank
  std::vector<double> scores_;         // in the order of candidates_
  std::vector<bool> has_block_child_;  // bits: a page has many nodes
  std::vector<uint8_t> in_entry_;
  std::vector<NodeIndex> candidates_;
};

}  // namespace

Selection SelectArticle(const ScoringInput& input) { return Scorer(input).Select(); }

}  // namespace korvane
