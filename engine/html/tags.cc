// SPDX-License-Identifier: Apache-2.0
#include "html/tags.h"

#include <array>

#include "common/chars.h"

namespace korvane {
namespace {

constexpr std::string_view kNames[] = {
#define KORVANE_TAG_NAME(name, text, properties) text,
    KORVANE_HTML_TAGS(KORVANE_TAG_NAME)
#undef KORVANE_TAG_NAME
};
constexpr size_t kFirstListed = static_cast<size_t>(Tag::kDocument) + 1;
static_assert(std::size(kNames) + kFirstListed == static_cast<size_t>(Tag::kCount));

constexpr size_t kLongestName = 10;

// The names by a hash of their letters, open addressing: every tag of every
// page is looked up here, and halving the sorted list took ten string
// comparisons a tag.
class NameTable {
 public:
  NameTable() {
    for (size_t i = 0; i < std::size(kNames); ++i) {
      size_t slot = Hash(kNames[i]);
      while (slots_[slot] != 0) slot = (slot + 1) & (kSlots - 1);
      slots_[slot] = static_cast<uint16_t>(i + 1);
    }
  }

  // The index of `key` in kNames, or -1.
  int Find(std::string_view key) const {
    for (size_t slot = Hash(key);; slot = (slot + 1) & (kSlots - 1)) {
      const uint16_t entry = slots_[slot];
      if (entry == 0) return -1;
      if (kNames[entry - 1] == key) return entry - 1;
    }
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two, several times the names
  static_assert(std::size(kNames) < kSlots / 4);

  static size_t Hash(std::string_view key) {
    uint32_t hash = static_cast<uint32_t>(key.size());
    for (const char c : key) hash = hash * 31 + static_cast<uint8_t>(c);
    return (hash ^ (hash >> 10)) & (kSlots - 1);
  }

  std::array<uint16_t, kSlots> slots_{};
};

}  // namespace

Tag TagOfName(std::u16string_view name) {
  if (name.empty() || name.size() > kLongestName) return Tag::kUnknown;
  std::array<char, kLongestName> lower{};
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = AsciiLower(name[i]);
    if (unit > 0x7F) return Tag::kUnknown;
    lower[i] = static_cast<char>(unit);
  }
  static const NameTable table;
  const int found = table.Find(std::string_view(lower.data(), name.size()));
  if (found < 0) return Tag::kUnknown;
  return static_cast<Tag>(kFirstListed + static_cast<size_t>(found));
}

std::string_view NameOfTag(Tag tag) {
  const size_t index = static_cast<size_t>(tag);
  if (index < kFirstListed || index >= static_cast<size_t>(Tag::kCount)) return {};
  return kNames[index - kFirstListed];
}

}  // namespace korvane
