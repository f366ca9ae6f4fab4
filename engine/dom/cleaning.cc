// SPDX-License-Identifier: Apache-2.0
#include "dom/cleaning.h"

#include <algorithm>

#include "dom/drops.h"
#include "dom/text.h"

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

// A paragraph of link text with fewer commas than this calls the reader to
// another page ("Read more: ...", the headline of a related story).
constexpr uint32_t kLinkParagraphCommas = 2;
constexpr double kLinkParagraphDensity = 0.9;

// Whether a text starts with a web address: one printed for the reader to
// see is part of the text.
bool StartsWithAddress(std::u16string_view text) {
  size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  text.remove_prefix(at);
  return text.starts_with(u"http") || text.starts_with(u"www.");
}

class Cleaner {
 public:
  Cleaner(const Dom& dom, std::span<const Hint> hints, const NodeStatsTable& stats, bool use_hints)
      : dom_(dom), hints_(hints), stats_(stats), use_hints_(use_hints) {}

  bool IsBoilerplate(NodeIndex index) const {
    const Node& node = dom_[index];
    const int weight = use_hints_ ? hints_[index].weight : 0;
    if (Has(node.tag, kHeading)) return weight < 0;
    if (node.tag == Tag::kP) return IsLinkToElsewhere(index);
    if (!IsCleanedTag(node.tag)) return false;
    if (weight < 0) return true;
    const NodeStats& stats = stats_[index];
    if (stats.commas >= kProseCommas) return false;
    if (node.tag == Tag::kTable && stats.headers() > 0) return false;
    const bool list = IsList(node.tag);
    const double link_density = LinkDensity(stats);
    const uint32_t paragraphs = stats.paragraphs();
    return (stats.images() > 1 && paragraphs * 2 < stats.images()) ||
           (!list && stats.list_items() > paragraphs + 100) || (stats.inputs() > paragraphs / 3) ||
           (!list && stats.chars < kMinChars && (stats.images() == 0 || stats.images() > 2)) ||
           (!list && weight < 25 && link_density > 0.2) ||
           ((weight >= 25 || list) && link_density > 0.5) ||
           (stats.embeds() == 1 && stats.chars < 75) || stats.embeds() > 1;
  }

 private:
  static constexpr uint32_t kMinChars = 25;

  // A paragraph that is one link to another page.
  bool IsLinkToElsewhere(NodeIndex paragraph) const {
    const NodeStats& stats = stats_[paragraph];
    if (LinkDensity(stats) <= kLinkParagraphDensity || stats.commas >= kLinkParagraphCommas) {
      return false;
    }
    for (NodeIndex i = paragraph + 1; i < dom_[paragraph].end; ++i) {
      if (dom_[i].tag == Tag::kText && !(dom_[i].flags & kRawContent)) {
        const std::u16string_view text = dom_.Text(dom_[i]);
        if (std::all_of(text.begin(), text.end(), IsBlank)) continue;
        return !StartsWithAddress(text);
      }
    }
    return true;
  }

  const Dom& dom_;
  std::span<const Hint> hints_;
  const NodeStatsTable& stats_;
  bool use_hints_;
};

}  // namespace

void CleanArticle(const Dom& dom, std::span<const Hint> hints, const NodeStatsTable& stats,
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
