// SPDX-License-Identifier: Apache-2.0
#include "json_ld_reference.h"

#include <cstdint>
#include <vector>

namespace korvane::reference {
namespace {

constexpr int kMaxJsonDepth = 32;

// A JSON value as far as this reader needs it: strings, objects and arrays;
// numbers, booleans and null are kOther.
struct JsonValue {
  enum class Kind : uint8_t { kOther, kString, kObject, kArray };
  Kind kind = Kind::kOther;
  std::u16string text;
  std::vector<std::u16string> keys;  // objects: keys[i] names items[i]
  std::vector<JsonValue> items;      // objects and arrays

  const JsonValue* Find(std::u16string_view key) const {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == key) return &items[i];
    }
    return nullptr;
  }
};

// A lenient reader: raw control characters in strings and trailing commas
// pass, as pages have them; the first real fault ends the reading.
class JsonReader {
 public:
  explicit JsonReader(std::u16string_view json) : json_(json) {}

  bool ReadDocument(JsonValue& value) {
    while (at_ < json_.size() && json_[at_] != u'{' && json_[at_] != u'[') ++at_;
    return ReadValue(value, 0);
  }

 private:
  void SkipBlanks() {
    while (at_ < json_.size() && (json_[at_] == u' ' || json_[at_] == u'\n' ||
                                  json_[at_] == u'\r' || json_[at_] == u'\t')) {
      ++at_;
    }
  }

  bool ReadValue(JsonValue& value, int depth) {
    SkipBlanks();
    if (at_ >= json_.size()) return false;
    switch (json_[at_]) {
      case u'{':
        return depth < kMaxJsonDepth ? ReadContainer(value, depth, u'}') : SkipContainer();
      case u'[':
        return depth < kMaxJsonDepth ? ReadContainer(value, depth, u']') : SkipContainer();
      case u'"':
        // A string the script breaks off in is left out, not taken half.
        value.kind = JsonValue::Kind::kString;
        if (ReadString(value.text)) return true;
        value.kind = JsonValue::Kind::kOther;
        return false;
      default:
        return SkipScalar();
    }
  }

  bool ReadContainer(JsonValue& value, int depth, char16_t close) {
    const bool object = close == u'}';
    value.kind = object ? JsonValue::Kind::kObject : JsonValue::Kind::kArray;
    ++at_;
    for (;;) {
      SkipBlanks();
      if (at_ >= json_.size()) return false;
      if (json_[at_] == close) {
        ++at_;
        return true;
      }
      if (object) {
        std::u16string key;
        if (json_[at_] != u'"' || !ReadString(key)) return false;
        SkipBlanks();
        if (at_ >= json_.size() || json_[at_] != u':') return false;
        ++at_;
        value.keys.push_back(std::move(key));
      }
      value.items.emplace_back();
      if (!ReadValue(value.items.back(), depth + 1)) return false;
      SkipBlanks();
      if (at_ < json_.size() && json_[at_] == u',') ++at_;
    }
  }

  bool ReadString(std::u16string& out) {
    ++at_;  // the opening quote
    while (at_ < json_.size()) {
      const char16_t unit = json_[at_++];
      if (unit == u'"') return true;
      if (unit != u'\\') {
        out.push_back(unit);
        continue;
      }
      if (at_ >= json_.size()) return false;
      const char16_t escaped = json_[at_++];
      switch (escaped) {
        case u'n':
          out.push_back(u'\n');
          break;
        case u't':
          out.push_back(u'\t');
          break;
        case u'r':
          out.push_back(u'\r');
          break;
        case u'b':
          out.push_back(u'\b');
          break;
        case u'f':
          out.push_back(u'\f');
          break;
        case u'u':
          if (!ReadHexUnit(out)) return false;
          break;
        default:  // '"', '\\', '/' and stray escapes stand for themselves
          out.push_back(escaped);
      }
    }
    return false;
  }

