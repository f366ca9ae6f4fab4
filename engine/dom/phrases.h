// SPDX-License-Identifier: Apache-2.0
// Finds which of a list of phrases a text holds, in one pass: each position
// is compared only with the phrases that start with its unit. Phrases are
// written in lower case; ASCII letters of the text match in any case.
#pragma once

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "html/tokenizer.h"

namespace korvane {

class PhraseIndex {
 public:
  explicit PhraseIndex(std::span<const std::u16string_view> phrases) : phrases_(phrases) {
    for (size_t i = 0; i < phrases.size(); ++i) {
      starts_.set(phrases[i].front());
      if (phrases[i].size() == 1) {
        alone_.set(phrases[i].front());
      } else {
        pairs_.set(PairSlot(phrases[i][0], phrases[i][1]));
      }
      by_first_.emplace_back(phrases[i].front(), static_cast<uint16_t>(i));
    }
    std::sort(by_first_.begin(), by_first_.end());
  }

  // Calls `found(phrase_index, position)` for each phrase at each position
  // of `text`, in order of position; stops when `found` returns false.
  template <class Found>
  void ForEach(std::u16string_view text, Found&& found) const {
    for (size_t at = 0; at < text.size(); ++at) {
      const char16_t unit = AsciiLower(text[at]);
      if (!starts_.test(unit)) continue;
      // Most units that begin a phrase (a letter of an English word) are
      // followed by one that does not go on with it.
      const bool pair =
          at + 1 < text.size() && pairs_.test(PairSlot(unit, AsciiLower(text[at + 1])));
      if (!pair && !alone_.test(unit)) continue;
      auto entry = std::lower_bound(by_first_.begin(), by_first_.end(),
                                    std::pair<char16_t, uint16_t>(unit, 0));
      for (; entry != by_first_.end() && entry->first == unit; ++entry) {
        if (Matches(text, at, phrases_[entry->second]) && !found(entry->second, at)) return;
      }
    }
  }

  // Where the first of the phrases starts in `text`; npos if none does.
  size_t First(std::u16string_view text) const {
    size_t first = std::u16string_view::npos;
    ForEach(text, [&](size_t, size_t at) {
      first = at;
      return false;
    });
    return first;
  }

 private:
  static bool Matches(std::u16string_view text, size_t at, std::u16string_view phrase) {
    if (at + phrase.size() > text.size()) return false;
    for (size_t i = 1; i < phrase.size(); ++i) {
      if (AsciiLower(text[at + i]) != phrase[i]) return false;
    }
    return true;
  }

  // The first two units of a phrase, hashed; phrases of one unit have none.
  static size_t PairSlot(char16_t first, char16_t second) {
    return ((size_t{first} << 5) ^ second) & 0xFFFF;
  }

  std::span<const std::u16string_view> phrases_;
  std::bitset<0x10000> starts_;
  std::bitset<0x10000> pairs_;
  std::bitset<0x10000> alone_;  // phrases of one unit
  std::vector<std::pair<char16_t, uint16_t>> by_first_;
};

}  // namespace korvane
