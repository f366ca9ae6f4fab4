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
  // As shields: whether SVG's and MathML's integration points shield too.
  bool integration_points = false;
  constexpr TagGroup(std::initializer_list<Tag> tags, bool points = false)
      : integration_points(points) {
    for (Tag tag : tags) bits[Bit(tag) / 64] |= uint64_t{1} << (Bit(tag) % 64);
  }
  constexpr bool Contains(Tag tag) const { return (bits[Bit(tag) / 64] >> (Bit(tag) % 64)) & 1; }
};

constexpr TagGroup kScopes{{Tag::kApplet, Tag::kCaption, Tag::kHtml, Tag::kMarquee, Tag::kObject,
                            Tag::kTable, Tag::kTd, Tag::kTemplate, Tag::kTh},
                           true};
// An open <button> shields too: what the end tags of inline elements and of
// <p> may not close past (the end tags of blocks close it).
constexpr TagGroup kButtonScopes{
    {Tag::kApplet, Tag::kButton, Tag::kCaption, Tag::kHtml, Tag::kMarquee, Tag::kObject,
     Tag::kTable, Tag::kTd, Tag::kTemplate, Tag::kTh},
    true};
constexpr TagGroup kListScopes{
    {Tag::kApplet, Tag::kButton, Tag::kCaption, Tag::kHtml, Tag::kMarquee, Tag::kObject,
     Tag::kTable, Tag::kTd, Tag::kTemplate, Tag::kTh, Tag::kUl, Tag::kOl, Tag::kMenu, Tag::kDl},
    true};
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
  static constexpr ImpliedEnd kLink{{Tag::kA}, &kButtonScopes};
  static constexpr ImpliedEnd kButton{{Tag::kButton}, &kScopes};
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
    case Tag::kButton:
      return &kButton;
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
    case Tag::kP:
      return kButtonScopes;
    default:
      return Has(tag, kClosesP) || tag == Tag::kButton ? kScopes : kButtonScopes;
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

// Whether an open element stops an end tag's search: HTML elements of the
// group, and the integration points of SVG and MathML where the group says.
bool Shields(const TagGroup& group, Tag tag, bool html, bool integration_point) {
  return html ? group.Contains(tag) : integration_point && group.integration_points;
}

// The HTML start tags that cannot stand inside SVG or MathML and end them.
bool BreaksOutOfForeign(Tag tag) {
  switch (tag) {
    case Tag::kB:
    case Tag::kBig:
    case Tag::kBlockquote:
    case Tag::kBody:
    case Tag::kBr:
    case Tag::kCenter:
    case Tag::kCode:
    case Tag::kDd:
    case Tag::kDiv:
    case Tag::kDl:
    case Tag::kDt:
    case Tag::kEm:
    case Tag::kEmbed:
    case Tag::kHead:
    case Tag::kHr:
    case Tag::kI:
    case Tag::kImg:
    case Tag::kLi:
    case Tag::kListing:
    case Tag::kMenu:
    case Tag::kMeta:
    case Tag::kNobr:
    case Tag::kOl:
    case Tag::kP:
    case Tag::kPre:
    case Tag::kRuby:
    case Tag::kS:
    case Tag::kSmall:
    case Tag::kSpan:
    case Tag::kStrong:
    case Tag::kStrike:
    case Tag::kSub:
    case Tag::kSup:
    case Tag::kTable:
    case Tag::kTt:
    case Tag::kU:
    case Tag::kUl:
    case Tag::kVar:
      return true;
    default:
      return Has(tag, kHeading);
  }
}

NodeIndex Index(size_t value) { return static_cast<NodeIndex>(value); }

constexpr auto kLandmarks = TagTable([](Tag tag) {
  return tag == Tag::kMeta || tag == Tag::kScript || tag == Tag::kStyle || tag == Tag::kTime ||
         tag == Tag::kTitle || tag == Tag::kH1 || tag == Tag::kSvg || tag == Tag::kMath;
});

// One node per two units, about the most a page holds: an element takes at
// least three ("<a>"), and text mostly stands between tags. A page that
// holds more only grows the vector.
size_t NodeRoom(std::u16string_view page) {
  return std::min<size_t>(page.size() / 2 + 2, kMaxNodes);
}

}  // namespace

