// SPDX-License-Identifier: Apache-2.0
// Cuts a page (UTF-16) into text runs, start tags and end tags in one pass,
// as browsers do. Comments (ended by "-->", "--!>", or the end of the page;
// "<!-->" and "<!--->" are empty ones), doctypes, "<?...>", "<!...>" and
// "</ ...>" are skipped; the content of raw-text elements (<script>,
// <style>, <title>, <textarea>, <noscript>, <iframe>, <template>, ...) comes
// as one raw-text token up to the element's own end tag, or to the end of
// the page ("<script/>" has none; <plaintext> always runs to it); a script's end tag inside "<!--
// <script>...</script>" ends the inner script only. Inside SVG and MathML
// (the tree tells, see SetTreeContext) no element has raw text, and
// "<![CDATA[...]]>" is a raw-text token. A <title> that is never closed
// ends at the first tag or line break after its text, followed by the end
// tag it lacked. Character references are left as
// written: positions point into the page. A tag cut off by the end of the
// page is dropped.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/chars.h"
#include "html/tags.h"

namespace korvane {

// An attribute as written: name and value are spans of the page; the value
// excludes its quotes and has its character references still in it.
struct Attribute {
  uint32_t name_begin;
  uint32_t name_size;
  uint32_t value_begin;
  uint32_t value_size;
};

enum class TokenKind : uint8_t { kText, kRawText, kStartTag, kEndTag, kEnd };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  Tag tag = Tag::kUnknown;       // tags only
  bool self_closing = false;     // a start tag written "<.../>"
  bool has_reference = false;    // text: holds a "&", which may begin a character reference
  uint32_t begin = 0;            // text: its first unit; tags: the "<"
  uint32_t size = 0;             // text: its units; tags: through the ">"
  uint32_t name_size = 0;        // tags: the name starts at begin + 1 (+ 2 for end tags)
  uint32_t first_attribute = 0;  // start tags: index into the attribute list
  uint32_t attribute_count = 0;
};

// Start tags keep at most this many attributes (the first ones, which win
// over repeats anyway), and a page at most kMaxPageAttributes in all; later
// tags keep none. Memory stays bounded on pages of millions of attributes.
constexpr uint32_t kMaxAttributes = 1024;
constexpr size_t kMaxPageAttributes = size_t{1} << 22;

class HtmlTokenizer {
 public:
  // Appends the attributes of start tags to `attributes`. Pages longer than
  // 2^32 - 2 units are read up to that length.
  HtmlTokenizer(std::u16string_view page, std::vector<Attribute>& attributes);

  // The next token; kEnd at the end of the page, and from then on.
  Token Next();

  // Where the tree stands, for the tokens after the next: `html_elements`
  // when start tags there make HTML elements (and a raw-text one switches
  // to raw text); `foreign_node` when its current node is an SVG or MathML
  // element (where "<![CDATA[" opens a section of text). By default, HTML.
  void SetTreeContext(bool html_elements, bool foreign_node) {
    html_elements_ = html_elements;
    foreign_node_ = foreign_node;
  }

 private:
  bool StartsMarkup(size_t at) const;
  size_t SkipComment(size_t at) const;
  size_t CommentEnd(size_t from) const;
  bool ReadCdata(Token& token);
  bool ReadTag(size_t at, Token& token);
  bool ReadAttributes(size_t& at, bool keep, Token& token);
  Token RawText();
  size_t RawTextEnd(size_t from) const;
  size_t ScriptEnd(size_t from) const;
  bool EndTagAt(size_t at, std::u16string_view name) const;
  size_t UnclosedTitleEnd(size_t from) const;

  std::u16string_view page_;
  std::vector<Attribute>* attributes_;
  size_t at_ = 0;
  Tag raw_text_tag_ = Tag::kUnknown;  // set after a raw-text element's start tag
  uint32_t raw_text_name_size_ = 0;
  uint32_t raw_text_name_begin_ = 0;
  bool html_elements_ = true;
  bool foreign_node_ = false;
  bool title_cut_short_ = false;  // an unclosed <title> was ended early: its end tag is due
};

// Whether two names are equal in ASCII letter case (HTML's names). Inline:
// attribute names are compared with it in every pass over a tree.
inline bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

}  // namespace korvane
