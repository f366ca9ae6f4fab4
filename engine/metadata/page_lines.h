// The visible text of a page as lines (one per block, table cell and <br>),
// each knowing where it stands in the tree: what bylines, datelines and
// headings are looked for in.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "html/tree.h"

namespace korvane {

struct TextLine {
  uint32_t begin = 0;       // where its text starts in PageLines::text
  uint32_t size = 0;        // its units, blanks squeezed, no blank at either end
  NodeIndex node = 0;       // its first text node
  uint32_t link_units = 0;  // how many of its units are link text
  uint32_t first_seam = 0;  // its seams: PageLines::seams[first_seam, +seam_count)
  uint32_t seam_count = 0;
};

struct PageLines {
  std::u16string text;
  // The runs of link text, as [begin, end) offsets into `text`, in order.
  std::vector<std::pair<uint32_t, uint32_t>> links;
  std::vector<TextLine> lines;
  // Where the text of one node runs on into the next one's without a blank,
  // across the end or start of an element ("<a>by Adnet</a><a>by Adnet</a>"),
  // as offsets into its line, in order.
  std::vector<uint32_t> seams;

  std::u16string_view Text(size_t line) const {
    return std::u16string_view(text).substr(lines[line].begin, lines[line].size);
  }
  std::span<const uint32_t> Seams(size_t line) const {
    return std::span<const uint32_t>(seams).subspan(lines[line].first_seam, lines[line].seam_count);
  }
  // The first line whose text starts at or after `node`; lines.size() if none.
  size_t LineAt(NodeIndex node) const;
  // Whether any of the units [begin, end) of a line is link text.
  bool AnyLinked(size_t line, size_t begin, size_t end) const;
};

struct NodeRange {
  NodeIndex begin = 0;
  NodeIndex end = 0;
};

// Replaces `out` with the lines of the nodes in `ranges` (in document order,
// not overlapping; scripts, styles, the <head>, <select> lists and <svg>
// left out), keeping its buffers. A range's end ends a line.
void CollectLines(const Dom& dom, std::span<const NodeRange> ranges, PageLines& out);

}  // namespace korvane
