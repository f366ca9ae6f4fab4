// SPDX-License-Identifier: Apache-2.0
#include "html/tree.h"

#include <algorithm>

#include "common/text_search.h"
#include "html/char_refs.h"

namespace korvane {
namespace {

// A stray end tag looks at most this far down the open elements; one that
// lies deeper is ignored (keeps runs of stray end tags linear).
constexpr size_t kMaxSearch = 64;

// Buffers that grew past this many entries are given back after a page.
constexpr size_t kKeptNodes = size_t{1} << 18;

constexpr size_t Bit(Tag tag) { return static_cast<size_t>(tag); }

struct TagGroup {
  uint64_t bits[(static_cast<size_t>(Tag::kCount) + 63) / 64] = {};
  constexpr TagGroup(std::initializer_list<Tag> tags) {
    for (Tag tag : tags) bits[Bit(tag) / 64] |= uint64_t{1} << (Bit(tag) % 64);
  }
  constexpr bool Contains(Tag tag) const { return (bits[Bit(tag) / 64] >> (Bit(tag) % 64)) & 1; }
};

constexpr TagGroup kScopes{Tag::kApplet, Tag::kButton, Tag::kCaption, Tag::kHtml,     Tag::kMarquee,
                           Tag::kObject, Tag::kTable,  Tag::kTd,      Tag::kTemplate, Tag::kTh};
constexpr TagGroup kListScopes{Tag::kApplet,   Tag::kButton, Tag::kCaption, Tag::kHtml,
                               Tag::kMarquee,  Tag::kObject, Tag::kTable,   Tag::kTd,
                               Tag::kTemplate, Tag::kTh,     Tag::kUl,      Tag::kOl,
                               Tag::kMenu,     Tag::kDl};
constexpr TagGroup kTableParts{Tag::kTable, Tag::kTbody, Tag::kThead, Tag::kTfoot};
constexpr TagGroup kTableOnly{Tag::kTable};
constexpr TagGroup kSelectScopes{Tag::kSelect, Tag::kDatalist, Tag::kOptgroup};
constexpr TagGroup kNothing{};

// Which open elements a start tag ends, and what shields them.
struct ImpliedEnd {
  TagGroup ends;
  const TagGroup* shields;
};

const ImpliedEnd* ImpliedEndOf(Tag tag) {
  static constexpr ImpliedEnd kListItem{{Tag::kLi}, &kListScopes};
  static constexpr ImpliedEnd kDefinition{{Tag::kDt, Tag::kDd}, &kListScopes};
  static constexpr ImpliedEnd kCell{{Tag::kTd, Tag::kTh}, &kTableParts};
  static constexpr ImpliedEnd kRow{{Tag::kTr}, &kTableParts};
  static constexpr ImpliedEnd kSection{{Tag::kTbody, Tag::kThead, Tag::kTfoot}, &kTableOnly};
  static constexpr ImpliedEnd kOption{{Tag::kOption}, &kSelectScopes};
  static constexpr ImpliedEnd kOptgroup{{Tag::kOption, Tag::kOptgroup}, &kSelectScopes};
  static constexpr ImpliedEnd kLink{{Tag::kA}, &kScopes};
  switch (tag) {
    case Tag::kLi:
      return &kListItem;
    case Tag::kDt:
    case Tag::kDd:
      return &kDefinition;
    case Tag::kTd:
    case Tag::kTh:
      return &kCell;
    case Tag::kTr:
      return &kRow;
    case Tag::kTbody:
    case Tag::kThead:
    case Tag::kTfoot:
      return &kSection;
    case Tag::kOption:
      return &kOption;
    case Tag::kOptgroup:
      return &kOptgroup;
    case Tag::kA:
      return &kLink;
    default:
      return nullptr;
  }
}

// What an end tag may not close past.
const TagGroup& ShieldsOfEndTag(Tag tag) {
  switch (tag) {
    case Tag::kTd:
    case Tag::kTh:
    case Tag::kTr:
    case Tag::kTbody:
    case Tag::kThead:
    case Tag::kTfoot:
    case Tag::kCaption:
      return kTableOnly;
    case Tag::kTable:
      return kNothing;
    case Tag::kLi:
    case Tag::kDt:
    case Tag::kDd:
      return kListScopes;
    default:
      return kScopes;
  }
}

// What may stand in <head>; any other element ends it (and a missing
// </head> does not swallow the page).
bool BelongsInHead(Tag tag) {
  switch (tag) {
    case Tag::kBase:
    case Tag::kBasefont:
    case Tag::kBgsound:
    case Tag::kLink:
    case Tag::kMeta:
    case Tag::kTitle:
    case Tag::kNoscript:
    case Tag::kNoframes:
    case Tag::kStyle:
    case Tag::kScript:
    case Tag::kTemplate:
      return true;
    default:
      return false;
  }
}

NodeIndex Index(size_t value) { return static_cast<NodeIndex>(value); }

}  // namespace

void Dom::Parse(std::u16string_view page) {
  nodes_.clear();
  attributes_.clear();
  decoded_.clear();
  open_.clear();
  std::fill(std::begin(open_count_), std::end(open_count_), 0);
  std::fill(std::begin(open_unknown_), std::end(open_unknown_), 0);

  HtmlTokenizer tokenizer(page, attributes_);
  page_ = page;
  nodes_.push_back(Node{.parent = kNoNode, .tag = Tag::kDocument});
  open_.push_back(OpenElement{0, Tag::kDocument, 0});
  for (Token token = tokenizer.Next(); token.kind != TokenKind::kEnd && nodes_.size() < kMaxNodes;
       token = tokenizer.Next()) {
    switch (token.kind) {
      case TokenKind::kText:
      case TokenKind::kRawText:
        AddText(token);
        break;
      case TokenKind::kStartTag:
        StartElement(token);
        break;
      case TokenKind::kEndTag:
        EndElement(token);
        break;
      case TokenKind::kEnd:
        break;
    }
  }
  PopThrough(0);
}

void Dom::AddText(const Token& token) {
  if (token.size == 0) return;
  Node node{.parent = open_.back().node,
            .end = Index(nodes_.size() + 1),
            .begin = token.begin,
            .size = token.size,
            .tag = Tag::kText};
  const std::u16string_view text = page_.substr(token.begin, token.size);
  const bool raw = token.kind == TokenKind::kRawText;
  if (raw) node.flags |= kRawContent;
  if ((!raw || Has(token.tag, kReferences)) && FindUnit(text, u'&') != kNotFound) {
    node.flags |= kDecoded;
    node.text_begin = static_cast<uint32_t>(decoded_.size());
    AppendDecoded(text, ReferenceContext::kText, decoded_);
    node.text_size = static_cast<uint32_t>(decoded_.size() - node.text_begin);
  }
  nodes_.push_back(node);
}

void Dom::StartElement(const Token& token) {
  const Tag tag = token.tag;
  if ((tag == Tag::kHtml || tag == Tag::kBody || tag == Tag::kHead) && open_count_[Bit(tag)] > 0) {
    return;
  }
  CloseImplied(tag);
  const NodeIndex index = Index(nodes_.size());
  nodes_.push_back(Node{.parent = open_.back().node,
                        .end = index + 1,
                        .begin = token.begin,
                        .size = token.size,
                        .first_attribute = token.first_attribute,
                        .tag = tag,
                        .attribute_count = static_cast<uint16_t>(token.attribute_count)});
  if (Has(tag, kVoid) || token.self_closing) return;
  // Raw-text elements always open: their content and end tag follow at once.
  if (open_.size() > kMaxDepth && !Has(tag, kRawText)) return;
  const uint8_t bucket = tag == Tag::kUnknown ? NameBucket(token) : 0;
  open_.push_back(OpenElement{index, tag, bucket});
  ++open_count_[Bit(tag)];
  if (tag == Tag::kUnknown) ++open_unknown_[bucket];
}

void Dom::EndElement(const Token& token) {
  if (token.tag == Tag::kBr) {
    Token br = token;
    br.kind = TokenKind::kStartTag;
    br.attribute_count = 0;
    StartElement(br);
    return;
  }
  // Text after </body> or </html> still belongs to the body.
  if (token.tag == Tag::kBody || token.tag == Tag::kHtml) return;
  CloseNearest(token);
}

void Dom::CloseImplied(Tag tag) {
  if (open_count_[Bit(Tag::kHead)] > 0 && !BelongsInHead(tag)) {
    CloseNearest(Token{.kind = TokenKind::kEndTag, .tag = Tag::kHead});
  }
  if (Has(tag, kClosesP) && open_count_[Bit(Tag::kP)] > 0) {
    CloseNearest(Token{.kind = TokenKind::kEndTag, .tag = Tag::kP});
  }
  if (Has(tag, kHeading) && Has(open_.back().tag, kHeading)) PopThrough(open_.size() - 1);
  const ImpliedEnd* implied = ImpliedEndOf(tag);
  if (implied == nullptr) return;
  const size_t lowest = open_.size() > kMaxSearch ? open_.size() - kMaxSearch : 1;
  for (size_t i = open_.size(); i-- > lowest;) {
    if (implied->ends.Contains(open_[i].tag)) {
      PopThrough(i);
      return;
    }
    if (implied->shields->Contains(open_[i].tag)) return;
  }
}

// Closes the nearest open element named by the end tag `token`; false when
// none is open within reach.
bool Dom::CloseNearest(const Token& token) {
  if (!IsOpen(token)) return false;
  const TagGroup& shields = ShieldsOfEndTag(token.tag);
  const size_t lowest = open_.size() > kMaxSearch ? open_.size() - kMaxSearch : 1;
  for (size_t i = open_.size(); i-- > lowest;) {
    if (SameElement(open_[i], token)) {
      PopThrough(i);
      return true;
    }
    if (shields.Contains(open_[i].tag)) return false;
  }
  return false;
}

void Dom::PopThrough(size_t stack_index) {
  const NodeIndex end = Index(nodes_.size());
  while (open_.size() > stack_index) {
    const OpenElement& open = open_.back();
    nodes_[open.node].end = end;
    --open_count_[Bit(open.tag)];
    if (open.tag == Tag::kUnknown) --open_unknown_[open.name_bucket];
    open_.pop_back();
  }
}

bool Dom::IsOpen(const Token& token) const {
  if (token.tag != Tag::kUnknown) return open_count_[Bit(token.tag)] > 0;
  return open_unknown_[NameBucket(token)] > 0;
}

bool Dom::SameElement(const OpenElement& open, const Token& token) const {
  if (open.tag != token.tag) return false;
  if (token.tag != Tag::kUnknown) return true;
  return open.name_bucket == NameBucket(token) &&
         EqualIgnoringAsciiCase(TagName(nodes_[open.node]),
                                page_.substr(token.begin + 2, token.name_size));
}

uint8_t Dom::NameBucket(const Token& token) const {
  const size_t name_begin = token.begin + (token.kind == TokenKind::kEndTag ? 2 : 1);
  uint32_t hash = 2166136261u;
  for (char16_t unit : page_.substr(name_begin, token.name_size)) {
    hash = (hash ^ AsciiLower(unit)) * 16777619u;
  }
  return static_cast<uint8_t>(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

std::u16string_view Dom::Text(const Node& node) const {
  if (node.flags & kDecoded)
    return std::u16string_view(decoded_).substr(node.text_begin, node.text_size);
  return page_.substr(node.begin, node.size);
}

std::u16string_view Dom::TagName(const Node& node) const {
  if (node.tag == Tag::kText || node.tag == Tag::kDocument) return {};
  // "</br>" makes a <br> element too.
  const size_t begin = node.begin + (page_[node.begin + 1] == u'/' ? 2 : 1);
  size_t end = begin;
  while (end < page_.size() && !IsHtmlSpace(page_[end]) && page_[end] != u'/' &&
         page_[end] != u'>') {
    ++end;
  }
  return page_.substr(begin, end - begin);
}

const Attribute* Dom::FindAttribute(const Node& node, std::u16string_view lower_name) const {
  for (const Attribute& attribute : Attributes(node)) {
    if (EqualIgnoringAsciiCase(Name(attribute), lower_name)) return &attribute;
  }
  return nullptr;
}

std::u16string Dom::AttributeValue(const Node& node, std::u16string_view lower_name) const {
  const Attribute* attribute = FindAttribute(node, lower_name);
  if (attribute == nullptr) return {};
  return DecodeReferences(RawValue(*attribute), ReferenceContext::kAttribute);
}

void Dom::GiveBackIfHuge() {
  if (nodes_.capacity() > kKeptNodes) std::vector<Node>().swap(nodes_);
  if (attributes_.capacity() > kKeptNodes) std::vector<Attribute>().swap(attributes_);
  if (decoded_.capacity() > kKeptNodes * 8) std::u16string().swap(decoded_);
}

}  // namespace korvane