void Dom::Parse(std::u16string_view page) {
  nodes_.clear();
  attributes_.clear();
  decoded_.clear();
  landmarks_.clear();
  open_.clear();
  std::fill(std::begin(open_count_), std::end(open_count_), 0);
  std::fill(std::begin(open_unknown_), std::end(open_unknown_), 0);

  // Room for every node at once (what a page does not fill is never
  // touched): a vector that doubles as it fills touches about twice the
  // memory of the nodes on a large page.
  nodes_.reserve(NodeRoom(page));
  HtmlTokenizer tokenizer(page, attributes_);
  page_ = page;
  nodes_.push_back(Node{.parent = kNoNode, .size = 0, .tag = Tag::kDocument});
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
    const OpenElement& current = open_.back();
    tokenizer.SetTreeContext(current.space == Space::kHtml || current.point == Point::kHtml ||
                                 current.point == Point::kMathText,
                             current.space != Space::kHtml);
  }
  PopThrough(0);
  RankKinds();
}

void Dom::RankKinds() {
  ranks_.resize((nodes_.size() + kRankGroup - 1) / kRankGroup);
  uint32_t texts = 0;
  for (size_t group = 0; group < ranks_.size(); ++group) {
    const size_t first = group * kRankGroup;
    uint32_t bits = 0;
    const size_t count = std::min<size_t>(kRankGroup, nodes_.size() - first);
    for (size_t i = 0; i < count; ++i) {
      bits |= uint32_t{nodes_[first + i].tag == Tag::kText} << i;
    }
    ranks_[group] = bits << kRankBits | texts;
    texts += kOnes[bits];
  }
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
  if (!raw && open_count_[Bit(Tag::kHead)] > 0 &&
      std::any_of(text.begin(), text.end(), [](char16_t unit) { return !IsHtmlSpace(unit); })) {
    CloseNearest(Token{.kind = TokenKind::kEndTag, .tag = Tag::kHead});
    node.parent = open_.back().node;
  }
  if (raw && !ShowsRawText(token.tag)) node.flags |= kRawContent;
  if (raw ? Has(token.tag, kReferences) && FindUnit(text, u'&') != kNotFound
          : token.has_reference) {
    // The decoded text's length goes before it, in two units: the node has
    // room for where it begins only.
    node.flags |= kDecoded;
    decoded_.append(2, u'\0');
    node.begin = static_cast<uint32_t>(decoded_.size());
    AppendDecoded(text, ReferenceContext::kText, decoded_);
    const auto size = static_cast<uint32_t>(decoded_.size() - node.begin);
    decoded_[node.begin - 2] = static_cast<char16_t>(size & 0xFFFF);
    decoded_[node.begin - 1] = static_cast<char16_t>(size >> 16);
  }
  nodes_.push_back(node);
}

void Dom::StartElement(const Token& token) {
  Space space = Space::kHtml;
  if (!MakesHtmlElement(token)) {
    if (BreaksOut(token)) {
      PopForeignElements();
    } else {
      space = open_.back().space;
    }
  }
  if (space == Space::kHtml) {
    const Tag tag = token.tag;
    if ((tag == Tag::kHtml || tag == Tag::kBody || tag == Tag::kHead) &&
        open_count_[Bit(tag)] > 0) {
      return;
    }
    CloseImplied(tag);
    if (tag == Tag::kSvg) space = Space::kSvg;
    if (tag == Tag::kMath) space = Space::kMath;
  }
  InsertElement(token, space);
}

