// SPDX-License-Identifier: Apache-2.0
#include "decode/meta_prescan.h"

#include <algorithm>
#include <vector>

#include "ascii.h"
#include "input/http_response.h"

namespace korvane::cli {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

struct Attribute {
  std::string name;
  std::string value;
};

// Walks the bytes of one tag's attributes; names and values come out in
// lower case, which is all that charset labels need.
class AttributeReader {
 public:
  AttributeReader(std::string_view bytes, size_t& position) : bytes_(bytes), pos_(position) {}

  // The next attribute, or nothing at the tag's ">" or the end of the bytes.
  std::optional<Attribute> Next() {
    while (More() && (IsHtmlSpace(Peek()) || Peek() == '/')) ++pos_;
    if (!More() || Peek() == '>') return std::nullopt;
    Attribute attribute;
    while (More()) {
      const char c = Peek();
      if (c == '=' && !attribute.name.empty()) {
        ++pos_;
        return ReadValue(std::move(attribute));
      }
      if (IsHtmlSpace(c)) {
        SkipSpace();
        if (!More()) return std::nullopt;
        if (Peek() != '=') return attribute;
        ++pos_;
        return ReadValue(std::move(attribute));
      }
      if (c == '/' || c == '>') return attribute;
      attribute.name += AsciiLower(c);
      ++pos_;
    }
    return std::nullopt;
  }

 private:
  std::optional<Attribute> ReadValue(Attribute attribute) {
    SkipSpace();
    if (!More()) return std::nullopt;
    const char first = Peek();
    if (first == '"' || first == '\'') {
      for (++pos_; More(); ++pos_) {
        if (Peek() == first) {
          ++pos_;
          return attribute;
        }
        attribute.value += AsciiLower(Peek());
      }
      return std::nullopt;
    }
    if (first == '>') return attribute;
    for (; More(); ++pos_) {
      if (IsHtmlSpace(Peek()) || Peek() == '>') return attribute;
      attribute.value += AsciiLower(Peek());
    }
    return std::nullopt;
  }

  bool More() const { return pos_ < bytes_.size(); }
  char Peek() const { return bytes_[pos_]; }
  void SkipSpace() {
    while (More() && IsHtmlSpace(Peek())) ++pos_;
  }

  std::string_view bytes_;
  size_t& pos_;
};

// The attributes of a <meta> tag, judged as browsers judge them.
std::optional<std::string> MetaCharset(AttributeReader& reader) {
  std::vector<std::string> seen;
  bool got_pragma = false;
  std::optional<bool> need_pragma;
  std::optional<std::string> charset;
  while (std::optional<Attribute> attribute = reader.Next()) {
    if (std::find(seen.begin(), seen.end(), attribute->name) != seen.end()) continue;
    seen.push_back(attribute->name);
    if (attribute->name == "http-equiv") {
      got_pragma = got_pragma || attribute->value == "content-type";
    } else if (attribute->name == "content" && !charset) {
      charset = CharsetFromContentType(attribute->value);
      if (charset) need_pragma = true;
    } else if (attribute->name == "charset") {
      charset = attribute->value;
      need_pragma = false;
    }
  }
  if (!need_pragma || (*need_pragma && !got_pragma)) return std::nullopt;
  return charset;
}

void SkipPast(std::string_view bytes, size_t& position, std::string_view marker) {
  const size_t found = bytes.find(marker, position);
  position = found == std::string_view::npos ? bytes.size() : found + marker.size();
}

}  // namespace

std::optional<std::string> PrescanMetaCharset(std::string_view bytes,
                                              bool (*accept)(std::string_view label)) {
  bytes = bytes.substr(0, std::min(bytes.size(), kPrescanLength));
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes.compare(pos, 4, "<!--") == 0) {
      pos += 2;  // "<!-->" closes at once: the dashes may be shared
      SkipPast(bytes, pos, "-->");
    } else if (StartsWithNoCase(bytes, pos, "<meta") && pos + 5 < bytes.size() &&
               (IsHtmlSpace(bytes[pos + 5]) || bytes[pos + 5] == '/')) {
      pos += 5;
      AttributeReader reader(bytes, pos);
      std::optional<std::string> charset = MetaCharset(reader);
      if (charset && accept(*charset)) return charset;
      ++pos;
    } else if (bytes[pos] == '<' && pos + 1 < bytes.size() &&
               (IsLetter(bytes[pos + 1]) ||
                (bytes[pos + 1] == '/' && pos + 2 < bytes.size() && IsLetter(bytes[pos + 2])))) {
      while (pos < bytes.size() && !IsHtmlSpace(bytes[pos]) && bytes[pos] != '>') ++pos;
      AttributeReader reader(bytes, pos);
      while (reader.Next()) {
      }
      ++pos;
    } else if (bytes.compare(pos, 2, "<!") == 0 || bytes.compare(pos, 2, "</") == 0 ||
               bytes.compare(pos, 2, "<?") == 0) {
      SkipPast(bytes, pos, ">");
    } else {
      ++pos;
    }
  }
  return std::nullopt;
}

}  // namespace korvane::cli