  bool ReadHexUnit(std::u16string& out) {
    if (at_ + 4 > json_.size()) return false;
    char16_t unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char16_t digit = json_[at_++];
      unit = static_cast<char16_t>(unit << 4);
      if (digit >= u'0' && digit <= u'9') {
        unit |= digit - u'0';
      } else if (digit >= u'a' && digit <= u'f') {
        unit |= digit - u'a' + 10;
      } else if (digit >= u'A' && digit <= u'F') {
        unit |= digit - u'A' + 10;
      } else {
        return false;
      }
    }
    out.push_back(unit);
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

  // A container too deep to read: passed over, strings and all.
  bool SkipContainer() {
    size_t depth = 0;
    while (at_ < json_.size()) {
      const char16_t unit = json_[at_];
      if (unit == u'"') {
        std::u16string ignored;
        if (!ReadString(ignored)) return false;
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
};

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// Whether the object's @type (a string or a list) has a name containing `part`.
bool TypeContains(const JsonValue& object, std::u16string_view part) {
  const JsonValue* type = object.Find(u"@type");
  if (!type) return false;
  if (type->kind == JsonValue::Kind::kString) return Contains(type->text, part);
  for (const JsonValue& item : type->items) {
    if (item.kind == JsonValue::Kind::kString && Contains(item.text, part)) return true;
  }
  return false;
}

bool IsArticle(const JsonValue& object) {
  return TypeContains(object, u"Article") || TypeContains(object, u"Posting");
}

bool IsOrganisation(const JsonValue& object) {
  return TypeContains(object, u"Organization") || TypeContains(object, u"Organisation");
}

bool IsUrl(std::u16string_view text) {
  return Contains(text, u"://") || text.substr(0, 4) == u"www.";
}

void AppendName(std::u16string_view name, std::u16string& names) {
  if (name.empty() || IsUrl(name)) return;
  if (!names.empty()) names += u", ";
  names += name;
}

// The names in an author value: a name, a person, or a list of either.
void AuthorNames(const JsonValue& value, std::u16string& names, bool in_list = false) {
  switch (value.kind) {
    case JsonValue::Kind::kString:
      AppendName(value.text, names);
      break;
    case JsonValue::Kind::kObject:
      if (const JsonValue* name = value.Find(u"name");
          name && name->kind == JsonValue::Kind::kString && !IsOrganisation(value)) {
        AppendName(name->text, names);
      }
      break;
    case JsonValue::Kind::kArray:
      if (in_list) break;
      for (const JsonValue& item : value.items) AuthorNames(item, names, true);
      break;
    case JsonValue::Kind::kOther:
      break;
  }
}

std::u16string StringOf(const JsonValue* value) {
  return value && value->kind == JsonValue::Kind::kString ? value->text : std::u16string();
}

struct Found {
  LinkedData article;  // from article objects
  LinkedData other;    // from any other object
  std::u16string created;
};

// Comments, reviews and media carry dates and authors of their own.
bool IsAside(const JsonValue& object) {
  return TypeContains(object, u"Comment") || TypeContains(object, u"Review") ||
         TypeContains(object, u"Object");
}

void Collect(const JsonValue& value, Found& found) {
  if (value.kind == JsonValue::Kind::kObject) {
    if (IsAside(value)) return;
    const bool article = IsArticle(value);
    LinkedData& data = article ? found.article : found.other;
    if (data.published.empty()) data.published = StringOf(value.Find(u"datePublished"));
    if (found.created.empty()) found.created = StringOf(value.Find(u"dateCreated"));
    const JsonValue* author = value.Find(u"author");
    if (author && data.author.empty() && (article || TypeContains(value, u"Page"))) {
      AuthorNames(*author, data.author);
    }
  }
  for (const JsonValue& item : value.items) Collect(item, found);
}

void FillFrom(const std::u16string& value, std::u16string& field) {
  if (field.empty()) field = value;
}

}  // namespace

void ReadLinkedData(std::u16string_view json, LinkedData& data) {
  JsonValue root;
  JsonReader(json).ReadDocument(root);
  Found found;
  Collect(root, found);
  FillFrom(found.article.published, data.published);
  FillFrom(found.other.published, data.published);
  FillFrom(found.created, data.published);
  FillFrom(found.article.author, data.author);
  FillFrom(found.other.author, data.author);
}

}  // namespace korvane::reference
