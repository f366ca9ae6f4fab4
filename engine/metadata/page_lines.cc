#include "metadata/page_lines.h"

#include <algorithm>

#include "common/chars.h"

namespace korvane {
namespace {

bool IsSkipped(Tag tag) {
  return HidesRawText(tag) || tag == Tag::kHead || tag == Tag::kSvg || tag == Tag::kMath ||
         tag == Tag::kSelect;
}

class LineBuilder {
 public:
  explicit LineBuilder(PageLines& out) : out_(out) {
    out_.text.clear();
    out_.links.clear();
    out_.lines.clear();
    out_.seams.clear();
  }

  void Break() {
    if (open_) {
      out_.lines.back().size = static_cast<uint32_t>(out_.text.size()) - out_.lines.back().begin;
    }
    open_ = false;
    pending_space_ = false;
  }

  // Appends text, blanks squeezed, a run of other units at a time.
  void Append(std::u16string_view text, NodeIndex node, bool link) {
    for (size_t at = 0; at < text.size();) {
      if (IsBlankOrControl(text[at])) {
        pending_space_ = open_;
        ++at;
        continue;
      }
      size_t end = at + 1;
      while (end < text.size() && !IsBlankOrControl(text[end])) ++end;
      if (!open_) {
        out_.lines.push_back(TextLine{.begin = static_cast<uint32_t>(out_.text.size()),
                                      .node = node,
                                      .first_seam = static_cast<uint32_t>(out_.seams.size())});
        open_ = true;
      } else if (pending_space_) {
        Push(u" ", link);
      } else if (at == 0) {  // the previous node's text runs on into this one's
        TextLine& line = out_.lines.back();
        out_.seams.push_back(static_cast<uint32_t>(out_.text.size()) - line.begin);
        ++line.seam_count;
      }
      pending_space_ = false;
      Push(text.substr(at, end - at), link);
      at = end;
    }
  }

 private:
  void Push(std::u16string_view units, bool link) {
    out_.text.append(units);
    if (link) {
      const auto begin = static_cast<uint32_t>(out_.text.size() - units.size());
      const auto end = static_cast<uint32_t>(out_.text.size());
      if (!out_.links.empty() && out_.links.back().second == begin) {
        out_.links.back().second = end;
      } else {
        out_.links.emplace_back(begin, end);
      }
    }
    out_.lines.back().link_units += link ? static_cast<uint32_t>(units.size()) : 0;
  }

  PageLines& out_;
  bool open_ = false;
  bool pending_space_ = false;
};

// Appends the lines of the nodes [begin, end) to `builder`.
void CollectRange(const Dom& dom, NodeIndex begin, NodeIndex end, LineBuilder& builder) {
  end = std::min(end, dom.size());
  // Starting inside the tree: what the ancestors of `begin` open is open.
  std::vector<NodeIndex> ancestors;
  for (NodeIndex at = begin < end ? dom[begin].parent : kNoNode; at != kNoNode;
       at = dom[at].parent) {
    ancestors.push_back(at);
  }
  std::vector<NodeIndex> block_ends;
  NodeIndex link_end = 0;
  for (auto ancestor = ancestors.rbegin(); ancestor != ancestors.rend(); ++ancestor) {
    const Node& node = dom[*ancestor];
    if (IsSkipped(node.tag)) begin = std::max(begin, node.end);
    if (node.tag == Tag::kA) link_end = node.end;
    if (Has(node.tag, kBlock)) block_ends.push_back(node.end);
  }
  for (NodeIndex i = begin; i < end;) {
    while (!block_ends.empty() && block_ends.back() <= i) {
      builder.Break();
      block_ends.pop_back();
    }
    const Node& node = dom[i];
    if (IsSkipped(node.tag)) {
      i = node.end;
      continue;
    }
    if (node.tag == Tag::kText) {
      builder.Append(dom.Text(node), i, i < link_end);
    } else if (node.tag == Tag::kA) {
      link_end = node.end;
    } else if (node.tag == Tag::kBr) {
      builder.Break();
    } else if (Has(node.tag, kBlock)) {
      builder.Break();
      block_ends.push_back(node.end);
    }
    ++i;
  }
  builder.Break();
}

}  // namespace

size_t PageLines::LineAt(NodeIndex node) const {
  const auto at = std::lower_bound(lines.begin(), lines.end(), node,
                                   [](const TextLine& line, NodeIndex n) { return line.node < n; });
  return static_cast<size_t>(at - lines.begin());
}

bool PageLines::AnyLinked(size_t line, size_t begin, size_t end) const {
  const size_t first = lines[line].begin + begin;
  const size_t last = lines[line].begin + end;
  // The first run that ends after `first`; it is linked text of the range if
  // it starts before `last`.
  const auto run = std::upper_bound(
      links.begin(), links.end(), first,
      [](size_t at, const std::pair<uint32_t, uint32_t>& link) { return at < link.second; });
  return run != links.end() && run->first < last;
}

void CollectLines(const Dom& dom, std::span<const NodeRange> ranges, PageLines& out) {
  LineBuilder builder(out);
  for (const NodeRange& range : ranges) CollectRange(dom, range.begin, range.end, builder);
}

}  // namespace korvane
