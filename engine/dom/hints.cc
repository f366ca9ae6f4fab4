// SPDX-License-Identifier: Apache-2.0
#include "dom/hints.h"

#include <algorithm>
#include <array>
#include <vector>

namespace korvane {
namespace {

enum Kind : uint8_t { kPositive = 1, kNegative = 2, kUnlikely = 4, kMaybe = 8 };

struct Word {
  std::string_view text;
  uint8_t kinds;
  bool whole;  // must be the whole word, not a part of one (short words)
};

// Words are matched inside the words of a name ("commentlist", "main_content"),
// short ones only as whole words ("ad", not "header" or "load").
constexpr Word kWords[] = {
    {"article", kPositive | kMaybe, false},
    {"body", kPositive | kMaybe, false},
    {"content", kPositive | kMaybe, false},
    {"entry", kPositive, false},
    {"main", kPositive | kMaybe, false},
    {"post", kPositive, false},
    {"text", kPositive, false},
    {"blog", kPositive, false},
    {"story", kPositive, false},
    {"detail", kPositive, false},
    {"column", kMaybe, false},
    {"zhengwen", kPositive | kMaybe, false},  // body text
    {"neirong", kPositive | kMaybe, false},   // content
    {"wenzhang", kPositive | kMaybe, false},  // article

    {"comment", kNegative | kUnlikely, false},
    {"reply", kNegative | kUnlikely, false},
    {"replies", kNegative | kUnlikely, false},
    {"community", kUnlikely, false},
    {"disqus", kNegative | kUnlikely, false},
    {"related", kNegative | kUnlikely, false},
    {"recommend", kNegative | kUnlikely, false},
    {"share", kNegative | kUnlikely, false},
    {"social", kNegative | kUnlikely, false},
    {"sidebar", kNegative | kUnlikely, false},
    {"footer", kNegative | kUnlikely, false},
    {"foot", kNegative, false},
    {"header", kUnlikely, false},
    {"masthead", kNegative, false},
    {"menu", kNegative | kUnlikely, false},
    {"navbar", kNegative | kUnlikely, false},
    {"navigation", kNegative | kUnlikely, false},
    {"breadcrumb", kNegative | kUnlikely, false},
    {"crumb", kNegative, false},
    {"banner", kNegative | kUnlikely, false},
    {"sponsor", kNegative | kUnlikely, false},
    {"advert", kNegative | kUnlikely, false},
    {"promo", kNegative, false},
    {"outbrain", kNegative, false},
    {"taboola", kNegative | kUnlikely, false},
    {"widget", kNegative, false},
    {"popup", kNegative | kUnlikely, false},
    {"modal", kNegative, false},
    {"pagination", kUnlikely, false},
    {"pager", kUnlikely, false},
    {"copyright", kNegative | kUnlikely, false},
    {"contact", kNegative, false},
    {"login", kNegative | kUnlikely, false},
    {"subscribe", kNegative, false},
    {"newsletter", kNegative, false},
    {"shopping", kNegative, false},
    {"skyscraper", kNegative | kUnlikely, false},
    {"shoutbox", kNegative | kUnlikely, false},
    {"combx", kNegative | kUnlikely, false},
    {"remark", kUnlikely, false},
    {"extra", kUnlikely, false},
    {"gdpr", kNegative | kUnlikely, false},
    {"agegate", kUnlikely, false},
    {"supplemental", kUnlikely, false},
    {"hidden", kNegative, false},
    {"caption", kNegative, false},
    {"credit", kNegative, false},
    {"meta", kNegative, false},
    {"tool", kNegative, false},
    {"scroll", kNegative, false},
    {"qrcode", kNegative | kUnlikely, false},
    {"pinglun", kNegative | kUnlikely, false},    // comments
    {"xiangguan", kNegative | kUnlikely, false},  // related
    {"tuijian", kNegative | kUnlikely, false},    // recommended
    {"fenxiang", kNegative | kUnlikely, false},   // share
    {"daohang", kNegative | kUnlikely, false},    // navigation
    {"guanggao", kNegative | kUnlikely, false},   // advertisement
    {"youlian", kNegative | kUnlikely, false},    // partner links
    {"banquan", kNegative | kUnlikely, false},    // copyright
    {"erweima", kNegative | kUnlikely, false},    // QR code

    {"ad", kNegative | kUnlikely, true},
    {"ads", kNegative | kUnlikely, true},
    {"gg", kNegative | kUnlikely, true},
    {"nav", kNegative | kUnlikely, true},
    {"rss", kUnlikely, true},
    {"tags", kNegative, true},
    {"tag", kNegative, true},
    {"hot", kNegative, true},
    {"rank", kNegative, true},
    {"hid", kNegative, true},
    {"media", kNegative, true},
};

constexpr size_t kLongestName = 256;

size_t Bigram(char first, char second) { return (first - 'a') * 26 + (second - 'a'); }

// The known words by their first two letters: a word is read once, and a
// known word compared only where its first two letters stand.
class WordIndex {
 public:
  WordIndex() {
    for (size_t i = 0; i < std::size(kWords); ++i) {
      by_bigram_[Bigram(kWords[i].text[0], kWords[i].text[1])].push_back(static_cast<uint8_t>(i));
    }
  }

