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

// `bits` repeated in each of `fields` fields of `width` bits.
constexpr uint64_t EveryField(uint64_t bits, int width, int fields) {
  uint64_t word = 0;
  for (int field = 0; field < fields; ++field) word |= bits << (field * width);
  return word;
}

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
  static constexpr int kKinds = 6;
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

  // The counts in one word, ten bits a kind: nine for the count and a guard
  // bit above them, which a sum of two packed words sets in a kind that
  // outgrows nine bits. kTooMany when a count is already past them.
  static constexpr int kPackedBits = 10;
  static constexpr int kPackedMaxBits = kPackedBits - 1;
  static constexpr uint32_t kPackedMax = (1u << kPackedMaxBits) - 1;
  static constexpr uint64_t kPackedGuards =
      EveryField(uint64_t{1} << kPackedMaxBits, kPackedBits, kKinds);
  static constexpr uint64_t kTooMany = ~uint64_t{0};
  constexpr uint64_t Packed() const {
    uint64_t packed = 0;
    for (int kind = 0; kind < kKinds; ++kind) {
      const uint32_t count = (*this)[static_cast<Counted>(kind)];
      if (count > kPackedMax) return kTooMany;
      packed |= uint64_t{count} << (kind * kPackedBits);
    }
    return packed;
  }
  static constexpr ElementCounts Unpacked(uint64_t packed) {
    ElementCounts counts;
    for (int kind = 0; kind < kKinds; ++kind) {
      const uint64_t count = (packed >> (kind * kPackedBits)) & kPackedMax;
      counts.words_[Word(static_cast<Counted>(kind))] += count << Shift(static_cast<Counted>(kind));
    }
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
// elements keep the whole record, each table indexed by the tree's ranks.
// An element's counts are packed in one word; the few elements around most
// of a large page, with hundreds of one kind, keep theirs whole beside.
// So a large page's statistics take less than half the memory of a whole
// record per node.
class NodeStatsTable {
 public:
  // Statistics of every node over its subtree, dropped subtrees left out.
  // The tree must outlive every use of the table.
  void Compute(const Dom& dom, std::span<const uint8_t> drops);
  // Frees the tables when a huge page made them huge.
  void GiveBackIfHuge(size_t kept_nodes);

  // Of an element (or the document) only.
  NodeStats operator[](NodeIndex element) const {
    const ElementRecord& record = elements_[dom_->ElementRank(element)];
    return NodeStats{record.chars, record.link_chars, record.commas, record.lines, Counts(record)};
  }
  // Of a text node only.
  TextStats OfText(NodeIndex text) const {
    const uint32_t packed = texts_[dom_->TextRank(text)];
    if (packed == kCountAgain) return CountAgain(text);
    return TextStats{packed & ((1u << kLengthBits) - 1), packed >> kLengthBits};
  }

 private:
  struct ElementRecord {
    uint32_t chars = 0;
    uint32_t link_chars = 0;
    uint32_t commas = 0;
    uint32_t lines = 0;
    uint64_t counts = 0;  // packed, or kBeside and the place of the whole counts in beside_
  };
  static constexpr uint64_t kBeside = uint64_t{1} << 63;

  ElementCounts Counts(const ElementRecord& record) const {
    return record.counts & kBeside ? beside_[record.counts & ~kBeside]
                                   : ElementCounts::Unpacked(record.counts);
  }
  // Packed counts are added as words; a sum that outgrows a kind's bits
  // moves the counts beside.
  void AddCounts(uint64_t packed, ElementRecord& to) {
    const uint64_t sum = to.counts + packed;
    if ((sum & (ElementCounts::kPackedGuards | kBeside)) == 0) {
      to.counts = sum;
    } else {
      AddBeside(ElementCounts::Unpacked(packed), to);
    }
  }
  void AddCounts(const ElementCounts& counts, ElementRecord& to) {
    const uint64_t packed = counts.Packed();
    if (packed == ElementCounts::kTooMany) {
      AddBeside(counts, to);
    } else {
      AddCounts(packed, to);
    }
  }
  void AddBeside(const ElementCounts& counts, ElementRecord& to);
  void CountTexts(std::span<const uint8_t> drops);
  void SumSubtrees(std::span<const uint8_t> drops);

  // A text's statistics in one word: its length in the low kLengthBits,
  // its commas above; a text that has too many of either (a long one) is
  // marked kCountAgain and counted again when asked for.
  static constexpr int kLengthBits = 24;
  static constexpr uint32_t kCountAgain = 0xFF000000;
  static uint32_t Packed(const TextStats& text) {
    const uint32_t commas_room = kCountAgain >> kLengthBits;
    if (text.chars >> kLengthBits != 0 || text.commas >= commas_room) return kCountAgain;
    return text.chars | text.commas << kLengthBits;
  }
  TextStats CountAgain(NodeIndex text) const;

  const Dom* dom_ = nullptr;
  std::vector<ElementRecord> elements_;
  std::vector<ElementCounts> beside_;
  std::vector<uint32_t> texts_;
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
