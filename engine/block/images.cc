// SPDX-License-Identifier: Apache-2.0
#include "block/images.h"

#include "block/first_occurrence.h"
#include "common/text_search.h"

namespace korvane {
namespace {

// The attribute text after "src=": quotes dropped, cut at the first space.
std::u16string SourceOf(std::u16string_view attribute) {
  std::u16string source;
  for (char16_t unit : attribute) {
    if (unit != u'"' && unit != u'\'') source.push_back(unit);
  }
  return source.substr(0, source.find(u' '));
}

// `source` comes from lower-cased text, and lower-casing maps every unit to
// one that lower-casing keeps, so testing it for ".gif" is the same as
// testing its restored letter case without regard to case.
bool IsKeptSource(std::u16string_view source) {
  constexpr size_t kTail = 5;
  const size_t tail_start = source.size() > kTail ? source.size() - kTail : 0;
  return Find(source, u".gif") == kNotFound && FindUnit(source, u'.', tail_start) != kNotFound;
}

void RestoreLetterCase(std::vector<std::u16string>& sources, const Page& page) {
  const std::vector<std::u16string_view> patterns(sources.begin(), sources.end());
  const std::vector<size_t> starts = FirstOccurrences(page.lower, patterns);
  for (size_t i = 0; i < sources.size(); ++i) {
    if (starts[i] != kNotFound) {
      sources[i] = page.source.substr(starts[i], sources[i].size());
    }
  }
}

}  // namespace

std::vector<std::u16string> CollectImages(std::u16string_view region, const Page& page) {
  std::vector<std::u16string> sources;
  for (size_t from = 0;;) {
    const size_t tag = Find(region, u"<img", from);
    const size_t src = tag == kNotFound ? kNotFound : Find(region, u"src=", tag);
    const size_t end = src == kNotFound ? kNotFound : FindUnit(region, u'>', src);
    if (end == kNotFound) break;
    std::u16string source = SourceOf(region.substr(src + 4, end - src - 4));
    if (IsKeptSource(source)) sources.push_back(std::move(source));
    from = end;
  }
  RestoreLetterCase(sources, page);
  return sources;
}

std::u16string ImageLinesOf(const std::vector<std::u16string>& sources) {
  std::u16string lines;
  for (const std::u16string& source : sources) {
    lines.append(u"[[ur=").append(source).append(u"]]\r\n");
  }
  return lines;
}

}  // namespace korvane