  uint8_t KindsOf(std::string_view word) const {
    uint8_t kinds = 0;
    for (size_t at = 0; at + 1 < word.size(); ++at) {
      for (const uint8_t index : by_bigram_[Bigram(word[at], word[at + 1])]) {
        const Word& known = kWords[index];
        const bool found =
            known.whole ? at == 0 && word == known.text : word.substr(at).starts_with(known.text);
        if (found) kinds |= known.kinds;
      }
    }
    return kinds;
  }

 private:
  std::vector<uint8_t> by_bigram_[26 * 26];
};

uint8_t KindsOfWord(std::string_view word) {
  static const WordIndex index;
  return index.KindsOf(word);
}

bool IsLetter(char16_t unit) { return (unit | 0x20) >= u'a' && (unit | 0x20) <= u'z'; }
bool IsUpper(char16_t unit) { return unit >= u'A' && unit <= u'Z'; }

// Words are runs of letters; "mainContent" is "main" and "content".
uint8_t KindsOfNames(std::u16string_view names) {
  names = names.substr(0, kLongestName);
  uint8_t kinds = 0;
  std::array<char, kLongestName> word;
  size_t size = 0;
  for (size_t i = 0; i <= names.size(); ++i) {
    const char16_t unit = i < names.size() ? names[i] : u' ';
    const bool starts_word = IsUpper(unit) && size > 0 && !IsUpper(names[i - 1]);
    if (!IsLetter(unit) || starts_word) {
      if (size > 0) kinds |= KindsOfWord(std::string_view(word.data(), size));
      size = 0;
    }
    if (IsLetter(unit)) word[size++] = static_cast<char>(unit | 0x20);
  }
  return kinds;
}

int8_t WeightOf(uint8_t kinds) {
  return static_cast<int8_t>(((kinds & kPositive) ? 25 : 0) - ((kinds & kNegative) ? 25 : 0));
}

bool IsUnlikely(uint8_t kinds) { return (kinds & kUnlikely) && !(kinds & kMaybe); }

}  // namespace

Hint HintOfNames(std::u16string_view names) {
  const uint8_t kinds = KindsOfNames(names);
  return Hint{WeightOf(kinds), IsUnlikely(kinds)};
}

// Class and id weigh each on their own; "unlikely" looks at both together.
Hint HintOf(const Dom& dom, const Node& element) {
  int weight = 0;
  uint8_t all = 0;
  for (const std::u16string_view name : {u"class", u"id"}) {
    const Attribute* attribute = dom.FindAttribute(element, name);
    if (attribute == nullptr) continue;
    const uint8_t kinds = KindsOfNames(dom.RawValue(*attribute));
    weight += WeightOf(kinds);
    all |= kinds;
  }
  return Hint{static_cast<int8_t>(weight), IsUnlikely(all)};
}

void ComputeHints(const Dom& dom, std::vector<Hint>& hints) {
  hints.assign(dom.size(), Hint{});
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    if (dom[i].attribute_count > 0) hints[i] = HintOf(dom, dom[i]);
  }
}

}  // namespace korvane
