// SPDX-License-Identifier: Apache-2.0
#include "dom/drops.h"

#include "dom/text.h"

namespace korvane {
namespace {

bool IsJunk(Tag tag) {
  switch (tag) {
    case Tag::kHead:
    case Tag::kSvg:
    case Tag::kMath:
    case Tag::kInput:
    case Tag::kButton:
    case Tag::kSelect:
    case Tag::kOption:
    case Tag::kOptgroup:
    case Tag::kDatalist:
    case Tag::kObject:
    case Tag::kEmbed:
    case Tag::kApplet:
    case Tag::kCanvas:
    case Tag::kNav:
    case Tag::kAside:
    case Tag::kFooter:
    case Tag::kDialog:
    case Tag::kMap:
    case Tag::kFigcaption:
      return true;
    default:
      return Has(tag, kRawText);
  }
}

// Whether an inline style hides the element: "display: none",
// "visibility:hidden" in any letter case and spacing.
bool StyleHides(std::u16string_view style) {
  static constexpr std::u16string_view kHiding[] = {u"display:none", u"visibility:hidden"};
  char16_t packed[128];
  size_t size = 0;
  for (char16_t unit : style) {
    if (IsHtmlSpace(unit)) continue;
    if (size == std::size(packed)) break;
    packed[size++] = AsciiLower(unit);
  }
  const std::u16string_view text(packed, size);
  for (std::u16string_view hiding : kHiding) {
    if (text.find(hiding) != std::u16string_view::npos) return true;
  }
  return false;
}

bool IsHidden(const Dom& dom, const Node& element) {
  if (element.attribute_count == 0) return false;
  if (dom.FindAttribute(element, u"hidden") != nullptr) return true;
  if (const Attribute* aria = dom.FindAttribute(element, u"aria-hidden")) {
    if (EqualIgnoringAsciiCase(dom.RawValue(*aria), u"true")) return true;
  }
  const Attribute* style = dom.FindAttribute(element, u"style");
  return style != nullptr && StyleHides(dom.RawValue(*style));
}

}  // namespace

void MarkDrops(const Dom& dom, std::span<const Hint> hints, bool strip_unlikely,
               std::vector<uint8_t>& drops) {
  drops.assign(dom.size(), 0);
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    const Node& node = dom[i];
    if (node.tag == Tag::kText) continue;
    uint8_t drop = 0;
    if (IsJunk(node.tag)) drop |= kJunk;
    if (IsHidden(dom, node)) drop |= kHidden;
    if (strip_unlikely && hints[i].unlikely && node.tag != Tag::kBody && node.tag != Tag::kHtml &&
        node.tag != Tag::kArticle) {
      drop |= kUnlikely;
    }
    if (drop != 0) {
      drops[i] = drop;
      i = node.end - 1;
    }
  }
}

}  // namespace korvane
