// SPDX-License-Identifier: Apache-2.0
#include "block/first_occurrence.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace korvane {
namespace {

constexpr size_t kNone = std::u16string_view::npos;  // never placed
constexpr int32_t kRoot = 0;
constexpr int32_t kNoNode = -1;

// Trie edges (node, unit) -> child, open addressing.
class EdgeTable {
 public:
  explicit EdgeTable(size_t edges)
      : mask_(std::bit_ceil(2 * edges + 16) - 1),
        keys_(mask_ + 1, 0),
        children_(mask_ + 1, kNoNode) {}

  int32_t Find(int32_t node, char16_t unit) const {
    const uint64_t key = Key(node, unit);
    for (size_t slot = Slot(key);; slot = (slot + 1) & mask_) {
      if (keys_[slot] == key) return children_[slot];
      if (keys_[slot] == 0) return kNoNode;
    }
  }

  void Insert(int32_t node, char16_t unit, int32_t child) {
    const uint64_t key = Key(node, unit);
    size_t slot = Slot(key);
    while (keys_[slot] != 0) slot = (slot + 1) & mask_;
    keys_[slot] = key;
    children_[slot] = child;
  }

 private:
  static uint64_t Key(int32_t node, char16_t unit) {
    return ((static_cast<uint64_t>(node) << 16) | unit) + 1;
  }
  size_t Slot(uint64_t key) const {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask_;
  }

  size_t mask_;
  std::vector<uint64_t> keys_;
  std::vector<int32_t> children_;
};

struct Node {
  int32_t parent = kNoNode;
  char16_t unit = 0;
  int32_t depth = 0;
  int32_t fail = kRoot;
  int32_t next_end = kNoNode;  // nearest node on the fail chain ending a pattern
  bool ends_pattern = false;
  size_t first_start = kNone;
};

// Aho-Corasick automaton over the patterns.
class Automaton {
 public:
  explicit Automaton(const std::vector<std::u16string_view>& patterns)
      : edges_(TotalLength(patterns)), firstUnits_(0x10000 / 64, 0) {
    nodes_.emplace_back();
    for (std::u16string_view pattern : patterns) ends_.push_back(Insert(pattern));
    LinkFailures();
  }

  // Records where each pattern first begins; stops once all are placed.
  void Scan(std::u16string_view text) {
    size_t unplaced = 0;
    for (const Node& node : nodes_) unplaced += node.ends_pattern;
    int32_t state = kRoot;
    for (size_t at = 0; at < text.size() && unplaced > 0; ++at) {
      if (state == kRoot) {
        at = SkipToFirstUnit(text, at);
        if (at == text.size()) break;
      }
      state = Next(state, text[at]);
      unplaced -= Place(state, at);
    }
  }

  size_t FirstStart(size_t pattern) const { return nodes_[ends_[pattern]].first_start; }

 private:
  static size_t TotalLength(const std::vector<std::u16string_view>& patterns) {
    size_t total = 0;
    for (std::u16string_view pattern : patterns) total += pattern.size();
    return total;
  }

  int32_t Insert(std::u16string_view pattern) {
    int32_t node = kRoot;
    for (char16_t unit : pattern) {
      int32_t child = edges_.Find(node, unit);
      if (child == kNoNode) {
        child = static_cast<int32_t>(nodes_.size());
        nodes_.push_back({node, unit, nodes_[node].depth + 1});
        edges_.Insert(node, unit, child);
      }
      node = child;
    }
    if (pattern.empty()) {
      nodes_[kRoot].first_start = 0;
    } else {
      nodes_[node].ends_pattern = true;
      firstUnits_[pattern[0] / 64] |= uint64_t{1} << (pattern[0] % 64);
    }
    return node;
  }

  // Fail links need the links of every shallower node first.
  void LinkFailures() {
    for (int32_t node : NodesByDepth()) {
      if (nodes_[node].depth < 2) continue;
      Node& current = nodes_[node];
      current.fail = Next(nodes_[current.parent].fail, current.unit);
      const Node& fail = nodes_[current.fail];
      current.next_end = fail.ends_pattern ? current.fail : fail.next_end;
    }
  }

  std::vector<int32_t> NodesByDepth() const {
    int32_t deepest = 0;
    for (const Node& node : nodes_) deepest = std::max(deepest, node.depth);
    std::vector<size_t> first_of_depth(deepest + 2, 0);
    for (const Node& node : nodes_) ++first_of_depth[node.depth + 1];
    for (size_t depth = 1; depth < first_of_depth.size(); ++depth) {
      first_of_depth[depth] += first_of_depth[depth - 1];
    }
    std::vector<int32_t> ordered(nodes_.size());
    for (size_t node = 0; node < nodes_.size(); ++node) {
      ordered[first_of_depth[nodes_[node].depth]++] = static_cast<int32_t>(node);
    }
    return ordered;
  }

  int32_t Next(int32_t state, char16_t unit) const {
    for (;;) {
      const int32_t child = edges_.Find(state, unit);
      if (child != kNoNode) return child;
      if (state == kRoot) return kRoot;
      state = nodes_[state].fail;
    }
  }

  size_t SkipToFirstUnit(std::u16string_view text, size_t at) const {
    while (at < text.size() && !((firstUnits_[text[at] / 64] >> (text[at] % 64)) & 1)) {
      ++at;
    }
    return at;
  }

  // A pattern placed before has had every shorter pattern that ends with it
  // placed at the same time, so the walk stops at the first placed one.
  size_t Place(int32_t state, size_t end) {
    size_t placed = 0;
    int32_t node = nodes_[state].ends_pattern ? state : nodes_[state].next_end;
    while (node != kNoNode && nodes_[node].first_start == kNone) {
      nodes_[node].first_start = end + 1 - nodes_[node].depth;
      ++placed;
      node = nodes_[node].next_end;
    }
    return placed;
  }

  EdgeTable edges_;
  std::vector<Node> nodes_;
  std::vector<int32_t> ends_;
  std::vector<uint64_t> firstUnits_;
};

}  // namespace

std::vector<size_t> FirstOccurrences(std::u16string_view text,
                                     const std::vector<std::u16string_view>& patterns) {
  Automaton automaton(patterns);
  automaton.Scan(text);
  std::vector<size_t> starts;
  starts.reserve(patterns.size());
  for (size_t i = 0; i < patterns.size(); ++i) {
    starts.push_back(automaton.FirstStart(i));
  }
  return starts;
}

}  // namespace korvane
