// SPDX-License-Identifier: Apache-2.0
#include "metadata/json_ld.h"

#include <cstdint>
#include <vector>

#include "common/chars.h"

namespace korvane {
namespace {

// Containers nested deeper than this are passed over whole, so that the
// reader's stack stays small; what follows them is read.
constexpr size_t kMaxJsonDepth = 32;
// Keys longer than this are none of the keys looked for.
constexpr size_t kLongestKey = 16;

// What a value is to the object or array around it.
enum class Role : uint8_t {
  kNone,
  kType,        // the first "@type" of an object
  kTypeItem,    // a value inside that @type list
  kPublished,   // the first "datePublished"
  kCreated,     // the first "dateCreated"
  kName,        // the first "name"
  kAuthor,      // the first "author"
  kAuthorItem,  // a value inside that author list
};

// What an object's @type names, as bits.
enum TypeBits : uint8_t {
  kArticleType = 1,       // "...Article", "...Posting"
  kOrganisationType = 2,  // "Organization", "Organisation"
  kAsideType = 4,         // comments, reviews and media carry dates and authors of their own
  kPageType = 8,          // "WebPage", "ItemPage": its author is the article's
};

uint8_t TypeBitsOf(std::u16string_view type) {
  const auto has = [&](std::u16string_view part) {
    return type.find(part) != std::u16string_view::npos;
  };
  uint8_t bits = 0;
  if (has(u"Article") || has(u"Posting")) bits |= kArticleType;
  if (has(u"Organization") || has(u"Organisation")) bits |= kOrganisationType;
  if (has(u"Comment") || has(u"Review") || has(u"Object")) bits |= kAsideType;
  if (has(u"Page")) bits |= kPageType;
  return bits;
}

bool IsUrl(std::u16string_view text) {
  return text.find(u"://") != std::u16string_view::npos || text.substr(0, 4) == u"www.";
}

void AppendName(std::u16string_view name, std::u16string& names) {
  if (name.empty() || IsUrl(name)) return;
  if (!names.empty()) names += u", ";
  names += name;
}

// The values that an object or its descendants declare, each with the
// place of its object in document order: the first object that declares a
// value gives it, as a walk of the whole tree from the top would find it.
struct Found {
  struct Value {
    uint64_t order = UINT64_MAX;
    std::u16string text;
  };
  Value article_published;  // from article objects
  Value other_published;    // from any other object
  Value created;
  Value article_author;
  Value other_author;

  static void Offer(uint64_t order, std::u16string&& text, Value& into) {
    if (text.empty() || order >= into.order) return;
    into.order = order;
    into.text = std::move(text);
  }

  void Merge(Found&& from) {
    Offer(from.article_published.order, std::move(from.article_published.text), article_published);
    Offer(from.other_published.order, std::move(from.other_published.text), other_published);
    Offer(from.created.order, std::move(from.created.text), created);
    Offer(from.article_author.order, std::move(from.article_author.text), article_author);
    Offer(from.other_author.order, std::move(from.other_author.text), other_author);
  }
};

// An open object or array.
struct Frame {
  bool object = false;
  Role role = Role::kNone;  // what the container is to its parent
  Role next = Role::kNone;  // objects: the role of the value after the key just read
  uint8_t types = 0;
  uint8_t keys_seen = 0;  // bit per role: the first key of each kind counts
  uint64_t order = 0;
  std::u16string published, created, name, authors;
  Found found;  // from the objects inside
};

// Reads the JSON in one pass and keeps per open container only what an
// article's date and authors need: time linear in the text, memory bounded
// by the nesting (and the values kept), however many values there are. A
// lenient reader: raw control characters in strings and trailing or missing
// commas pass, as pages have them; the first real fault ends the reading,
// and what was read counts.
class LinkedDataReader {
 public:
  explicit LinkedDataReader(std::u16string_view json) : json_(json) {}

  Found Read() {
    while (at_ < json_.size() && json_[at_] != u'{' && json_[at_] != u'[') ++at_;
    if (at_ < json_.size()) Open(Role::kNone);
    while (!stack_.empty() && Step()) {
    }
    while (!stack_.empty()) Close();
    return std::move(result_);
  }

 private:
  static constexpr uint8_t Bit(Role role) { return static_cast<uint8_t>(1u << (int(role) - 1)); }

