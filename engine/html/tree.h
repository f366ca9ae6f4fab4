// SPDX-License-Identifier: Apache-2.0
// A page as a tree of elements and text, stored flat: nodes in document
// order (pre-order), each knowing its parent and where its subtree ends.
//
// Walking:
//   - node 0 is the document; every other node has a parent before it;
//   - the subtree of node i is the range [i, nodes[i].end): its descendants
//     are i + 1 .. end - 1, so a loop over a range visits them in document
//     order and `i = nodes[i].end` skips a whole subtree;
//   - children: FirstChild(i), then NextSibling(child), until kNoNode.
// Elements: `tag` (Tag::kUnknown for names not in html_tags.h; TagName gives
// the name as written), attributes through Attributes/FindAttribute, whose
// names and raw values are views into the page; AttributeValue decodes the
// character references of a value.
// Text nodes (Tag::kText): Text(node) is the text with character references
// decoded (a view into the page when it has none). A raw-text element
// (<script>, <style>, <title>, <textarea>, <noscript>, ...) has at most one
// child, a text node flagged kRawContent whose Text is its content as
// written: <script type="application/ld+json"> gives its JSON unchanged;
// <title> and <textarea> are the exception and have their references
// decoded. The content of <xmp> and <plaintext>, which browsers show, is
// text as written, not flagged. Text nodes keep their blanks and line breaks as written.
//
// The tree is built the way browsers repair markup, in a light form:
// void elements (<br>, <img>, <meta>) have no children; a <p> ends where a
// block starts; <li>, <dt>/<dd>, <td>/<th>, <tr>, <option>, <button> and a
// nested <a> end the open one of their kind; an end tag closes the nearest
// open element of its name (and what is open inside it) and is ignored when
// none is open or a table or cell lies between (or, for the end tags of
// inline elements and of <p>, a <button>); elements nest at most kMaxDepth deep
// (deeper ones become siblings). "<x/>" is an empty element whatever x is:
// browsers would open <div/>, <button/> or <script/> and let it swallow
// what follows, but the page's author meant it empty. Text other than
// blanks ends an open <head>, as it starts the body.
// Inside <svg> and <math> elements are SVG's and MathML's: none is void or
// raw text, none ends another but by its end tag, and the HTML start tags
// that cannot stand there (<p>, <div>, <br>, <img>, <table>, <b>, ...;
// <font> with color, face or size) and the end tags </p> and </br> end them
// all, as in browsers, so that an unclosed <svg> does not swallow the page.
// Their integration points (<foreignObject>, <desc>, <title>; <mi>, <mo>,
// <mn>, <ms>, <mtext>; <annotation-xml> of HTML) hold HTML again.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "html/tags.h"
#include "html/tokenizer.h"

namespace korvane {

using NodeIndex = uint32_t;
constexpr NodeIndex kNoNode = 0xFFFFFFFF;

constexpr uint32_t kMaxDepth = 256;
// A page is read up to its kMaxNodes-th node; what follows is left out, so
// that memory stays bounded on pages of millions of tags (news pages have
// tens of thousands).
constexpr NodeIndex kMaxNodes = NodeIndex{1} << 21;

enum NodeFlag : uint8_t {
  kDecoded = 1,     // text: Text() lives in the decoded-text buffer, not the page
  kRawContent = 2,  // text: content of a raw-text element
};

// 20 bytes: every pass over a page reads its nodes, and a large page holds
// hundreds of thousands.
struct Node {
  NodeIndex parent = 0;  // kNoNode for the document
  NodeIndex end = 0;     // one past the last node of the subtree
  // Element: its "<" in the page. Text: where its text begins, in the page
  // or, flagged kDecoded, in the decoded-text buffer.
  uint32_t begin = 0;
  union {
    uint32_t size = 0;  // text: its units in the page
    uint32_t first;     // element: the index of its first attribute
  };
  Tag tag = Tag::kUnknown;
  uint8_t flags = 0;
  uint16_t attribute_count = 0;
};
static_assert(sizeof(Node) == 20);

class Dom {
 public:
  // Builds the tree of `page`, replacing the previous one. The page must
  // outlive every use of the tree.
  void Parse(std::u16string_view page);

  std::u16string_view page() const { return page_; }
  std::span<const Node> nodes() const { return nodes_; }
  const Node& operator[](NodeIndex index) const { return nodes_[index]; }
  NodeIndex size() const { return static_cast<NodeIndex>(nodes_.size()); }

  NodeIndex FirstChild(NodeIndex index) const {
    return index + 1 < nodes_[index].end ? index + 1 : kNoNode;
  }
  NodeIndex NextSibling(NodeIndex index) const {
    const NodeIndex parent = nodes_[index].parent;
    const NodeIndex next = nodes_[index].end;
    return parent != kNoNode && next < nodes_[parent].end ? next : kNoNode;
  }

