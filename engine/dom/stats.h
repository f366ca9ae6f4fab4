// SPDX-License-Identifier: Apache-2.0
// What the dom algorithm counts in a tree: per node the text, link text,
// punctuation and elements of its subtree.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/chars.h"
#include "html/tree.h"

namespace korvane {

// Elements a subtree holds, by kind: each count is below kMaxNodes, so six
// fit in two words, 21 bits each, and adding two subtrees' counts adds the
// words.
enum class Counted : uint8_t {
  kParagraphs,  // <p>, and <div>s of text and inline elements
  kImages,
  kListItems,
  kInputs,
  kEmbeds,   // <iframe>, <embed>, <object>, <video>
  kHeaders,  // <th>, <thead>, <caption>: a table of data
};

class ElementCounts {
 public:
  static constexpr int kBits = 21;
  static_assert(kMaxNodes <= uint64_t{1} << kBits);

  static constexpr ElementCounts One(Counted kind) {
    ElementCounts counts;
    counts.words_[Word(kind)] = uint64_t{1} << Shift(kind);
    return counts;
  }
  constexpr uint32_t operator[](Counted kind) const {
    return static_cast<uint32_t>((words_[Word(kind)] >> Shift(kind)) & ((1u << kBits) - 1));
  }
  constexpr ElementCounts& operator+=(const ElementCounts& other) {
    words_[0] += other.words_[0];
    words_[1] += other.words_[1];
    return *this;
  }
  // Only the counts of these kinds.
  constexpr ElementCounts Of(Counted one, Counted other) const {
    ElementCounts counts;
    counts.words_[Word(one)] |= words_[Word(one)] & Mask(one);
    counts.words_[Word(other)] |= words_[Word(other)] & Mask(other);
    return counts;
  }

 private:
  static constexpr size_t Word(Counted kind) { return static_cast<size_t>(kind) / 3; }
  static constexpr int Shift(Counted kind) { return static_cast<int>(kind) % 3 * kBits; }
  static constexpr uint64_t Mask(Counted kind) {
    return ((uint64_t{1} << kBits) - 1) << Shift(kind);
  }

  uint64_t words_[2] = {};
};

struct NodeStats {
  uint32_t chars = 0;       // text units without blanks, CJK ideographs counting three
  uint32_t link_chars = 0;  // of those, inside links
  uint32_t commas = 0;      // commas and CJK sentence punctuation
  uint32_t lines = 0;       // lines of text, as the text output would break them
  ElementCounts elements;

  uint32_t paragraphs() const { return elements[Counted::kParagraphs]; }
  uint32_t images() const { return elements[Counted::kImages]; }
  uint32_t list_items() const { return elements[Counted::kListItems]; }
  uint32_t inputs() const { return elements[Counted::kInputs]; }
  uint32_t embeds() const { return elements[Counted::kEmbeds]; }
  uint32_t headers() const { return elements[Counted::kHeaders]; }
};
static_assert(sizeof(NodeStats) == 32);

// A text node's own text: its length and commas.
struct TextStats {
  uint32_t chars = 0;
  uint32_t commas = 0;
};

// Statistics of every node. Text nodes, about half of a page's nodes, have
// no children: they keep only their own text, in a table of their own, and
// elements keep the whole record, each table indexed by the tree's ranks,
// so that a large page's statistics take about 60% of the memory of a
// record per node.
class NodeStatsTable {
 public:
  // Statistics of every node over its subtree, dropped subtrees left out.
  // The tree must outlive every use of the table.
  void Compute(const Dom& dom, std::span<const uint8_t> drops);
  // Frees the tables when a huge page made them huge.
  void GiveBackIfHuge(size_t kept_nodes);

  // Of an element (or the document) only.
  const NodeStats& operator[](NodeIndex element) const {
    return elements_[dom_->ElementRank(element)];
  }
  // Of a text node only.
  const TextStats& OfText(NodeIndex text) const { return texts_[dom_->TextRank(text)]; }

 private:
  void CountTexts(std::span<const uint8_t> drops);
  void SumSubtrees(std::span<const uint8_t> drops);

  const Dom* dom_ = nullptr;
  std::vector<NodeStats> elements_;
  std::vector<TextStats> texts_;
};

// How much text a unit counts for.
constexpr uint32_t TextWeight(char16_t unit) { return IsCjk(unit) ? 3 : 1; }

// Whether a unit is a comma or one of the CJK punctuation marks of prose.
constexpr bool IsComma(char16_t unit) {
  return unit == u',' || unit == 0xFF0C || unit == 0x3001 || unit == 0x3002 || unit == 0xFF1B ||
         unit == 0xFF01 || unit == 0xFF1F;
}

// Text length and commas of a text, blanks not counted.
void CountText(std::u16string_view text, uint32_t& chars, uint32_t& commas);

// An <a> with an href; named anchors are not links.
inline bool IsLink(const Dom& dom, const Node& node) {
  return node.tag == Tag::kA && dom.FindAttribute(node, u"href") != nullptr;
}

// A link that holds lines of prose (an article wrapped whole in one <a>,
// its paragraphs split by <br>) is text, not a link to other pages.
constexpr uint32_t kProseLinkLines = 3;
constexpr uint32_t kProseLinkCommas = 10;
inline bool IsProse(const NodeStats& stats) {
  return stats.lines >= kProseLinkLines && stats.commas >= kProseLinkCommas;
}

// Whether a node's text counts as link text.
inline bool IsLinkText(const Dom& dom, const Node& node, const NodeStats& stats) {
  return IsLink(dom, node) && !IsProse(stats);
}

inline double LinkDensity(const NodeStats& stats) {
  return stats.chars == 0 ? 0.0 : static_cast<double>(stats.link_chars) / stats.chars;
}

}  // namespace korvane
