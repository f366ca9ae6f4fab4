// SPDX-License-Identifier: Apache-2.0
#include "dom/hints.h"

#include <algorithm>
#include <array>
#include <cstring>
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

// What a known word adds to the kinds of a name that holds it.
uint8_t KindsAdded(const Word& word) {
  const bool overrides = (word.kinds & kNegative) && !(word.kinds & kPartOfArticle);
  return word.kinds | (overrides ? kOverrides : 0);
}

// The known words as one automaton over lower-case letters (Aho and
// Corasick): a word of a name is read once, a letter at a time, whatever
// the words it holds, and every class and id of a page is looked up here.
// A state is the longest end of what was read that begins a known word.
class WordMatcher {
 public:
  WordMatcher() {
    next_.emplace_back();
    depth_.push_back(0);
    found_.push_back(0);
    whole_.push_back(0);
    for (const Word& word : kWords) Add(word);
    Link();
  }

  // A word read so far: where the automaton stands, and its length.
  struct Reading {
    uint16_t state = 0;
    uint16_t size = 0;
  };

  // Reads the next lower-case letter of a word: the kinds of the words
  // that end with it.
  uint8_t Read(char letter, Reading& word) const {
    word.state = next_[word.state][static_cast<size_t>(letter - 'a')];
    ++word.size;
    return found_[word.state];
  }

  // The kinds of the short word that the whole word read is, if any.
  uint8_t End(const Reading& word) const {
    return depth_[word.state] == word.size ? whole_[word.state] : 0;
  }

 private:
  using Row = std::array<uint16_t, 26>;

  void Add(const Word& word) {
    uint16_t state = 0;
    for (const char letter : word.text) {
      const size_t column = static_cast<size_t>(letter - 'a');
      if (next_[state][column] == 0) {
        next_[state][column] = static_cast<uint16_t>(next_.size());
        next_.emplace_back();
        depth_.push_back(static_cast<uint16_t>(depth_[state] + 1));
        found_.push_back(0);
        whole_.push_back(0);
      }
      state = next_[state][column];
    }
    (word.whole ? whole_ : found_)[state] |= KindsAdded(word);
  }

  // Breadth first: a state's longest proper end that begins a word is
  // known before the state; its words are the state's too, and a letter
  // that leads nowhere from the state leads where it leads from there.
  void Link() {
    std::vector<uint16_t> fallback(next_.size(), 0);
    std::vector<uint16_t> queue;
    for (uint16_t& to : next_[0]) {
      if (to != 0) queue.push_back(to);
    }
    for (size_t at = 0; at < queue.size(); ++at) {
      const uint16_t state = queue[at];
      found_[state] |= found_[fallback[state]];
      for (size_t letter = 0; letter < 26; ++letter) {
        uint16_t& to = next_[state][letter];
        if (to == 0) {
          to = next_[fallback[state]][letter];
        } else {
          fallback[to] = next_[fallback[state]][letter];
          queue.push_back(to);
        }
      }
    }
  }

  std::vector<Row> next_;
  std::vector<uint16_t> depth_;
  std::vector<uint8_t> found_;  // the words inside others ending with the state
  std::vector<uint8_t> whole_;  // the short word that the state is, as a whole word
};

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
  static const WordMatcher matcher;
  names = names.substr(0, kLongestName);
  uint8_t kinds = 0;
  uint8_t name_kinds = 0;
  WordMatcher::Reading word;
  for (size_t i = 0; i <= names.size(); ++i) {
    const char16_t unit = i < names.size() ? names[i] : u' ';
    const bool starts_word = IsAsciiUpper(unit) && word.size > 0 && !IsAsciiUpper(names[i - 1]);
    const bool letter = IsAsciiLetter(unit);
    if (!letter || starts_word) {
      if (word.size > 0) name_kinds |= matcher.End(word);
      word = {};
    }
    if (letter) {
      name_kinds |= matcher.Read(static_cast<char>(AsciiLower(unit)), word);
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
    const uint32_t hash = Hash(names);
    Entry& entry = entries_[(hash ^ (hash >> 9)) & (kEntries - 1)];
    if (entry.data != nullptr && entry.size == names.size() &&
        std::equal(names.begin(), names.end(), entry.data)) {
      return entry.kinds;
    }
    entry = Entry{names.data(), names.size(), KindsOfNames(names)};
    return entry.kinds;
  }

 private:
  // The length and the units at both ends tell values apart ("item-1",
  // "item-2", "col-md-8 news-list"); a long value is not read whole here,
  // as a hit compares it whole anyway. Four units at each end are read as
  // one word each: a hash that goes unit by unit waits on each step, at
  // every element that has a class or an id.
  static uint32_t Hash(std::u16string_view names) {
    constexpr size_t kEnd = 4;
    uint64_t hash = names.size();
    if (names.size() < kEnd) {
      for (const char16_t unit : names) hash = hash << 16 | unit;
    } else {
      uint64_t head = 0;
      uint64_t tail = 0;
      std::memcpy(&head, names.data(), sizeof head);
      std::memcpy(&tail, names.data() + names.size() - kEnd, sizeof tail);
      hash ^= (head * 0x9E3779B97F4A7C15u) ^ (tail * 0xC2B2AE3D27D4EB4Fu);
    }
    return static_cast<uint32_t>((hash * 0x9E3779B97F4A7C15u) >> 32);
  }

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
