// SPDX-License-Identifier: Apache-2.0
#include "html/tags.h"

#include <array>
#include <cstdint>
#include <cstring>

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

// A name of at most kLongestName ASCII letters, in lower case, packed into
// two words with its length, so that looking it up compares two integers.
struct PackedName {
  uint64_t low = 0;   // units 0-7
  uint64_t high = 0;  // units 8-9, the length in the top byte

  bool operator==(const PackedName&) const = default;
};

PackedName Pack(std::string_view name) {
  std::array<uint8_t, 16> bytes{};
  std::memcpy(bytes.data(), name.data(), name.size());
  bytes[15] = static_cast<uint8_t>(name.size());
  PackedName packed;
  std::memcpy(&packed.low, bytes.data(), 8);
  std::memcpy(&packed.high, bytes.data() + 8, 8);
  return packed;
}

// The names by a hash of their packed form, open addressing: every tag of
// every page is looked up here, and halving the sorted list took ten string
// comparisons a tag.
class NameTable {
 public:
  NameTable() {
    for (size_t i = 0; i < std::size(kNames); ++i) {
      packed_[i] = Pack(kNames[i]);
      size_t slot = Hash(packed_[i]);
      while (slots_[slot] != 0) slot = (slot + 1) & (kSlots - 1);
      slots_[slot] = static_cast<uint16_t>(i + 1);
    }
  }

  // The index of `key` in kNames, or -1.
  int Find(const PackedName& key) const {
    for (size_t slot = Hash(key);; slot = (slot + 1) & (kSlots - 1)) {
      const uint16_t entry = slots_[slot];
      if (entry == 0) return -1;
      if (packed_[entry - 1] == key) return entry - 1;
    }
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two, several times the names
  static_assert(std::size(kNames) < kSlots / 4);

  static size_t Hash(const PackedName& key) {
    const uint64_t mixed = (key.low ^ (key.high * 0x9E3779B97F4A7C15ull)) * 0xFF51AFD7ED558CCDull;
    return static_cast<size_t>(mixed >> 54);  // the top ten bits: kSlots
  }

  std::array<uint16_t, kSlots> slots_{};
  std::array<PackedName, std::size(kNames)> packed_{};
};

// A name being read: its first kLongestName units packed as they come, in
// registers (bytes stored one by one and read back as words would wait for
// the stores).
class NameReader {
 public:
  void Add(size_t i, char16_t unit) {
    if (i >= kLongestName) return;
    const char16_t lower = AsciiLower(unit);
    all_ |= lower;
    uint64_t& word = i < 8 ? packed_.low : packed_.high;
    word |= uint64_t{lower} << (8 * (i % 8));
  }

  Tag Finish(size_t size) {
    if (size == 0 || size > kLongestName || all_ > 0x7F) return Tag::kUnknown;
    packed_.high |= uint64_t{size} << 56;
    static const NameTable table;
    const int found = table.Find(packed_);
    if (found < 0) return Tag::kUnknown;
    return static_cast<Tag>(kFirstListed + static_cast<size_t>(found));
  }

 private:
  PackedName packed_;
  char16_t all_ = 0;  // above 0x7F when any unit is
};

}  // namespace

Tag ReadTagName(std::u16string_view page, size_t begin, size_t& end) {
  NameReader reader;
  size_t at = begin;
  for (; at < page.size() && !EndsTagName(page[at]); ++at) reader.Add(at - begin, page[at]);
  end = at;
  return reader.Finish(at - begin);
}

std::string_view NameOfTag(Tag tag) {
  const size_t index = static_cast<size_t>(tag);
  if (index < kFirstListed || index >= static_cast<size_t>(Tag::kCount)) return {};
  return kNames[index - kFirstListed];
}

}  // namespace korvane