void Dom::InsertElement(const Token& token, Space space) {
  const Tag tag = token.tag;
  const NodeIndex index = Index(nodes_.size());
  nodes_.push_back(Node{.parent = open_.back().node,
                        .end = index + 1,
                        .begin = token.begin,
                        .first = token.first_attribute,
                        .tag = tag,
                        .attribute_count = static_cast<uint16_t>(token.attribute_count)});
  if (Lookup(kLandmarks, tag)) landmarks_.push_back(index);
  const bool html = space == Space::kHtml;
  // SVG's and MathML's elements are empty only when written "<x/>".
  if ((html && Has(tag, kVoid)) || token.self_closing) return;
  // Raw-text elements always open: their content and end tag follow at once.
  if (open_.size() > kMaxDepth && !(html && Has(tag, kRawText))) return;
  const uint8_t bucket = tag == Tag::kUnknown ? NameBucket(token) : 0;
  open_.push_back(
      OpenElement{index, tag, bucket, space, html ? Point::kNone : PointOf(token, space)});
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
  if (open_.back().space != Space::kHtml) {
    if (token.tag == Tag::kP) {
      PopForeignElements();
    } else if (CloseForeign(token)) {
      return;
    }
  }
  // Text after </body> or </html> still belongs to the body.
  if (token.tag == Tag::kBody || token.tag == Tag::kHtml) return;
  CloseNearest(token);
}

// An end tag inside SVG or MathML closes the nearest open element of its
// name; one that reaches an HTML element first is HTML's (false).
bool Dom::CloseForeign(const Token& token) {
  const size_t lowest = open_.size() > kMaxSearch ? open_.size() - kMaxSearch : 1;
  for (size_t i = open_.size(); i-- > lowest;) {
    if (open_[i].space == Space::kHtml) return false;
    if (SameElement(open_[i], token)) {
      PopThrough(i);
      return true;
    }
  }
  return true;  // nothing of its name within reach: ignored
}

// Ends the SVG and MathML elements down to an HTML element or an
// integration point.
void Dom::PopForeignElements() {
  size_t kept = open_.size();
  while (kept > 1 && open_[kept - 1].space != Space::kHtml &&
         open_[kept - 1].point != Point::kHtml && open_[kept - 1].point != Point::kMathText) {
    --kept;
  }
  PopThrough(kept);
}

// Whether a start tag at the current node makes an HTML element.
bool Dom::MakesHtmlElement(const Token& token) const {
  const OpenElement& current = open_.back();
  switch (current.point) {
    case Point::kHtml:
      return true;
    case Point::kMathText: {
      const std::u16string_view name = NameOf(token);
      return !EqualIgnoringAsciiCase(name, u"mglyph") &&
             !EqualIgnoringAsciiCase(name, u"malignmark");
    }
    case Point::kAnnotation:
      return token.tag == Tag::kSvg;
    case Point::kNone:
      return current.space == Space::kHtml;
  }
  return true;
}

bool Dom::BreaksOut(const Token& token) const {
  if (token.tag == Tag::kFont) {
    return HasAttribute(token, u"color") || HasAttribute(token, u"face") ||
           HasAttribute(token, u"size");
  }
  return BreaksOutOfForeign(token.tag);
}

Dom::Point Dom::PointOf(const Token& token, Space space) const {
  const std::u16string_view name = NameOf(token);
  const auto is = [&](std::u16string_view lower) { return EqualIgnoringAsciiCase(name, lower); };
  if (space == Space::kSvg) {
    return is(u"foreignobject") || is(u"desc") || is(u"title") ? Point::kHtml : Point::kNone;
  }
  if (is(u"mi") || is(u"mo") || is(u"mn") || is(u"ms") || is(u"mtext")) return Point::kMathText;
  if (!is(u"annotation-xml")) return Point::kNone;
  for (const Attribute& attribute : std::span<const Attribute>(attributes_)
                                        .subspan(token.first_attribute, token.attribute_count)) {
    if (!EqualIgnoringAsciiCase(page_.substr(attribute.name_begin, attribute.name_size),
                                u"encoding")) {
      continue;
    }
    const std::u16string_view value = page_.substr(attribute.value_begin, attribute.value_size);
    return EqualIgnoringAsciiCase(value, u"text/html") ||
                   EqualIgnoringAsciiCase(value, u"application/xhtml+xml")
               ? Point::kHtml
               : Point::kAnnotation;
  }
  return Point::kAnnotation;
}

bool Dom::HasAttribute(const Token& token, std::u16string_view lower_name) const {
  for (const Attribute& attribute : std::span<const Attribute>(attributes_)
                                        .subspan(token.first_attribute, token.attribute_count)) {
    if (EqualIgnoringAsciiCase(page_.substr(attribute.name_begin, attribute.name_size),
                               lower_name)) {
      return true;
    }
  }
  return false;
}

