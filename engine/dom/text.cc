#include "dom/text.h"

#include <vector>

#include "common/chars.h"

namespace korvane {
namespace {

// Units that take no room: zero-width space, byte order mark, soft hyphen.
bool IsInvisible(char16_t unit) { return unit == 0x200B || unit == 0xFEFF || unit == 0x00AD; }

bool IsCell(Tag tag) { return tag == Tag::kTd || tag == Tag::kTh; }

// Elements whose content is never text of the page.
bool IsSkipped(Tag tag) { return HidesRawText(tag) || tag == Tag::kSvg || tag == Tag::kMath; }

// Elements whose line breaks and blanks browsers keep.
bool IsPreformatted(Tag tag) { return tag == Tag::kPre || ShowsRawText(tag); }

}  // namespace

TextWriter::TextWriter(std::u16string& out) : out_(&out) { out.clear(); }

void TextWriter::Break() {
  if (line_has_text_) pending_break_ = true;
  pending_space_ = false;
}

void TextWriter::AppendText(std::u16string_view text, bool keep_line_breaks) {
  for (size_t at = 0; at < text.size();) {
    const char16_t unit = text[at];
    if (unit == u'\n' && keep_line_breaks) {
      Break();
      ++at;
    } else if (IsBlankOrControl(unit)) {
      pending_space_ = true;
      ++at;
    } else if (IsInvisible(unit)) {
      ++at;
    } else {
      if (pending_break_) {
        out_->append(u"\r\n");
        line_has_text_ = false;
      } else if (pending_space_ && line_has_text_) {
        out_->push_back(u' ');
      }
      pending_break_ = pending_space_ = false;
      line_has_text_ = true;
      // The units up to the next blank, control or invisible one go as
      // they are, in one append.
      size_t end = at + 1;
      while (end < text.size() && !IsBlankOrControl(text[end]) && !IsInvisible(text[end])) {
        ++end;
      }
      out_->append(text.substr(at, end - at));
      at = end;
    }
  }
}

void TextWriter::AppendSubtree(const Dom& dom, NodeIndex root, std::span<const uint8_t> dropped) {
  struct Open {
    NodeIndex end;
    bool block;
    bool pre;
  };
  std::vector<Open> open;
  int pre_depth = 0;
  const auto close_ended = [&](NodeIndex at) {
    while (!open.empty() && open.back().end <= at) {
      if (open.back().block) Break();
      if (open.back().pre) --pre_depth;
      open.pop_back();
    }
  };
  const NodeIndex end = dom[root].end;
  for (NodeIndex i = root; i < end;) {
    close_ended(i);
    const Node& node = dom[i];
    if ((!dropped.empty() && dropped[i]) || IsSkipped(node.tag)) {
      i = node.end;
      continue;
    }
    if (node.tag == Tag::kText) {
      if (!(node.flags & kRawContent)) AppendText(dom.Text(node), pre_depth > 0);
    } else if (node.tag == Tag::kBr) {
      Break();
    } else if (IsCell(node.tag)) {
      pending_space_ = true;
    } else if (Has(node.tag, kBlock)) {
      Break();
      const bool pre = IsPreformatted(node.tag);
      pre_depth += pre;
      open.push_back(Open{node.end, true, pre});
    }
    ++i;
  }
  close_ended(end);
}

void TextWriter::Finish() { pending_break_ = pending_space_ = false; }

std::u16string OneLineText(const Dom& dom, NodeIndex root) {
  std::u16string lines;
  TextWriter writer(lines);
  writer.AppendSubtree(dom, root);
  writer.Finish();
  std::u16string text;
  text.reserve(lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == u'\r') {
      text.push_back(u' ');
      ++i;  // its "\n"
    } else {
      text.push_back(lines[i]);
    }
  }
  return text;
}

}  // namespace korvane
