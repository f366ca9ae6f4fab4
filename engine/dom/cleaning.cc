// SPDX-License-Identifier: Apache-2.0
#include "dom/cleaning.h"

#include "dom/drops.h"

namespace korvane {
namespace {

// Blocks with at least this many commas are prose and always stay.
constexpr uint32_t kProseCommas = 10;

bool IsCleanedTag(Tag tag) {
  switch (tag) {
    case Tag::kDiv:
    case Tag::kSection:
    case Tag::kTable:
    case Tag::kUl:
    case Tag::kOl:
    case Tag::kForm:
    case Tag::kFieldset:
    case Tag::kHeader:
      return true;
    default:
      return false;
  }
}

bool IsList(Tag tag) { return tag == Tag::kUl || tag == Tag::kOl; }

class Cleaner {
 public:
  Cleaner(const Dom& dom, std::span<const Hint> hints, std::span<const NodeStats> stats,
          bool use_hints)
      : dom_(dom), hints_(hints), stats_(stats), use_hints_(use_hints) {}

  bool IsBoilerplate(NodeIndex index) const {
    const Node& node = dom_[index];
    const int weight = use_hints_ ? hints_[index].weight : 0;
    if (Has(node.tag, kHeading)) return weight < 0;
    if (!IsCleanedTag(node.tag)) return false;
    if (weight < 0) return true;
    const NodeStats& stats = stats_[index];
    if (stats.commas >= kProseCommas) return false;
    if (node.tag == Tag::kTable && stats.headers > 0) return false;
    const bool list = IsList(node.tag);
    const double link_density = LinkDensity(stats);
    const uint32_t paragraphs = stats.paragraphs;
    return (stats.images > 1 && paragraphs * 2 < stats.images) ||
           (!list && stats.list_items > paragraphs + 100) || (stats.inputs > paragraphs / 3) ||
           (!list && stats.chars < kMinChars && (stats.images == 0 || stats.images > 2)) ||
           (!list && weight < 25 && link_density > 0.2) ||
           ((weight >= 25 || list) && link_density > 0.5) ||
           (stats.embeds == 1 && stats.chars < 75) || stats.embeds > 1;
  }

 private:
  static constexpr uint32_t kMinChars = 25;

  const Dom& dom_;
  std::span<const Hint> hints_;
  std::span<const NodeStats> stats_;
  bool use_hints_;
};

}  // namespace

void CleanArticle(const Dom& dom, std::span<const Hint> hints, std::span<const NodeStats> stats,
                  std::span<const NodeIndex> parts, bool use_hints, std::vector<uint8_t>& drops) {
  const Cleaner cleaner(dom, hints, stats, use_hints);
  for (const NodeIndex part : parts) {
    for (NodeIndex i = part + 1; i < dom[part].end; ++i) {
      if (drops[i] != 0) {
        i = dom[i].end - 1;
      } else if (dom[i].tag != Tag::kText && cleaner.IsBoilerplate(i)) {
        drops[i] |= kCleaned;
        i = dom[i].end - 1;
      }
    }
  }
}

}  // namespace korvane
