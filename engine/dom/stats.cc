// SPDX-License-Identifier: Apache-2.0
#include "dom/stats.h"

#include <array>

#include "common/chars.h"

namespace korvane {
namespace {

// What an element counts for itself.
constexpr ElementCounts CountsOf(Tag tag) {
  switch (tag) {
    case Tag::kP:
      return ElementCounts::One(Counted::kParagraphs);
    case Tag::kImg:
      return ElementCounts::One(Counted::kImages);
    case Tag::kLi:
      return ElementCounts::One(Counted::kListItems);
    case Tag::kInput:
    case Tag::kSelect:
    case Tag::kTextarea:
    case Tag::kButton:
      return ElementCounts::One(Counted::kInputs);
    case Tag::kTh:
    case Tag::kThead:
    case Tag::kCaption:
      return ElementCounts::One(Counted::kHeaders);
    case Tag::kIframe:
    case Tag::kEmbed:
    case Tag::kObject:
    case Tag::kVideo:
      return ElementCounts::One(Counted::kEmbeds);
    default:
      return {};
  }
}
// Looked up, where a switch would jump somewhere else at nearly every element.
constexpr auto kElementCounts = TagTable<ElementCounts>(CountsOf);
constexpr auto kPackedCounts = TagTable<uint64_t>([](Tag tag) { return CountsOf(tag).Packed(); });
constexpr uint64_t kOneParagraph = ElementCounts::One(Counted::kParagraphs).Packed();

// Cells share the line of their row, as in the text output.
constexpr auto kStartsLine = TagTable([](Tag tag) {
  return (Has(tag, kBlock) && tag != Tag::kTd && tag != Tag::kTh) || tag == Tag::kBr;
});

}  // namespace

namespace {

// What one unit adds: its weight in the low two bits (0 for a blank), 4 for
// a comma. A table, because every unit of a page's text is counted, some
// more than once; it is made from the rules themselves.
using UnitCounts = std::array<uint8_t, 0x10000>;

UnitCounts MakeUnitCounts() {
  UnitCounts counts{};
  for (uint32_t unit = 0; unit < counts.size(); ++unit) {
    const auto each = static_cast<char16_t>(unit);
    if (IsBlank(each)) continue;
    counts[unit] = static_cast<uint8_t>(TextWeight(each) | (IsComma(each) ? 4 : 0));
  }
  return counts;
}

}  // namespace

void CountText(std::u16string_view text, uint32_t& chars, uint32_t& commas) {
  static const UnitCounts counts = MakeUnitCounts();
  uint32_t weight = 0;
  uint32_t marks = 0;
  for (const char16_t unit : text) {
    const uint8_t count = counts[unit];
    weight += count & 3;
    marks += count >> 2;
  }
  chars += weight;
  commas += marks;
}

void NodeStatsTable::Compute(const Dom& dom, std::span<const uint8_t> drops) {
  dom_ = &dom;
  elements_.assign(dom.element_count(), ElementRecord{});
  beside_.clear();
  texts_.assign(dom.text_count(), 0);
  CountTexts(drops);
  SumSubtrees(drops);
}

TextStats NodeStatsTable::CountAgain(NodeIndex text) const {
  TextStats stats;
  CountText(dom_->Text((*dom_)[text]), stats.chars, stats.commas);
  return stats;
}

void NodeStatsTable::GiveBackIfHuge(size_t kept_nodes) {
  if (elements_.capacity() + texts_.capacity() <= kept_nodes) return;
  std::vector<ElementRecord>().swap(elements_);
  std::vector<uint32_t>().swap(texts_);
}

// Counts the text of every text node, adding it to its parent's with a line
// for each that begins one (after a block boundary or a <br>).
void NodeStatsTable::CountTexts(std::span<const uint8_t> drops) {
  const Dom& dom = *dom_;
  std::vector<NodeIndex> block_ends;
  bool line_start = true;
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    while (!block_ends.empty() && block_ends.back() <= i) {
      block_ends.pop_back();
      line_start = true;
    }
    const Node& node = dom[i];
    const bool block = Lookup(kStartsLine, node.tag);
    line_start |= block;
    if (drops[i] != 0) {
      i = node.end - 1;
    } else if (node.tag == Tag::kText) {
      if (node.flags & kRawContent) continue;
      TextStats own;
      CountText(dom.Text(node), own.chars, own.commas);
      texts_[dom.TextRank(i)] = Packed(own);
      ElementRecord& parent = elements_[dom.ElementRank(node.parent)];
      parent.chars += own.chars;
      parent.commas += own.commas;
      if (own.chars > 0 && line_start) {
        ++parent.lines;
        line_start = false;
      }
    } else if (block && node.end > i + 1) {
      block_ends.push_back(node.end);
    }
  }
}

// Children come after their parent: walked backwards, an element is
// reached once its children have added their counts (text nodes did as they
// were counted) and told whether one of them is a block.
void NodeStatsTable::SumSubtrees(std::span<const uint8_t> drops) {
  const Dom& dom = *dom_;
  std::vector<uint8_t> has_block_child(elements_.size(), 0);  // by element rank
  auto texts = static_cast<uint32_t>(texts_.size());
  for (NodeIndex i = dom.size(); i-- > 1;) {
    const Node& node = dom[i];
    if (node.tag == Tag::kText) {
      --texts;
      continue;
    }
    ElementRecord& own = elements_[i - texts];
    AddCounts(Lookup(kPackedCounts, node.tag), own);
    if (IsLinkText(dom, node, NodeStats{own.chars, own.link_chars, own.commas, own.lines, {}})) {
      own.link_chars = own.chars;
    }
    // A <div> of text and inline elements is a paragraph too.
    if (node.tag == Tag::kDiv && !has_block_child[i - texts] && own.chars > 0) {
      AddCounts(kOneParagraph, own);
    }
    const uint32_t parent_rank = dom.ElementRank(node.parent);
    ElementRecord& parent = elements_[parent_rank];
    if (Has(node.tag, kBlock)) has_block_child[parent_rank] = 1;
    if (drops[i] == 0) {
      parent.chars += own.chars;
      parent.link_chars += own.link_chars;
      parent.commas += own.commas;
      parent.lines += own.lines;
      if (own.counts & kBeside) {
        AddBeside(Counts(own), parent);  // a copy: beside_ may grow
      } else {
        AddCounts(own.counts, parent);
      }
    } else {
      // Dropped controls and embeds still tell what their parent is.
      AddCounts(Lookup(kElementCounts, node.tag).Of(Counted::kInputs, Counted::kEmbeds), parent);
    }
  }
}

void NodeStatsTable::AddBeside(const ElementCounts& counts, ElementRecord& to) {
  if (!(to.counts & kBeside)) {
    beside_.push_back(ElementCounts::Unpacked(to.counts));
    to.counts = kBeside | (beside_.size() - 1);
  }
  beside_[to.counts & ~kBeside] += counts;
}

}  // namespace korvane
