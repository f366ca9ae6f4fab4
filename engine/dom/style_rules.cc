#include "dom/style_rules.h"

#include <algorithm>

#include "html/tokenizer.h"

namespace korvane {
namespace {

// Longer sheets are read up to this many units (a page's own rules come
// first; frameworks pasted in whole follow).
constexpr size_t kMaxSheet = size_t{1} << 18;

bool IsNameUnit(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
         (unit >= u'0' && unit <= u'9') || unit == u'-' || unit == u'_' || unit >= 0x80;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Whether declarations set "display: none", in any letter case and spacing.
bool SetsDisplayNone(std::u16string_view declarations) {
  static constexpr std::u16string_view kDisplayNone = u"display:none";
  size_t matched = 0;
  for (const char16_t unit : declarations) {
    if (IsHtmlSpace(unit)) continue;
    const char16_t lower = AsciiLower(unit);
    if (lower == kDisplayNone[matched]) {
      if (++matched == kDisplayNone.size()) return true;
    } else {
      matched = lower == kDisplayNone[0] ? 1 : 0;
    }
  }
  return false;
}

// Where the comment or quoted string at `at` ends; `at` itself when none starts there.
size_t SkipCommentOrString(std::u16string_view sheet, size_t at) {
  if (sheet.substr(at, 2) == u"/*") {
    const size_t close = sheet.find(u"*/", at + 2);
    return close == std::u16string_view::npos ? sheet.size() : close + 2;
  }
  if (sheet[at] == u'"' || sheet[at] == u'\'') {
    const size_t close = sheet.find(sheet[at], at + 1);
    return close == std::u16string_view::npos ? sheet.size() : close + 1;
  }
  return at;
}

// Where the block whose "{" is at `open` ends (after its "}").
size_t BlockEnd(std::u16string_view sheet, size_t open) {
  int depth = 0;
  for (size_t at = open; at < sheet.size();) {
    const size_t skipped = SkipCommentOrString(sheet, at);
    if (skipped != at) {
      at = skipped;
      continue;
    }
    if (sheet[at] == u'{') ++depth;
    if (sheet[at] == u'}' && --depth == 0) return at + 1;
    ++at;
  }
  return sheet.size();
}

void SortUnique(std::vector<std::u16string>& names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
}

bool Contains(const std::vector<std::u16string>& sorted, std::u16string_view name) {
  return std::binary_search(sorted.begin(), sorted.end(), name,
                            [](std::u16string_view a, std::u16string_view b) { return a < b; });
}

}  // namespace

void HiddenByStyle::ReadRule(std::u16string_view selectors, std::u16string_view declarations) {
  if (!SetsDisplayNone(declarations)) return;
  for (size_t begin = 0; begin <= selectors.size();) {
    size_t end = selectors.find(u',', begin);
    if (end == std::u16string_view::npos) end = selectors.size();
    const std::u16string_view selector = Trimmed(selectors.substr(begin, end - begin));
    begin = end + 1;
    if (selector.size() < 2 || (selector[0] != u'#' && selector[0] != u'.')) continue;
    const std::u16string_view name = selector.substr(1);
    if (!std::all_of(name.begin(), name.end(), IsNameUnit)) continue;  // not a simple selector
    (selector[0] == u'#' ? ids_ : classes_).emplace_back(name);
  }
}

void HiddenByStyle::ReadSheet(std::u16string_view sheet) {
  sheet = sheet.substr(0, kMaxSheet);
  size_t prelude = 0;
  for (size_t at = 0; at < sheet.size();) {
    const size_t skipped = SkipCommentOrString(sheet, at);
    if (skipped != at) {
      // A comment before a rule is not part of its selectors.
      if (Trimmed(sheet.substr(prelude, at - prelude)).empty()) prelude = skipped;
      at = skipped;
      continue;
    }
    const char16_t unit = sheet[at];
    if (unit == u';' || unit == u'}') {
      prelude = ++at;  // an at-rule without a block, or a stray "}"
    } else if (unit == u'{') {
      const size_t end = BlockEnd(sheet, at);
      const std::u16string_view selectors = Trimmed(sheet.substr(prelude, at - prelude));
      if (!selectors.empty() && selectors[0] != u'@') {
        ReadRule(selectors, sheet.substr(at + 1, end - at - 1));
      }
      prelude = at = end;
    } else {
      ++at;
    }
  }
  SortUnique(ids_);
  SortUnique(classes_);
}

void HiddenByStyle::Read(const Dom& dom) {
  ids_.clear();
  classes_.clear();
  for (NodeIndex i = 0; i < dom.size(); ++i) {
    if (dom[i].tag != Tag::kStyle || dom.FirstChild(i) == kNoNode) continue;
    ReadSheet(dom.Text(dom[dom.FirstChild(i)]));
  }
}

bool HiddenByStyle::Hides(const Dom& dom, const Node& element) const {
  if (!ids_.empty()) {
    if (const Attribute* id = dom.FindAttribute(element, u"id")) {
      if (Contains(ids_, Trimmed(dom.RawValue(*id)))) return true;
    }
  }
  if (classes_.empty()) return false;
  const Attribute* names = dom.FindAttribute(element, u"class");
  if (names == nullptr) return false;
  const std::u16string_view value = dom.RawValue(*names);
  for (size_t begin = 0; begin < value.size();) {
    size_t end = begin;
    while (end < value.size() && !IsHtmlSpace(value[end])) ++end;
    if (end > begin && Contains(classes_, value.substr(begin, end - begin))) return true;
    begin = end + 1;
  }
  return false;
}

}  // namespace korvane
