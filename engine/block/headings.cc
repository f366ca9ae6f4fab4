// SPDX-License-Identifier: Apache-2.0
#include "block/headings.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "block/full_width.h"
#include "block/markup_stripper.h"
#include "block/text_primitives.h"
#include "common/text_search.h"

namespace korvane {
namespace {

constexpr size_t kMaxHeading = 64;

// A heading's first units are known once a unit other than a space stands
// at or past the last of them (counted after the leading spaces): the rest
// of its text can neither move them nor be trimmed away after them.
// (Folding full-width letters and digits changes no space.)
bool HoldsAHeading(std::u16string_view plain) {
  const size_t first = plain.find_first_not_of(u' ');
  return first != std::u16string_view::npos && plain.find_last_not_of(u' ') >= first + kMaxHeading;
}

// The text of the first element opened by `open` (a prefix: "<title" also
// opens <title id=x>) up to the first `close` after its ">".
std::u16string ElementText(std::u16string_view lower, std::u16string_view open,
                           std::u16string_view close) {
  const size_t tag = Find(lower, open);
  const size_t gt = tag == kNotFound ? kNotFound : FindUnit(lower, u'>', tag);
  const size_t end = gt == kNotFound ? kNotFound : Find(lower, close, gt + 1);
  if (end == kNotFound) return {};
  std::u16string wrapped = u">";
  wrapped.append(lower.substr(gt + 1, end - gt - 1)).append(u"<");
  const std::u16string text = FoldFullWidth(StripMarkupFront(wrapped, HoldsAHeading));
  return std::u16string(TrimSpaces(text).substr(0, kMaxHeading));
}

uint32_t PairAt(std::u16string_view text, size_t at) {
  return (uint32_t{text[at]} << 16) | text[at + 1];
}

// Which two-unit pieces of `title` occur anywhere in `body`, found in one
// pass over the body.
std::vector<bool> PairsInBody(std::u16string_view title, std::u16string_view body) {
  std::vector<uint32_t> wanted;
  for (size_t i = 0; i + 1 < title.size(); ++i) wanted.push_back(PairAt(title, i));
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());

  std::vector<bool> seen(wanted.size(), false);
  size_t unseen = wanted.size();
  for (size_t j = 0; j + 1 < body.size() && unseen > 0; ++j) {
    const auto it = std::lower_bound(wanted.begin(), wanted.end(), PairAt(body, j));
    if (it == wanted.end() || *it != PairAt(body, j)) continue;
    const size_t index = it - wanted.begin();
    if (!seen[index]) --unseen;
    seen[index] = true;
  }

  std::vector<bool> in_body(title.size() > 0 ? title.size() - 1 : 0, false);
  for (size_t i = 0; i < in_body.size(); ++i) {
    in_body[i] =
        seen[std::lower_bound(wanted.begin(), wanted.end(), PairAt(title, i)) - wanted.begin()];
  }
  return in_body;
}

// The title's units that belong to a two-unit piece occurring in the body,
// in their order.
std::u16string HeadlineFromTitle(std::u16string_view title, std::u16string_view body) {
  const std::vector<bool> pair_in_body = PairsInBody(title, body);
  std::u16string headline;
  for (size_t i = 0; i < title.size(); ++i) {
    const bool starts_pair = i < pair_in_body.size() && pair_in_body[i];
    const bool ends_pair = i > 0 && pair_in_body[i - 1];
    if (starts_pair || ends_pair) headline.push_back(title[i]);
  }
  return headline;
}

}  // namespace

Headings ExtractHeadings(const Page& page, std::u16string_view body) {
  Headings headings;
  headings.title = ElementText(page.lower, u"<title", u"</title>");
  headings.headline = ElementText(page.lower, u"<h1", u"</h1>");
  if (headings.headline.empty()) {
    headings.headline = HeadlineFromTitle(headings.title, body);
  }
  return headings;
}

}  // namespace korvane
