// SPDX-License-Identifier: Apache-2.0
#include "html/tags.h"

#include <algorithm>
#include <array>

namespace korvane {
namespace {

constexpr std::string_view kNames[] = {
#define KORVANE_TAG_NAME(name, text, properties) text,
    KORVANE_HTML_TAGS(KORVANE_TAG_NAME)
#undef KORVANE_TAG_NAME
};
constexpr size_t kFirstListed = static_cast<size_t>(Tag::kDocument) + 1;
static_assert(std::size(kNames) + kFirstListed == static_cast<size_t>(Tag::kCount));
static_assert(std::is_sorted(std::begin(kNames), std::end(kNames)),
              "the tag list is searched by halves");

constexpr size_t kLongestName = 10;

}  // namespace

Tag TagOfName(std::u16string_view name) {
  if (name.empty() || name.size() > kLongestName) return Tag::kUnknown;
  std::array<char, kLongestName> lower{};
  for (size_t i = 0; i < name.size(); ++i) {
    char16_t unit = name[i];
    if (unit >= u'A' && unit <= u'Z') unit += u'a' - u'A';
    if (unit > 0x7F) return Tag::kUnknown;
    lower[i] = static_cast<char>(unit);
  }
  const std::string_view key(lower.data(), name.size());
  const auto* found = std::lower_bound(std::begin(kNames), std::end(kNames), key);
  if (found == std::end(kNames) || *found != key) return Tag::kUnknown;
  return static_cast<Tag>(kFirstListed + static_cast<size_t>(found - std::begin(kNames)));
}

std::string_view NameOfTag(Tag tag) {
  const size_t index = static_cast<size_t>(tag);
  if (index < kFirstListed || index >= static_cast<size_t>(Tag::kCount)) return {};
  return kNames[index - kFirstListed];
}

}  // namespace korvane
