// SPDX-License-Identifier: Apache-2.0
#include "dom/drops.h"

#include <algorithm>

#include "dom/stats.h"
#include "dom/text.h"

namespace korvane {
namespace {

// A hidden subtree with more than this share of the page's text is the
// article, shown by a script, and so is a navigation, sidebar, footer or
// other junk shown as text that is left unclosed before it; an element
// around the headline with more than this share is the article's container.
constexpr double kArticleShare = 0.6;
constexpr double kArticleContainerShare = 0.5;

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
      return HidesRawText(tag);
  }
}

// Junk for what it usually holds (menus, sidebars, footers, a control's
// label, a caption, an image map's links), not for what browsers show of
// it: left unclosed, such an element runs on over the rest of the page,
// which browsers show as text.
bool MayRunOn(Tag tag) {
  switch (tag) {
    case Tag::kNav:
    case Tag::kAside:
    case Tag::kFooter:
    case Tag::kButton:
    case Tag::kFigcaption:
    case Tag::kMap:
      return true;
    default:
      return false;
  }
}

// How an inline style hides an element, or shows it whatever the page's
// style sheet says.
enum class StyleHiding : uint8_t { kNone, kDisplay, kVisibility, kDisplayed };

// The values of an inline style's "display" and "visibility", read
// declaration by declaration as browsers read them: names and values are
// whole words in any letter case and spacing ("display:nonesuch" is no
// "none"), the last declaration of a property wins unless an earlier one
// is "!important".
struct InlineStyle {
  struct Value {
    std::u16string_view text;
    bool important = false;
    bool any = false;

    void Declare(std::u16string_view value, bool is_important) {
      if (important && !is_important) return;
      text = value;
      important = is_important;
      any = true;
    }
    bool Is(std::u16string_view keyword) const {
      return any && EqualIgnoringAsciiCase(text, keyword);
    }
  };
  Value display;
  Value visibility;
};

InlineStyle ReadInlineStyle(std::u16string_view style) {
  InlineStyle read;
  for (size_t begin = 0; begin < style.size();) {
    size_t end = style.find(u';', begin);
    if (end == std::u16string_view::npos) end = style.size();
    const std::u16string_view declaration = style.substr(begin, end - begin);
    begin = end + 1;
    const size_t colon = declaration.find(u':');
    if (colon == std::u16string_view::npos) continue;
    const std::u16string_view name = TrimHtmlSpace(declaration.substr(0, colon));
    std::u16string_view value = TrimHtmlSpace(declaration.substr(colon + 1));
    const size_t bang = value.find(u'!');
    const bool important =
        bang != std::u16string_view::npos &&
        EqualIgnoringAsciiCase(TrimHtmlSpace(value.substr(bang + 1)), u"important");
    if (bang != std::u16string_view::npos) value = TrimHtmlSpace(value.substr(0, bang));
    if (EqualIgnoringAsciiCase(name, u"display")) {
      read.display.Declare(value, important);
    } else if (EqualIgnoringAsciiCase(name, u"visibility")) {
      read.visibility.Declare(value, important);
    }
  }
  return read;
}

StyleHiding InlineHiding(std::u16string_view style) {
  const InlineStyle read = ReadInlineStyle(style);
  if (read.display.Is(u"none")) return StyleHiding::kDisplay;
  if (read.visibility.Is(u"hidden")) return StyleHiding::kVisibility;
  // An inline "display" wins over the style sheet's "display: none".
  if (read.display.any) return StyleHiding::kDisplayed;
  return StyleHiding::kNone;
}

bool ShowsAgain(const Dom& dom, const Node& element) {
  const Attribute* style = dom.FindAttribute(element, u"style");
  return style != nullptr && ReadInlineStyle(dom.RawValue(*style)).visibility.Is(u"visible");
}

// Browsers show a descendant styled "visibility: visible" inside a
// "visibility: hidden" element.
bool HasVisibleDescendant(const Dom& dom, NodeIndex element) {
  for (NodeIndex i = element + 1; i < dom[element].end; ++i) {
    if (dom[i].attribute_count > 0 && ShowsAgain(dom, dom[i])) return true;
  }
  return false;
}

// How an element is hidden: not at all, with its whole subtree, or with the
// parts of its subtree that do not show themselves again.
enum class Hiding : uint8_t { kShown, kGone, kInvisible };

Hiding HidingOf(const Dom& dom, NodeIndex index, const HiddenByStyle& sheet) {
  const Node& element = dom[index];
  // The attributes read once, told apart by the length of their names.
  const Attribute* style = nullptr;
  bool named = false;  // an id or a class, which the sheet may hide
  for (const Attribute& attribute : dom.Attributes(element)) {
    const std::u16string_view name = dom.Name(attribute);
    switch (name.size()) {
      case 6:
        if (EqualIgnoringAsciiCase(name, u"hidden")) return Hiding::kGone;
        break;
      case 11:
        if (EqualIgnoringAsciiCase(name, u"aria-hidden") &&
            EqualIgnoringAsciiCase(dom.RawValue(attribute), u"true")) {
          return Hiding::kGone;
        }
        break;
      case 5:
        if (style == nullptr && EqualIgnoringAsciiCase(name, u"style")) style = &attribute;
        named |= EqualIgnoringAsciiCase(name, u"class");
        break;
      case 2:
        named |= EqualIgnoringAsciiCase(name, u"id");
        break;
      default:
        break;
    }
  }
  if (style != nullptr) {
    switch (InlineHiding(dom.RawValue(*style))) {
      case StyleHiding::kDisplay:
        return Hiding::kGone;
      case StyleHiding::kVisibility:
        return HasVisibleDescendant(dom, index) ? Hiding::kInvisible : Hiding::kGone;
      case StyleHiding::kDisplayed:
        return Hiding::kShown;
      case StyleHiding::kNone:
        break;
    }
  }
  return named && !sheet.empty() && sheet.Hides(dom, element) ? Hiding::kGone : Hiding::kShown;
}

}  // namespace

