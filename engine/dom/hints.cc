// SPDX-License-Identifier: Apache-2.0
#include "dom/hints.h"

#include <algorithm>
#include <array>
#include <vector>

#include "common/chars.h"

namespace korvane {
namespace {

enum Kind : uint8_t {
  kPositive = 1,
  kNegative = 2,
  kUnlikely = 4,
  kMaybe = 8,
  kPartOfArticle = 16,  // a negative word for a part of the article itself
  kOverrides = 32,      // a name holds a negative word that is not such a part
};

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
    {"media", kNegative | kPartOfArticle, true},
};

constexpr size_t kLongestName = 256;

size_t Bigram(char first, char second) { return (first - 'a') * 26 + (second - 'a'); }

// The known words by their first two letters: a word is read once, and a
// known word compared only where its first two letters stand. The lists lie
// in one array (those of bigram b at words_[first_[b]] up to first_[b + 1]),
// small enough to stay in the first-level cache: every class and id of a
// page is looked up here.
class WordIndex {
 public:
  WordIndex() {
    constexpr size_t kBigrams = 26 * 26;
    for (size_t b = 0; b < kBigrams; ++b) {
      first_[b] = static_cast<uint8_t>(count_);
      for (size_t i = 0; i < std::size(kWords); ++i) {
        if (Bigram(kWords[i].text[0], kWords[i].text[1]) == b)
          words_[count_++] = static_cast<uint8_t>(i);
      }
    }
    first_[kBigrams] = static_cast<uint8_t>(count_);
  }

  uint8_t KindsOf(std::string_view word) const {
    uint8_t kinds = 0;
    for (size_t at = 0; at + 1 < word.size(); ++at) {
      const size_t bigram = Bigram(word[at], word[at + 1]);
      for (size_t k = first_[bigram]; k < first_[bigram + 1]; ++k) {
        const Word& known = kWords[words_[k]];
        const bool found =
            known.whole ? at == 0 && word == known.text : word.substr(at).starts_with(known.text);
        if (!found) continue;
        kinds |= known.kinds;
        if ((known.kinds & kNegative) && !(known.kinds & kPartOfArticle)) kinds |= kOverrides;
      }
    }
    return kinds;
  }

 private:
  static_assert(std::size(kWords) < 256);
  std::array<uint8_t, 26 * 26 + 1> first_{};
  std::array<uint8_t, std::size(kWords)> words_{};
  size_t count_ = 0;
};

uint8_t KindsOfWord(std::string_view word) {
  static const WordIndex index;
  return index.KindsOf(word);
}

// A name that joins an article word to a boilerplate word
// ("content-recommend", "article-comments", "hot-article") names that part
// of the page: the article word only says where it stands. "media" is the
// article's own images ("article__media") and does not override it.
uint8_t KindsOfName(uint8_t kinds) {
  return (kinds & kOverrides) ? kinds & ~(kPositive | kMaybe) : kinds;
}

// Names are separated by blanks; words are runs of letters: "mainContent"
// is "main" and "content".
uint8_t KindsOfNames(std::u16string_view names) {
  names = names.substr(0, kLongestName);
  uint8_t kinds = 0;
  uint8_t name_kinds = 0;
  std::array<char, kLongestName> word;
  size_t size = 0;
  for (size_t i = 0; i <= names.size(); ++i) {
    const char16_t unit = i < names.size() ? names[i] : u' ';
    const bool starts_word = IsAsciiUpper(unit) && size > 0 && !IsAsciiUpper(names[i - 1]);
    const bool letter = IsAsciiLetter(unit);
    if (!letter || starts_word) {
      if (size > 0) name_kinds |= KindsOfWord(std::string_view(word.data(), size));
      size = 0;
    }
    if (letter) {
      word[size++] = static_cast<char>(AsciiLower(unit));
    } else if (unit == u' ' || unit == u'\t' || unit == u'\n') {
      kinds |= KindsOfName(name_kinds);
      name_kinds = 0;
    }
  }
  return kinds | KindsOfName(name_kinds);
}

// Class and id values repeat across a page ("item", "news-list"): one
// already worked out is found by its hash, within one page (the entries
// point into it).
class KindsCache {
 public:
  uint8_t KindsOf(std::u16string_view names) {
    uint32_t hash = static_cast<uint32_t>(names.size());
    for (const char16_t unit : names) hash = hash * 31 + unit;
    Entry& entry = entries_[(hash ^ (hash >> 9)) & (kEntries - 1)];
    if (entry.data != nullptr && entry.size == names.size() &&
        std::equal(names.begin(), names.end(), entry.data)) {
      return entry.kinds;
    }
    entry = Entry{names.data(), names.size(), KindsOfNames(names)};
    return entry.kinds;
  }

 private:
  struct Entry {
    const char16_t* data = nullptr;
    size_t size = 0;
    uint8_t kinds = 0;
  };
  static constexpr size_t kEntries = 256;
  std::array<Entry, kEntries> entries_{};
};

int8_t WeightOf(uint8_t kinds) {
  return static_cast<int8_t>(((kinds & kPositive) ? 25 : 0) - ((kinds & kNegative) ? 25 : 0));
}

bool IsUnlikely(uint8_t kinds) { return (kinds & kUnlikely) && !(kinds & kMaybe); }

// Class and id weigh each on their own (the first of each name counts);
// "unlikely" looks at both together. The attributes are read once.
Hint HintOf(const Dom& dom, const Node& element, KindsCache& cache) {
  int weight = 0;
  uint8_t all = 0;
  bool seen_class = false;
  bool seen_id = false;
  for (const Attribute& attribute : dom.Attributes(element)) {
    const std::u16string_view name = dom.Name(attribute);
    bool* seen = nullptr;
    if (name.size() == 5 && EqualIgnoringAsciiCase(name, u"class")) {
      seen = &seen_class;
    } else if (name.size() == 2 && EqualIgnoringAsciiCase(name, u"id")) {
      seen = &seen_id;
    }
    if (seen == nullptr || *seen) continue;
    *seen = true;
    const uint8_t kinds = cache.KindsOf(dom.RawValue(attribute));
    weight += WeightOf(kinds);
    all |= kinds;
  }
  return Hint{static_cast<int8_t>(weight), IsUnlikely(all)};
}

}  // namespace

Hint HintOfNames(std::u16string_view names) {
  const uint8_t kinds = KindsOfNames(names);
  return Hint{WeightOf(kinds), IsUnlikely(kinds)};
}

Hint HintOf(const Dom& dom, const Node& element) {
  KindsCache cache;
  return HintOf(dom, element, cache);
}

void ComputeHints(const Dom& dom, std::vector<Hint>& hints) {
  hints.assign(dom.size(), Hint{});
  KindsCache cache;
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    if (dom[i].attribute_count > 0) hints[i] = HintOf(dom, dom[i], cache);
  }
}

}  // namespace korvane
