// SPDX-License-Identifier: Apache-2.0
#include "dom/style_rules.h"

#include <algorithm>
#include <utility>

#include "common/text_search.h"
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

// Whether a declaration's value ends at `at`: "none" is a whole value,
// "nonesuch" is not.
bool EndsValue(std::u16string_view sheet, size_t at) {
  return at == sheet.size() || IsHtmlSpace(sheet[at]) || sheet[at] == u';' || sheet[at] == u'!' ||
         sheet[at] == u'}';
}

// Where "display: none" (any spacing; the letter case of style sheets)
// stands in a sheet: the positions of its "none", in order. "none" is
// found by the fast search, and "display:" looked for before it; both are
// whole words ("nonesuch", "-x-display" are other values and properties).
std::vector<size_t> DisplayNones(std::u16string_view sheet) {
  constexpr std::u16string_view kProperty = u"display";
  std::vector<size_t> found;
  for (size_t at = 0; (at = Find(sheet, u"none", at)) != kNotFound; at += 4) {
    if (!EndsValue(sheet, at + 4)) continue;
    size_t before = at;
    while (before > 0 && IsHtmlSpace(sheet[before - 1])) --before;
    if (before == 0 || sheet[before - 1] != u':') continue;
    --before;
    while (before > 0 && IsHtmlSpace(sheet[before - 1])) --before;
    if (!sheet.substr(0, before).ends_with(kProperty)) continue;
    const size_t name = before - kProperty.size();
    if (name == 0 || !IsNameUnit(sheet[name - 1])) found.push_back(at);
  }
  return found;
}

// Where the block whose "{" is at `open` ends (at its "}"), or the sheet's
// end. Braces are found by the fast search; comments and strings are not
// told apart (sheets hardly ever hold braces there).
size_t BlockEnd(std::u16string_view sheet, size_t open) {
  int depth = 1;
  size_t next_open = FindUnit(sheet, u'{', open + 1);
  for (size_t close = FindUnit(sheet, u'}', open + 1); close != kNotFound;
       close = FindUnit(sheet, u'}', close + 1)) {
    while (next_open < close) {
      ++depth;
      next_open = FindUnit(sheet, u'{', next_open + 1);
    }
    if (--depth == 0) return close;
  }
  return sheet.size();
}

// The spans of the sheet's at-rules with blocks (@media, @supports): the
// rules inside them depend on the screen or the printer.
std::vector<std::pair<size_t, size_t>> AtRuleBlocks(std::u16string_view sheet) {
  std::vector<std::pair<size_t, size_t>> blocks;
  // The first "{" after the at-rule's "@", kept while it stays ahead.
  size_t open = kNotFound;
  for (size_t at = FindUnit(sheet, u'@'); at != kNotFound; at = FindUnit(sheet, u'@', at + 1)) {
    if (open == kNotFound || open < at) open = FindUnit(sheet, u'{', at);
    if (open == kNotFound) break;
    const size_t statement = FindUnit(sheet.substr(0, open), u';', at);
    if (statement != kNotFound) {  // "@import ...;"
      at = statement;
      continue;
    }
    const size_t close = BlockEnd(sheet, open);
    blocks.emplace_back(at, close);
    at = close;
  }
  return blocks;
}

// The selectors of the rule whose block opens at `open`: the text after the
// end of what comes before it (a block, a statement, a comment).
std::u16string_view SelectorsBefore(std::u16string_view sheet, size_t open) {
  const std::u16string_view before = sheet.substr(0, open);
  size_t start = before.find_last_of(u"{};");
  start = start == std::u16string_view::npos ? 0 : start + 1;
  const size_t comment = before.substr(start).rfind(u"*/");
  if (comment != std::u16string_view::npos) start += comment + 2;
  return TrimHtmlSpace(before.substr(start));
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

void HiddenByStyle::ReadRule(std::u16string_view selectors) {
  for (size_t begin = 0; begin <= selectors.size();) {
    size_t end = selectors.find(u',', begin);
    if (end == std::u16string_view::npos) end = selectors.size();
    const std::u16string_view selector = TrimHtmlSpace(selectors.substr(begin, end - begin));
    begin = end + 1;
    if (selector.size() < 2 || (selector[0] != u'#' && selector[0] != u'.')) continue;
    const std::u16string_view name = selector.substr(1);
    if (!std::all_of(name.begin(), name.end(), IsNameUnit)) continue;  // not a simple selector
    (selector[0] == u'#' ? ids_ : classes_).emplace_back(name);
  }
}

// Each "display: none" is traced back to its rule: rules inside at-rules
// are passed over, and the others read by their selectors. Only the
// at-rules' blocks are walked brace by brace: sheets are long.
void HiddenByStyle::ReadSheet(std::u16string_view sheet) {
  sheet = sheet.substr(0, kMaxSheet);
  const std::vector<size_t> hiding = DisplayNones(sheet);
  if (hiding.empty()) return;
  const std::vector<std::pair<size_t, size_t>> at_rules = AtRuleBlocks(sheet);
  auto at_rule = at_rules.begin();
  size_t last_open = kNotFound;
  // The last brace before a position: looked for back to the previous
  // position only, so that the sheet is read once.
  size_t brace = kNotFound;
  size_t searched = 0;
  for (const size_t position : hiding) {
    const size_t found = sheet.substr(searched, position - searched).find_last_of(u"{}");
    if (found != std::u16string_view::npos) brace = searched + found;
    searched = position;
    while (at_rule != at_rules.end() && at_rule->second < position) ++at_rule;
    if (at_rule != at_rules.end() && at_rule->first < position) continue;
    const size_t open = brace;
    if (open == kNotFound || sheet[open] != u'{' || open == last_open) continue;
    last_open = open;
    const std::u16string_view selectors = SelectorsBefore(sheet, open);
    if (!selectors.empty() && selectors[0] != u'@') ReadRule(selectors);
  }
  SortUnique(ids_);
  SortUnique(classes_);
}

void HiddenByStyle::Read(const Dom& dom) {
  ids_.clear();
  classes_.clear();
  for (const NodeIndex i : dom.Landmarks()) {
    if (dom[i].tag != Tag::kStyle || dom.FirstChild(i) == kNoNode) continue;
    ReadSheet(dom.Text(dom[dom.FirstChild(i)]));
  }
}

bool HiddenByStyle::Hides(const Dom& dom, const Node& element) const {
  if (!ids_.empty()) {
    if (const Attribute* id = dom.FindAttribute(element, u"id")) {
      if (Contains(ids_, TrimHtmlSpace(dom.RawValue(*id)))) return true;
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