  void SkipSpaces() {
    while (at_ < json_.size() && (json_[at_] == u' ' || json_[at_] == u'\n' ||
                                  json_[at_] == u'\r' || json_[at_] == u'\t')) {
      ++at_;
    }
  }

  // Reads one member of the innermost container (or its end); false on a fault.
  bool Step() {
    SkipSpaces();
    if (at_ >= json_.size()) return false;
    Frame& frame = stack_.back();
    if (json_[at_] == (frame.object ? u'}' : u']')) {
      ++at_;
      Close();
      SkipComma();
      return true;
    }
    if (frame.object && !ReadKey(frame)) return false;
    return ReadValue(MemberRole(frame));
  }

  // The role of the value just reached in `frame`: the values of a @type
  // list are type names, those of an author list authors.
  static Role MemberRole(const Frame& frame) {
    if (frame.object) return frame.next;
    if (frame.role == Role::kType) return Role::kTypeItem;
    if (frame.role == Role::kAuthor) return Role::kAuthorItem;
    return Role::kNone;
  }

  bool ReadKey(Frame& frame) {
    if (json_[at_] != u'"') return false;
    std::u16string key;
    if (!ReadString(&key, kLongestKey + 1)) return false;
    SkipSpaces();
    if (at_ >= json_.size() || json_[at_] != u':') return false;
    ++at_;
    frame.next = RoleOfKey(key);
    if (frame.next != Role::kNone) {
      if (frame.keys_seen & Bit(frame.next)) {
        frame.next = Role::kNone;
      } else {
        frame.keys_seen |= Bit(frame.next);
      }
    }
    return true;
  }

  static Role RoleOfKey(std::u16string_view key) {
    if (key == u"@type") return Role::kType;
    if (key == u"datePublished") return Role::kPublished;
    if (key == u"dateCreated") return Role::kCreated;
    if (key == u"name") return Role::kName;
    if (key == u"author") return Role::kAuthor;
    return Role::kNone;
  }

  bool ReadValue(Role role) {
    SkipSpaces();
    if (at_ >= json_.size()) return false;
    switch (json_[at_]) {
      case u'{':
      case u'[':
        if (stack_.size() >= kMaxJsonDepth) {
          if (!SkipContainer()) return false;
          SkipComma();
          return true;
        }
        // An author list inside an author list holds no names.
        if (role == Role::kAuthorItem && json_[at_] == u'[') role = Role::kNone;
        Open(role);
        return true;
      case u'"': {
        // The string values of a @type object name types too.
        const bool type_member = stack_.back().object && stack_.back().role == Role::kType;
        std::u16string text;
        // A string the script breaks off in is left out, not taken half.
        if (!ReadString(role == Role::kNone && !type_member ? nullptr : &text, SIZE_MAX)) {
          return false;
        }
        if (type_member) Owner(1)->types |= TypeBitsOf(text);
        TakeString(role, text);
        SkipComma();
        return true;
      }
      default:
        if (!SkipScalar()) return false;
        SkipComma();
        return true;
    }
  }

  void SkipComma() {
    SkipSpaces();
    if (at_ < json_.size() && json_[at_] == u',') ++at_;
  }

  void Open(Role role) {
    Frame frame;
    frame.object = json_[at_] == u'{';
    frame.role = role;
    if (frame.object) frame.order = objects_++;
    ++at_;
    stack_.push_back(std::move(frame));
  }

  // The object or array that `role` speaks of, counted from the top.
  Frame* Owner(size_t up) { return stack_.size() > up ? &stack_[stack_.size() - 1 - up] : nullptr; }

  void TakeString(Role role, std::u16string& text) {
    switch (role) {
      case Role::kType:
        stack_.back().types |= TypeBitsOf(text);
        break;
      case Role::kTypeItem:
        if (Frame* owner = Owner(1)) owner->types |= TypeBitsOf(text);
        break;
      case Role::kPublished:
        stack_.back().published = std::move(text);
        break;
      case Role::kCreated:
        stack_.back().created = std::move(text);
        break;
      case Role::kName:
        stack_.back().name = std::move(text);
        break;
      case Role::kAuthor:
        AppendName(text, stack_.back().authors);
        break;
      case Role::kAuthorItem:
        if (Frame* owner = Owner(1)) AppendName(text, owner->authors);
        break;
      case Role::kNone:
        break;
    }
  }