std::u16string_view Dom::NameOf(const Token& token) const {
  const size_t name_begin = token.begin + (token.kind == TokenKind::kEndTag ? 2 : 1);
  return page_.substr(name_begin, token.name_size);
}

void Dom::CloseImplied(Tag tag) {
  if (open_count_[Bit(Tag::kHead)] > 0 && !BelongsInHead(tag)) {
    CloseNearest(Token{.kind = TokenKind::kEndTag, .tag = Tag::kHead});
  }
  if (Has(tag, kClosesP) && open_count_[Bit(Tag::kP)] > 0) {
    CloseNearest(Token{.kind = TokenKind::kEndTag, .tag = Tag::kP});
  }
  if (Has(tag, kHeading) && Has(open_.back().tag, kHeading) && open_.back().space == Space::kHtml) {
    PopThrough(open_.size() - 1);
  }
  const ImpliedEnd* implied = ImpliedEndOf(tag);
  if (implied == nullptr) return;
  const size_t lowest = open_.size() > kMaxSearch ? open_.size() - kMaxSearch : 1;
  for (size_t i = open_.size(); i-- > lowest;) {
    if (implied->ends.Contains(open_[i].tag) && open_[i].space == Space::kHtml) {
      PopThrough(i);
      return;
    }
    if (Shields(*implied->shields, open_[i].tag, open_[i].space == Space::kHtml,
                open_[i].point != Point::kNone)) {
      return;
    }
  }
}

// Closes the nearest open element named by the end tag `token`; false when
// none is open within reach.
bool Dom::CloseNearest(const Token& token) {
  if (!IsOpen(token)) return false;
  const TagGroup& shields = ShieldsOfEndTag(token.tag);
  const size_t lowest = open_.size() > kMaxSearch ? open_.size() - kMaxSearch : 1;
  for (size_t i = open_.size(); i-- > lowest;) {
    if (SameElement(open_[i], token) && open_[i].space == Space::kHtml) {
      PopThrough(i);
      return true;
    }
    if (Shields(shields, open_[i].tag, open_[i].space == Space::kHtml,
                open_[i].point != Point::kNone)) {
      return false;
    }
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
         EqualIgnoringAsciiCase(TagName(nodes_[open.node]), NameOf(token));
}

uint8_t Dom::NameBucket(const Token& token) const {
  uint32_t hash = 2166136261u;
  for (char16_t unit : NameOf(token)) {
    hash = (hash ^ AsciiLower(unit)) * 16777619u;
  }
  return static_cast<uint8_t>(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

std::u16string_view Dom::Text(const Node& node) const {
  if (node.flags & kDecoded) {
    const char16_t* text = decoded_.data() + node.begin;
    return std::u16string_view(text, uint32_t{text[-2]} | uint32_t{text[-1]} << 16);
  }
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
    // Most names differ in length: the call is made for the others only.
    if (attribute.name_size == lower_name.size() &&
        EqualIgnoringAsciiCase(Name(attribute), lower_name)) {
      return &attribute;
    }
  }
  return nullptr;
}

std::u16string Dom::AttributeValue(const Node& node, std::u16string_view lower_name) const {
  const Attribute* attribute = FindAttribute(node, lower_name);
  if (attribute == nullptr) return {};
  return DecodeReferences(RawValue(*attribute), ReferenceContext::kAttribute);
}

void Dom::GiveBackIfHuge() {
  // By what the page filled: its room was reserved for the most nodes it
  // could hold, and only the filled part was ever touched.
  if (nodes_.size() > kKeptNodes) std::vector<Node>().swap(nodes_);
  if (attributes_.capacity() > kKeptNodes) std::vector<Attribute>().swap(attributes_);
  if (decoded_.capacity() > kKeptNodes * 8) std::u16string().swap(decoded_);
  if (landmarks_.capacity() > kKeptNodes) std::vector<NodeIndex>().swap(landmarks_);
  if (ranks_.capacity() > kKeptNodes / kRankGroup) std::vector<uint32_t>().swap(ranks_);
}

}  // namespace korvane
