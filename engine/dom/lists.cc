// SPDX-License-Identifier: Apache-2.0
#include "dom/lists.h"

#include <algorithm>

namespace korvane {
namespace {

constexpr size_t kMinEntries = 3;
// No entry of a list holds more than this share of the list's text.
constexpr double kDominantShare = 0.6;

bool IsRecord(const NodeStats& stats) {
  return stats.lines >= 2 || stats.link_chars > 0 || stats.images() > 0;
}

// Whether siblings of this element can be the entries of one list; table
// rows and cells are the parts of one table.
constexpr bool CanBeEntryTag(Tag tag) {
  return Has(tag, kBlock) && tag != Tag::kP && !Has(tag, kHeading) && tag != Tag::kTr &&
         tag != Tag::kTd && tag != Tag::kTh;
}
constexpr auto kCanBeEntry = TagTable(CanBeEntryTag);
bool CanBeEntry(Tag tag) { return Lookup(kCanBeEntry, tag); }

// Tag and class: what the entries of one list share.
uint64_t EntryKey(const Dom& dom, NodeIndex node) {
  uint64_t key = 1469598103934665603ull ^ static_cast<uint64_t>(dom[node].tag);
  const Attribute* names = dom.FindAttribute(dom[node], u"class");
  if (names == nullptr) return key;
  for (char16_t unit : dom.RawValue(*names)) key = (key ^ unit) * 1099511628211ull;
  return key;
}

struct Entry {
  uint64_t key;
  NodeIndex node;
};

// Marks the entries among `entries` (siblings, sorted by key).
void MarkGroups(std::span<const Entry> entries, const NodeStatsTable& stats,
                std::vector<uint8_t>& in_entry) {
  for (size_t begin = 0, end; begin < entries.size(); begin = end) {
    uint64_t total = 0;
    uint32_t largest = 0;
    size_t records = 0;
    for (end = begin; end < entries.size() && entries[end].key == entries[begin].key; ++end) {
      const NodeStats& entry = stats[entries[end].node];
      total += entry.chars;
      largest = std::max(largest, entry.chars);
      records += IsRecord(entry);
    }
    const size_t count = end - begin;
    if (count < kMinEntries || largest > kDominantShare * total || records * 2 < count) continue;
    for (size_t i = begin; i < end; ++i) in_entry[entries[i].node] |= 1;
  }
}

}  // namespace

void MarkListEntries(const Dom& dom, std::span<const uint8_t> drops, const NodeStatsTable& stats,
                     std::vector<uint8_t>& in_entry) {
  // First each parent counts its children that can be entries, up to
  // kMinEntries, in bits 1 and 2 of its own slot, in one pass: most
  // parents have too few, and walking every parent's children cost more
  // mispredicted loop ends than the lists themselves.
  in_entry.assign(dom.size(), 0);
  for (NodeIndex child = 1; child < dom.size(); ++child) {
    uint8_t& count = in_entry[dom[child].parent];
    const bool entry = CanBeEntry(dom[child].tag) && drops[child] == 0;
    count += entry && count < kMinEntries * 2 ? 2 : 0;
  }
  std::vector<Entry> entries;
  for (NodeIndex parent = 0; parent < dom.size(); ++parent) {
    if (in_entry[parent] < kMinEntries * 2 || drops[parent] != 0) continue;
    entries.clear();
    for (NodeIndex child = dom.FirstChild(parent); child != kNoNode;
         child = dom.NextSibling(child)) {
      if (CanBeEntry(dom[child].tag) && drops[child] == 0) {
        entries.push_back(Entry{EntryKey(dom, child), child});
      }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
    MarkGroups(entries, stats, in_entry);
  }
  in_entry[0] &= 1;
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    in_entry[i] = (in_entry[i] & 1) | in_entry[dom[i].parent];
  }
}

}  // namespace korvane