  // Ends the innermost container: an object gives its names to the author
  // list it stands in, and its values and its descendants' to its parent.
  void Close() {
    Frame frame = std::move(stack_.back());
    stack_.pop_back();
    Found found = std::move(frame.found);
    if (frame.object) {
      if (!(frame.types & kOrganisationType)) {
        if (frame.role == Role::kAuthor && !stack_.empty()) {
          AppendName(frame.name, stack_.back().authors);
        } else if (frame.role == Role::kAuthorItem && stack_.size() >= 2) {
          AppendName(frame.name, stack_[stack_.size() - 2].authors);
        }
      }
      if (frame.types & kAsideType) return;
      OfferOwn(frame, found);
    }
    (stack_.empty() ? result_ : stack_.back().found).Merge(std::move(found));
  }

  static void OfferOwn(Frame& frame, Found& found) {
    const bool article = frame.types & kArticleType;
    Found::Offer(frame.order, std::move(frame.published),
                 article ? found.article_published : found.other_published);
    Found::Offer(frame.order, std::move(frame.created), found.created);
    if (article || (frame.types & kPageType)) {
      Found::Offer(frame.order, std::move(frame.authors),
                   article ? found.article_author : found.other_author);
    }
  }

  // Reads a string into `out` (nullptr: passes over it), keeping at most
  // `most` units; false when the text ends inside it.
  bool ReadString(std::u16string* out, size_t most) {
    ++at_;  // the opening quote
    while (at_ < json_.size()) {
      char16_t unit = json_[at_++];
      if (unit == u'"') return true;
      if (unit == u'\\') {
        if (at_ >= json_.size()) return false;
        if (!Unescape(unit)) return false;
      }
      if (out != nullptr && out->size() < most) out->push_back(unit);
    }
    return false;
  }

  // The unit an escape after "\" stands for.
  bool Unescape(char16_t& unit) {
    const char16_t escaped = json_[at_++];
    switch (escaped) {
      case u'n':
        unit = u'\n';
        return true;
      case u't':
        unit = u'\t';
        return true;
      case u'r':
        unit = u'\r';
        return true;
      case u'b':
        unit = u'\b';
        return true;
      case u'f':
        unit = u'\f';
        return true;
      case u'u':
        return ReadHexUnit(unit);
      default:  // '"', '\\', '/' and stray escapes stand for themselves
        unit = escaped;
        return true;
    }
  }

  bool ReadHexUnit(char16_t& unit) {
    if (at_ + 4 > json_.size()) return false;
    unit = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = HexDigitValue(json_[at_++]);
      if (digit < 0) return false;
      unit = static_cast<char16_t>(unit << 4 | digit);
    }
    return true;
  }

  bool SkipScalar() {
    const size_t start = at_;
    while (at_ < json_.size() && json_[at_] != u',' && json_[at_] != u'}' && json_[at_] != u']' &&
           json_[at_] != u' ' && json_[at_] != u'\n' && json_[at_] != u'\r') {
      ++at_;
    }
    return at_ > start;
  }

  // Passes over a container too deep to read, strings and all.
  bool SkipContainer() {
    size_t depth = 0;
    while (at_ < json_.size()) {
      const char16_t unit = json_[at_];
      if (unit == u'"') {
        if (!ReadString(nullptr, 0)) return false;
        continue;
      }
      ++at_;
      if (unit == u'{' || unit == u'[') ++depth;
      if ((unit == u'}' || unit == u']') && --depth == 0) return true;
    }
    return false;
  }

  std::u16string_view json_;
  size_t at_ = 0;
  uint64_t objects_ = 0;
  std::vector<Frame> stack_;
  Found result_;
};

void FillFrom(std::u16string& value, std::u16string& field) {
  if (field.empty()) field = std::move(value);
}

}  // namespace

void ReadLinkedData(std::u16string_view json, LinkedData& data) {
  Found found = LinkedDataReader(json).Read();
  FillFrom(found.article_published.text, data.published);
  FillFrom(found.other_published.text, data.published);
  FillFrom(found.created.text, data.published);
  FillFrom(found.article_author.text, data.author);
  FillFrom(found.other_author.text, data.author);
}

}  // namespace korvane
