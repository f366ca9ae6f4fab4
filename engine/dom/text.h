// SPDX-License-Identifier: Apache-2.0
// Plain text out of a tree: one line per paragraph, list item, table row,
// heading, <br> and other block; blanks squeezed to one space; no empty
// lines; lines joined by "\r\n".
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "html/tree.h"

namespace korvane {

class TextWriter {
 public:
  // Writes over `out`, which keeps its capacity.
  explicit TextWriter(std::u16string& out);

  // Appends the text of the subtree at `root`, leaving out every subtree whose
  // root is marked in `dropped` (one entry per node; empty: none dropped).
  void AppendSubtree(const Dom& dom, NodeIndex root, std::span<const uint8_t> dropped = {});

  // Ends the current line, if it has text.
  void Break();

  // Appends text as inline content: blanks squeezed, line breaks kept only
  // when `keep_line_breaks` (inside <pre>).
  void AppendText(std::u16string_view text, bool keep_line_breaks = false);

  // Ends the text: no trailing line break or blank.
  void Finish();

 private:
  std::u16string* out_;
  bool line_has_text_ = false;
  bool pending_space_ = false;
  bool pending_break_ = false;
};

// The text of a subtree on one line, blanks squeezed (titles, headings).
std::u16string OneLineText(const Dom& dom, NodeIndex root);

// Writes `units` over `text` from `at`, for rewriting a text in place: they
// may lie in `text` itself, at `at` or after. Returns where they end.
inline size_t MoveTo(std::u16string& text, size_t at, std::u16string_view units) {
  std::char_traits<char16_t>::move(text.data() + at, units.data(), units.size());
  return at + units.size();
}

}  // namespace korvane
