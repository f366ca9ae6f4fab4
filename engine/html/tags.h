// SPDX-License-Identifier: Apache-2.0
// The HTML element names the dom algorithm tells apart, and what the tree
// builder and the scorer need to know about each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/chars.h"

namespace korvane {

// X(enumerator, name, properties). Names are lower case ASCII.
#define KORVANE_HTML_TAGS(X)                               \
  X(kA, "a", kInline)                                      \
  X(kAbbr, "abbr", kInline)                                \
  X(kAddress, "address", kBlock | kClosesP)                \
  X(kApplet, "applet", kScope)                             \
  X(kArea, "area", kVoid)                                  \
  X(kArticle, "article", kBlock | kClosesP)                \
  X(kAside, "aside", kBlock | kClosesP)                    \
  X(kAudio, "audio", kInline)                              \
  X(kB, "b", kInline)                                      \
  X(kBase, "base", kVoid)                                  \
  X(kBasefont, "basefont", kVoid)                          \
  X(kBdi, "bdi", kInline)                                  \
  X(kBdo, "bdo", kInline)                                  \
  X(kBgsound, "bgsound", kVoid)                            \
  X(kBig, "big", kInline)                                  \
  X(kBlockquote, "blockquote", kBlock | kClosesP)          \
  X(kBody, "body", kBlock)                                 \
  X(kBr, "br", kVoid)                                      \
  X(kButton, "button", kInline | kScope)                   \
  X(kCanvas, "canvas", kInline)                            \
  X(kCaption, "caption", kBlock | kScope)                  \
  X(kCenter, "center", kBlock | kClosesP)                  \
  X(kCite, "cite", kInline)                                \
  X(kCode, "code", kInline)                                \
  X(kCol, "col", kVoid)                                    \
  X(kColgroup, "colgroup", kBlock)                         \
  X(kData, "data", kInline)                                \
  X(kDatalist, "datalist", kInline)                        \
  X(kDd, "dd", kBlock | kClosesP)                          \
  X(kDel, "del", kInline)                                  \
  X(kDetails, "details", kBlock | kClosesP)                \
  X(kDfn, "dfn", kInline)                                  \
  X(kDialog, "dialog", kBlock | kClosesP)                  \
  X(kDir, "dir", kBlock | kClosesP)                        \
  X(kDiv, "div", kBlock | kClosesP)                        \
  X(kDl, "dl", kBlock | kClosesP)                          \
  X(kDt, "dt", kBlock | kClosesP)                          \
  X(kEm, "em", kInline)                                    \
  X(kEmbed, "embed", kVoid)                                \
  X(kFieldset, "fieldset", kBlock | kClosesP)              \
  X(kFigcaption, "figcaption", kBlock | kClosesP)          \
  X(kFigure, "figure", kBlock | kClosesP)                  \
  X(kFont, "font", kInline)                                \
  X(kFooter, "footer", kBlock | kClosesP)                  \
  X(kForm, "form", kBlock | kClosesP)                      \
  X(kFrame, "frame", kVoid)                                \
  X(kFrameset, "frameset", kBlock)                         \
  X(kH1, "h1", kBlock | kClosesP | kHeading)               \
  X(kH2, "h2", kBlock | kClosesP | kHeading)               \
  X(kH3, "h3", kBlock | kClosesP | kHeading)               \
  X(kH4, "h4", kBlock | kClosesP | kHeading)               \
  X(kH5, "h5", kBlock | kClosesP | kHeading)               \
  X(kH6, "h6", kBlock | kClosesP | kHeading)               \
  X(kHead, "head", kBlock)                                 \
  X(kHeader, "header", kBlock | kClosesP)                  \
  X(kHgroup, "hgroup", kBlock | kClosesP)                  \
  X(kHr, "hr", kVoid | kBlock | kClosesP)                  \
  X(kHtml, "html", kBlock | kScope)                        \
  X(kI, "i", kInline)                                      \
  X(kIframe, "iframe", kRawText)                           \
  X(kImg, "img", kVoid | kInline)                          \
  X(kInput, "input", kVoid)                                \
  X(kIns, "ins", kInline)                                  \
  X(kKbd, "kbd", kInline)                                  \
  X(kKeygen, "keygen", kVoid)                              \
  X(kLabel, "label", kInline)                              \
  X(kLegend, "legend", kBlock)                             \
  X(kLi, "li", kBlock | kClosesP)                          \
  X(kLink, "link", kVoid)                                  \
  X(kListing, "listing", kBlock | kClosesP)                \
  X(kMain, "main", kBlock | kClosesP)                      \
  X(kMap, "map", kInline)                                  \
  X(kMark, "mark", kInline)                                \
  X(kMarquee, "marquee", kBlock | kScope)                  \
  X(kMath, "math", kInline)                                \
  X(kMenu, "menu", kBlock | kClosesP)                      \
  X(kMeta, "meta", kVoid)                                  \
  X(kNav, "nav", kBlock | kClosesP)                        \
  X(kNobr, "nobr", kInline)                                \
  X(kNoembed, "noembed", kRawText)                         \
  X(kNoframes, "noframes", kRawText)                       \
  X(kNoscript, "noscript", kRawText)                       \
  X(kObject, "object", kInline | kScope)                   \
  X(kOl, "ol", kBlock | kClosesP)                          \
  X(kOptgroup, "optgroup", kBlock)                         \
  X(kOption, "option", kBlock)                             \
  X(kOutput, "output", kInline)                            \
  X(kP, "p", kBlock | kClosesP)                            \
  X(kParam, "param", kVoid)                                \
  X(kPicture, "picture", kInline)                          \
  X(kPlaintext, "plaintext", kRawText | kBlock | kClosesP) \
  X(kPre, "pre", kBlock | kClosesP)                        \
  X(kQ, "q", kInline)                                      \
  X(kRp, "rp", kInline)                                    \
  X(kRt, "rt", kInline)                                    \
  X(kRuby, "ruby", kInline)                                \
  X(kS, "s", kInline)                                      \
  X(kSamp, "samp", kInline)                                \
  X(kScript, "script", kRawText)                           \
  X(kSection, "section", kBlock | kClosesP)                \
  X(kSelect, "select", kInline)                            \
  X(kSmall, "small", kInline)                              \
  X(kSource, "source", kVoid)                              \
  X(kSpan, "span", kInline)                                \
  X(kStrike, "strike", kInline)                            \
  X(kStrong, "strong", kInline)                            \
  X(kStyle, "style", kRawText)                             \
  X(kSub, "sub", kInline)                                  \
  X(kSummary, "summary", kBlock | kClosesP)                \
  X(kSup, "sup", kInline)                                  \
  X(kSvg, "svg", kInline)                                  \
  X(kTable, "table", kBlock | kClosesP | kScope)           \
  X(kTbody, "tbody", kBlock)                               \
  X(kTd, "td", kBlock | kScope)                            \
  X(kTemplate, "template", kRawText | kScope)              \
  X(kTextarea, "textarea", kRawText | kReferences)         \
  X(kTfoot, "tfoot", kBlock)                               \
  X(kTh, "th", kBlock | kScope)                            \
  X(kThead, "thead", kBlock)                               \
  X(kTime, "time", kInline)                                \
  X(kTitle, "title", kRawText | kReferences)               \
  X(kTr, "tr", kBlock)                                     \
  X(kTrack, "track", kVoid)                                \
  X(kTt, "tt", kInline)                                    \
  X(kU, "u", kInline)                                      \
  X(kUl, "ul", kBlock | kClosesP)                          \
  X(kVar, "var", kInline)                                  \
  X(kVideo, "video", kInline)                              \
  X(kWbr, "wbr", kVoid | kInline)                          \
  X(kXmp, "xmp", kRawText | kBlock | kClosesP)

// What an element is, as bits.
enum TagProperty : uint8_t {
  kVoid = 1,        // never has content: <br>, <img>
  kRawText = 2,     // content is text up to its own end tag: <script>, <title>
  kReferences = 4,  // raw text in which character references count: <title>
  kBlock = 8,       // starts a line of its own in text output
  kInline = 16,     // flows inside a line
  kClosesP = 32,    // its start tag ends an open <p>
  kScope = 64,      // implied and stray end tags do not reach past it
  kHeading = 128,   // h1 to h6
};
enum class Tag : uint8_t {
  kUnknown,   // an element whose name is not in the list (custom elements)
  kText,      // not an element: a text node
  kDocument,  // not an element: the root of every tree
#define KORVANE_TAG_ENUM(name, text, properties) name,
  KORVANE_HTML_TAGS(KORVANE_TAG_ENUM)
#undef KORVANE_TAG_ENUM
      kCount
};

// Whether a unit ends a tag's or an attribute's name: a blank, "/" or ">".
constexpr bool EndsTagName(char16_t unit) {
  return IsHtmlSpace(unit) || unit == u'/' || unit == u'>';
}

// The tag whose name, in any letter case, starts at `begin` in `page` and
// runs to the first unit that ends a name (or the page's end), where `end`
// is set; kUnknown when the name is not listed. The name is read once.
Tag ReadTagName(std::u16string_view page, size_t begin, size_t& end);

// The lower-case name of a listed tag; empty for kUnknown, kText, kDocument.
std::string_view NameOfTag(Tag tag);

namespace internal {
inline constexpr uint8_t kTagProperties[] = {0, 0, 0,
#define KORVANE_TAG_PROPERTIES(name, text, properties) properties,
                                             KORVANE_HTML_TAGS(KORVANE_TAG_PROPERTIES)
#undef KORVANE_TAG_PROPERTIES
};
}  // namespace internal

constexpr uint8_t PropertiesOf(Tag tag) {
  return internal::kTagProperties[static_cast<uint8_t>(tag)];
}

constexpr bool Has(Tag tag, TagProperty property) { return (PropertiesOf(tag) & property) != 0; }

// Raw-text elements whose content browsers show as the page's text, as it
// is written and preformatted: <xmp>, <plaintext>.
constexpr bool ShowsRawText(Tag tag) { return tag == Tag::kXmp || tag == Tag::kPlaintext; }

// Raw-text elements whose content is no text of the page: code, style
// rules, the title, a control's value, what shows without scripts or frames.
constexpr bool HidesRawText(Tag tag) { return Has(tag, kRawText) && !ShowsRawText(tag); }

// `rule` of every tag, looked up: the rules asked of every node of a page
// cost a mispredicted branch a node when they are tests.
template <typename Value = bool, typename Rule>
constexpr std::array<Value, static_cast<size_t>(Tag::kCount)> TagTable(Rule rule) {
  std::array<Value, static_cast<size_t>(Tag::kCount)> table{};
  for (size_t tag = 0; tag < table.size(); ++tag) table[tag] = rule(static_cast<Tag>(tag));
  return table;
}

template <typename Value, size_t N>
constexpr Value Lookup(const std::array<Value, N>& table, Tag tag) {
  return table[static_cast<size_t>(tag)];
}

}  // namespace korvane