void PageDrops::Read(const Dom& dom) {
  style_.Read(dom);
  // Each text node's units as the page writes them (blanks and references
  // too: a share is all this measures), outside links and junk that is
  // never shown; then the sums, children after their parents. Only the
  // shares they pass are kept.
  std::vector<uint32_t> text(dom.size(), 0);
  uint32_t total = 0;
  NodeIndex link_end = 0;
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    const Node& node = dom[i];
    if (node.tag == Tag::kText) {
      if (i >= link_end && !(node.flags & kRawContent)) text[i] = node.size;
      total += text[i];
    } else if (IsJunk(node.tag) && !MayRunOn(node.tag)) {
      i = node.end - 1;
    } else if (IsLink(dom, node)) {
      link_end = std::max(link_end, node.end);
    }
  }
  // More than a share of the text: at least the next whole unit.
  const auto least = [&](double share) { return static_cast<uint32_t>(share * total) + 1; };
  const uint32_t article = least(kArticleShare);
  const uint32_t container = least(kArticleContainerShare);
  const auto most = [&](uint32_t units) {
    return static_cast<uint8_t>((units >= article ? kArticleMost : 0) |
                                (units >= container ? kContainerMost : 0));
  };
  // Subtrees that hold more than half the text nest in one another: a few
  // nodes, kept in document order.
  static_assert(kArticleContainerShare >= 0.5 && kArticleShare >= kArticleContainerShare);
  most_.clear();
  for (NodeIndex i = dom.size(); i-- > 1;) {
    // Its subtree's sum is whole: its descendants come after it.
    if (text[i] >= container) most_.push_back({i, most(text[i])});
    text[dom[i].parent] += text[i];
  }
  if (total >= container) most_.push_back({0, most(total)});
  std::reverse(most_.begin(), most_.end());
}

bool PageDrops::HoldsMost(NodeIndex node, Most share) const {
  const auto at =
      std::lower_bound(most_.begin(), most_.end(), node,
                       [](const Holder& holder, NodeIndex n) { return holder.node < n; });
  return at != most_.end() && at->node == node && (at->shares & share);
}

void PageDrops::TrustArticleContainers(const Dom& dom, NodeIndex headline,
                                       std::span<Hint> hints) const {
  if (headline == kNoNode) return;
  for (NodeIndex up = dom[headline].parent; up != kNoNode && up != 0; up = dom[up].parent) {
    if (!HoldsMost(up, kContainerMost)) continue;
    hints[up].unlikely = false;
    hints[up].weight = std::max<int8_t>(hints[up].weight, 0);
  }
}

void PageDrops::Mark(const Dom& dom, std::span<const Hint> hints, bool strip_unlikely,
                     std::vector<uint8_t>& drops) const {
  drops.assign(dom.size(), 0);
  // The "visibility" in force: where each declaration's element ends, and
  // whether it shows.
  struct Visibility {
    NodeIndex end;
    bool visible;
  };
  std::vector<Visibility> visibility;
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    while (!visibility.empty() && visibility.back().end <= i) visibility.pop_back();
    const bool invisible = !visibility.empty() && !visibility.back().visible;
    const Node& node = dom[i];
    if (node.tag == Tag::kText) {
      if (invisible) drops[i] = kHidden;
      continue;
    }
    uint8_t drop = 0;
    const bool junk = IsJunk(node.tag) && !(MayRunOn(node.tag) && HoldsMost(i, kArticleMost));
    const Hiding hiding = junk ? Hiding::kShown : HidingOf(dom, i, style_);
    if (junk) {
      drop = kJunk;
    } else if (invisible && node.tag == Tag::kImg) {
      drop = kHidden;  // what an invisible element holds besides its text
    } else if (hiding == Hiding::kGone && !HoldsMost(i, kArticleMost)) {
      drop = kHidden;
    } else if (hiding == Hiding::kInvisible) {
      visibility.push_back(Visibility{node.end, false});
    } else if (strip_unlikely && hints[i].unlikely && node.tag != Tag::kBody &&
               node.tag != Tag::kHtml && node.tag != Tag::kArticle) {
      drop = kUnlikely;
    }
    if (drop != 0) {
      drops[i] = drop;
      i = node.end - 1;
    } else if (invisible && node.attribute_count > 0 && ShowsAgain(dom, node)) {
      visibility.push_back(Visibility{node.end, true});
    }
  }
}

}  // namespace korvane