  // A text node's text, references decoded.
  std::u16string_view Text(const Node& node) const;
  // An element's name as the page writes it.
  std::u16string_view TagName(const Node& node) const;

  // None for a text node.
  std::span<const Attribute> Attributes(const Node& node) const {
    if (node.tag == Tag::kText) return {};
    return std::span<const Attribute>(attributes_).subspan(node.first, node.attribute_count);
  }
  std::u16string_view Name(const Attribute& attribute) const {
    return page_.substr(attribute.name_begin, attribute.name_size);
  }
  std::u16string_view RawValue(const Attribute& attribute) const {
    return page_.substr(attribute.value_begin, attribute.value_size);
  }
  // The first attribute of that name (given in lower case); nullptr if none.
  const Attribute* FindAttribute(const Node& node, std::u16string_view lower_name) const;
  // The value of that attribute with references decoded; empty if none.
  std::u16string AttributeValue(const Node& node, std::u16string_view lower_name) const;

  // Ranks among nodes of one kind, so that a table kept for elements only
  // or for text nodes only (about half of a page's nodes each) is indexed by
  // them: the text nodes before a node, and the elements before it.
  bool IsText(NodeIndex index) const {
    return (ranks_[index / kRankGroup] >> (kRankBits + index % kRankGroup)) & 1;
  }
  uint32_t TextRank(NodeIndex index) const {
    const uint32_t group = ranks_[index / kRankGroup];
    const uint32_t texts_below = (group >> kRankBits) & ((1u << (index % kRankGroup)) - 1);
    return (group & ((1u << kRankBits) - 1)) + kOnes[texts_below];
  }
  uint32_t ElementRank(NodeIndex index) const { return index - TextRank(index); }
  uint32_t text_count() const { return TextRank(size() - 1) + IsText(size() - 1); }
  uint32_t element_count() const { return size() - text_count(); }

  // The elements that passes over a page look for by their tag (<meta>,
  // <script>, <style>, <time>, <title>, <h1>, and <svg> and <math>, whose
  // titles and headings are not the page's), in document order: those
  // passes need not walk every node.
  std::span<const NodeIndex> Landmarks() const { return landmarks_; }

  // Frees the buffers when a huge page made them huge.
  void GiveBackIfHuge();

 private:
  // Which language an element belongs to.
  enum class Space : uint8_t { kHtml, kSvg, kMath };
  // What a foreign element lets inside it.
  enum class Point : uint8_t {
    kNone,
    kHtml,        // HTML elements: <foreignObject>, <desc>, <title>, <annotation-xml> of HTML
    kMathText,    // HTML elements but <mglyph> and <malignmark>: <mi>, <mo>, <mn>, <ms>, <mtext>
    kAnnotation,  // <annotation-xml> of other content: an <svg> in it is SVG
  };
  struct OpenElement {
    NodeIndex node;
    Tag tag;
    uint8_t name_bucket;  // unknown tags: which bucket counts them
    Space space = Space::kHtml;
    Point point = Point::kNone;
  };

  void AddText(const Token& token);
  void StartElement(const Token& token);
  void InsertElement(const Token& token, Space space);
  void EndElement(const Token& token);
  void CloseImplied(Tag tag);
  bool CloseNearest(const Token& token);
  bool CloseForeign(const Token& token);
  void PopForeignElements();
  void PopThrough(size_t stack_index);
  bool IsOpen(const Token& token) const;
  bool SameElement(const OpenElement& open, const Token& token) const;
  bool MakesHtmlElement(const Token& token) const;
  bool BreaksOut(const Token& token) const;
  Point PointOf(const Token& token, Space space) const;
  bool HasAttribute(const Token& token, std::u16string_view lower_name) const;
  std::u16string_view NameOf(const Token& token) const;
  uint8_t NameBucket(const Token& token) const;

  // Eight nodes to a group, in one word: which are text in the top byte,
  // the text nodes before the group below it (fewer than kMaxNodes).
  static constexpr uint32_t kRankGroup = 8;
  static constexpr int kRankBits = 24;
  static_assert(kMaxNodes < uint32_t{1} << kRankBits);
  // The bits set in each byte: a table, where a count of bits would be a
  // call on processors the build does not assume have an instruction for it.
  static constexpr auto kOnes = [] {
    std::array<uint8_t, 256> ones{};
    for (size_t byte = 1; byte < ones.size(); ++byte) ones[byte] = (byte & 1) + ones[byte / 2];
    return ones;
  }();
  void RankKinds();

  std::u16string_view page_;
  std::vector<Node> nodes_;
  std::vector<uint32_t> ranks_;  // per group of kRankGroup nodes
  std::vector<Attribute> attributes_;
  std::u16string decoded_;
  std::vector<NodeIndex> landmarks_;
  std::vector<OpenElement> open_;
  uint32_t open_count_[static_cast<size_t>(Tag::kCount)] = {};
  uint32_t open_unknown_[256] = {};
};

}  // namespace korvane
