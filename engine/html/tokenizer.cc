// SPDX-License-Identifier: Apache-2.0
#include "html/tokenizer.h"

#include <algorithm>
#include <limits>

#include "common/text_search.h"

namespace korvane {
namespace {

constexpr size_t kMaxPage = std::numeric_limits<uint32_t>::max() - 1;

bool IsAsciiLetter(char16_t unit) {
  return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

bool EndsTagName(char16_t unit) { return IsHtmlSpace(unit) || unit == u'/' || unit == u'>'; }

uint32_t U32(size_t value) { return static_cast<uint32_t>(value); }

}  // namespace

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

HtmlTokenizer::HtmlTokenizer(std::u16string_view page, std::vector<Attribute>& attributes)
    : page_(page.substr(0, kMaxPage)), attributes_(&attributes) {}

// "<" opens markup before a letter, "/", "!" or "?"; otherwise it is text.
bool HtmlTokenizer::StartsMarkup(size_t at) const {
  if (at + 1 >= page_.size()) return false;
  const char16_t next = page_[at + 1];
  return IsAsciiLetter(next) || next == u'/' || next == u'!' || next == u'?';
}

// Returns where the comment, doctype or bogus comment at `at` ends.
size_t HtmlTokenizer::SkipComment(size_t at) const {
  if (page_.substr(at, 4) == u"<!--") {
    // "<!-->" and "<!--->" are whole (empty) comments.
    if (page_.substr(at + 4, 1) == u">") return at + 5;
    if (page_.substr(at + 4, 2) == u"->") return at + 6;
    const size_t close = Find(page_, u"-->", at + 4);
    return close == kNotFound ? page_.size() : close + 3;
  }
  const size_t close = FindUnit(page_, u'>', at + 1);
  return close == kNotFound ? page_.size() : close + 1;
}

Token HtmlTokenizer::Next() {
  if (raw_text_tag_ != Tag::kUnknown) return RawText();
  while (at_ < page_.size()) {
    if (page_[at_] != u'<' || !StartsMarkup(at_)) {
      size_t end = at_ + 1;
      while ((end = FindUnit(page_, u'<', end)) != kNotFound && !StartsMarkup(end)) ++end;
      if (end == kNotFound) end = page_.size();
      Token text{.kind = TokenKind::kText, .begin = U32(at_), .size = U32(end - at_)};
      at_ = end;
      return text;
    }
    const char16_t next = page_[at_ + 1];
    if (next == u'/' && at_ + 2 >= page_.size()) break;
    if (next == u'!' || next == u'?' || (next == u'/' && !IsAsciiLetter(page_[at_ + 2]))) {
      // "</>" and "</ ..." are skipped like comments.
      at_ = SkipComment(at_);
      continue;
    }
    Token tag;
    if (!ReadTag(at_, tag)) break;
    at_ = tag.begin + tag.size;
    if (tag.kind == TokenKind::kStartTag && Has(tag.tag, kRawText) && !tag.self_closing) {
      raw_text_tag_ = tag.tag;
      raw_text_name_begin_ = tag.begin + 1;
      raw_text_name_size_ = tag.name_size;
    }
    return tag;
  }
  at_ = page_.size();
  return Token{};
}

// A start or end tag at `at`; false when the page ends inside it.
bool HtmlTokenizer::ReadTag(size_t at, Token& token) {
  const bool end_tag = page_[at + 1] == u'/';
  const size_t name_begin = at + (end_tag ? 2 : 1);
  size_t name_end = name_begin;
  while (name_end < page_.size() && !EndsTagName(page_[name_end])) ++name_end;
  token.kind = end_tag ? TokenKind::kEndTag : TokenKind::kStartTag;
  token.begin = U32(at);
  token.name_size = U32(name_end - name_begin);
  token.tag = TagOfName(page_.substr(name_begin, name_end - name_begin));
  size_t cursor = name_end;
  if (!ReadAttributes(cursor, !end_tag, token)) return false;
  token.size = U32(cursor - at);
  return true;
}

// Reads attributes up to and including the ">"; `at` ends after it.
bool HtmlTokenizer::ReadAttributes(size_t& at, bool keep, Token& token) {
  token.first_attribute = U32(attributes_->size());
  const size_t size = page_.size();
  while (true) {
    while (at < size && (IsHtmlSpace(page_[at]) || page_[at] == u'/')) {
      if (page_[at] == u'/' && at + 1 < size && page_[at + 1] == u'>') token.self_closing = true;
      ++at;
    }
    if (at >= size) return false;
    if (page_[at] == u'>') {
      ++at;
      return true;
    }
    // A name may begin with "=", then runs to a blank, "/", ">" or "=".
    const size_t name_begin = at++;
    while (at < size && !EndsTagName(page_[at]) && page_[at] != u'=') ++at;
    Attribute attribute{U32(name_begin), U32(at - name_begin), U32(at), 0};
    size_t after_name = at;
    while (after_name < size && IsHtmlSpace(page_[after_name])) ++after_name;
    if (after_name < size && page_[after_name] == u'=') {
      at = after_name + 1;
      while (at < size && IsHtmlSpace(page_[at])) ++at;
      if (at >= size) return false;
      const char16_t quote = page_[at];
      if (quote == u'"' || quote == u'\'') {
        const size_t close = FindUnit(page_, quote, at + 1);
        if (close == kNotFound) return false;
        attribute.value_begin = U32(at + 1);
        attribute.value_size = U32(close - at - 1);
        at = close + 1;
      } else {
        const size_t value_begin = at;
        while (at < size && !IsHtmlSpace(page_[at]) && page_[at] != u'>') ++at;
        attribute.value_begin = U32(value_begin);
        attribute.value_size = U32(at - value_begin);
      }
    }
    if (keep && token.attribute_count < kMaxAttributes &&
        attributes_->size() < kMaxPageAttributes) {
      attributes_->push_back(attribute);
      ++token.attribute_count;
    }
  }
}

// The content of the raw-text element just opened, up to its end tag.
Token HtmlTokenizer::RawText() {
  const size_t end = RawTextEnd(at_);
  Token text{
      .kind = TokenKind::kRawText, .tag = raw_text_tag_, .begin = U32(at_), .size = U32(end - at_)};
  raw_text_tag_ = Tag::kUnknown;
  at_ = end;
  return text;
}

// Where "</name" followed by a blank, "/" or ">" begins; the page's end when
// it never does.
size_t HtmlTokenizer::RawTextEnd(size_t from) const {
  const std::u16string_view name = page_.substr(raw_text_name_begin_, raw_text_name_size_);
  for (size_t at = from; (at = Find(page_, u"</", at)) != kNotFound; ++at) {
    const size_t name_end = at + 2 + name.size();
    if (name_end < page_.size() && EndsTagName(page_[name_end]) &&
        EqualIgnoringAsciiCase(page_.substr(at + 2, name.size()), name)) {
      return at;
    }
  }
  return page_.size();
}

}  // namespace korvane
