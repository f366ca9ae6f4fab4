// SPDX-License-Identifier: Apache-2.0
#include "html/tokenizer.h"

#include <algorithm>
#include <limits>

#include "common/text_search.h"

namespace korvane {
namespace {

constexpr size_t kMaxPage = std::numeric_limits<uint32_t>::max() - 1;

uint32_t U32(size_t value) { return static_cast<uint32_t>(value); }

}  // namespace

HtmlTokenizer::HtmlTokenizer(std::u16string_view page, std::vector<Attribute>& attributes)
    : page_(page.substr(0, kMaxPage)), attributes_(&attributes) {}

// "<" opens markup before a letter, "/", "!" or "?"; otherwise it is text,
// and so is a "</" that ends the page.
bool HtmlTokenizer::StartsMarkup(size_t at) const {
  if (at + 1 >= page_.size()) return false;
  const char16_t next = page_[at + 1];
  return IsAsciiLetter(next) || (next == u'/' && at + 2 < page_.size()) || next == u'!' ||
         next == u'?';
}

// Returns where the comment, doctype or bogus comment at `at` ends.
size_t HtmlTokenizer::SkipComment(size_t at) const {
  if (page_.substr(at, 4) == u"<!--") {
    // "<!-->" and "<!--->" are whole (empty) comments.
    if (page_.substr(at + 4, 1) == u">") return at + 5;
    if (page_.substr(at + 4, 2) == u"->") return at + 6;
    return CommentEnd(at + 4);
  }
  const size_t close = FindUnit(page_, u'>', at + 1);
  return close == kNotFound ? page_.size() : close + 1;
}

// Where a comment whose text starts at `from` ends: after its first "-->"
// or "--!>", or at the end of the page.
size_t HtmlTokenizer::CommentEnd(size_t from) const {
  for (size_t at = from; (at = Find(page_, u"--", at)) != kNotFound; ++at) {
    if (page_.substr(at + 2, 1) == u">") return at + 3;
    if (page_.substr(at + 2, 2) == u"!>") return at + 4;
  }
  return page_.size();
}

// The text of the CDATA section at the cursor, up to its "]]>" or the end
// of the page; false when it is empty.
bool HtmlTokenizer::ReadCdata(Token& token) {
  constexpr size_t kOpen = 9;  // "<![CDATA["
  const size_t begin = at_ + kOpen;
  const size_t close = Find(page_, u"]]>", begin);
  const size_t end = close == kNotFound ? page_.size() : close;
  at_ = close == kNotFound ? page_.size() : close + 3;
  token = Token{.kind = TokenKind::kRawText, .begin = U32(begin), .size = U32(end - begin)};
  return end > begin;
}

Token HtmlTokenizer::Next() {
  if (raw_text_tag_ != Tag::kUnknown) return RawText();
  if (title_cut_short_) {
    // The end tag that an unclosed <title> lacked, so that what follows it
    // is the page again.
    title_cut_short_ = false;
    return Token{.kind = TokenKind::kEndTag, .tag = Tag::kTitle, .begin = U32(at_)};
  }
  while (at_ < page_.size()) {
    if (page_[at_] != u'<' || !StartsMarkup(at_)) {
      // The "&"s are noted on the way, so that the tree need not look again.
      bool reference = page_[at_] == u'&';
      size_t end = at_ + 1;
      for (; (end = FindEither(page_, u'<', u'&', end)) != kNotFound; ++end) {
        if (page_[end] == u'&') {
          reference = true;
        } else if (StartsMarkup(end)) {
          break;
        }
      }
      if (end == kNotFound) end = page_.size();
      Token text{.kind = TokenKind::kText,
                 .has_reference = reference,
                 .begin = U32(at_),
                 .size = U32(end - at_)};
      at_ = end;
      return text;
    }
    const char16_t next = page_[at_ + 1];
    if (next == u'!' && foreign_node_ && page_.substr(at_, 9) == u"<![CDATA[") {
      Token text;
      if (ReadCdata(text)) return text;
      continue;
    }
    if (next == u'!' || next == u'?' || (next == u'/' && !IsAsciiLetter(page_[at_ + 2]))) {
      // "</>" and "</ ..." are skipped like comments.
      at_ = SkipComment(at_);
      continue;
    }
    Token tag;
    if (!ReadTag(at_, tag)) break;
    at_ = tag.begin + tag.size;
    if (tag.kind == TokenKind::kStartTag && Has(tag.tag, kRawText) && !tag.self_closing &&
        html_elements_) {
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
  token.tag = ReadTagName(page_, name_begin, name_end);
  token.kind = end_tag ? TokenKind::kEndTag : TokenKind::kStartTag;
  token.begin = U32(at);
  token.name_size = U32(name_end - name_begin);
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
  // Nothing ends a <plaintext>: the rest of the page is its text.
  size_t end = raw_text_tag_ == Tag::kScript      ? ScriptEnd(at_)
               : raw_text_tag_ == Tag::kPlaintext ? page_.size()
                                                  : RawTextEnd(at_);
  if (end == page_.size() && raw_text_tag_ == Tag::kTitle) {
    end = UnclosedTitleEnd(at_);
    title_cut_short_ = end < page_.size();
  }
  Token text{
      .kind = TokenKind::kRawText, .tag = raw_text_tag_, .begin = U32(at_), .size = U32(end - at_)};
  raw_text_tag_ = Tag::kUnknown;
  at_ = end;
  return text;
}

// Whether "</name" followed by a blank, "/" or ">" stands at `at`.
bool HtmlTokenizer::EndTagAt(size_t at, std::u16string_view name) const {
  const size_t name_end = at + 2 + name.size();
  return name_end < page_.size() && page_.substr(at, 2) == u"</" && EndsTagName(page_[name_end]) &&
         EqualIgnoringAsciiCase(page_.substr(at + 2, name.size()), name);
}

// Where the element's end tag begins; the page's end when it has none.
size_t HtmlTokenizer::RawTextEnd(size_t from) const {
  const std::u16string_view name = page_.substr(raw_text_name_begin_, raw_text_name_size_);
  for (size_t at = from; (at = Find(page_, u"</", at)) != kNotFound; ++at) {
    if (EndTagAt(at, name)) return at;
  }
  return page_.size();
}

// Where a script's end tag begins, as browsers read a script: after "<!--"
// and until "-->", a "<script" opens a nested one, whose "</script" does
// not end the script ('<!--document.write("<script></script>");-->').
size_t HtmlTokenizer::ScriptEnd(size_t from) const {
  enum class State { kData, kEscaped, kDoubleEscaped };
  constexpr std::u16string_view kName = u"script";
  State state = State::kData;
  size_t at = from;
  while (at < page_.size()) {
    if (state == State::kData) {
      if ((at = FindUnit(page_, u'<', at)) == kNotFound) break;
    } else {
      while (at < page_.size() && page_[at] != u'<' && page_[at] != u'-') ++at;
      if (at == page_.size()) break;
      if (page_[at] == u'-') {
        const bool leaves = page_.substr(at, 3) == u"-->";
        if (leaves) state = State::kData;
        at += leaves ? 3 : 1;
        continue;
      }
    }
    const bool end_tag = EndTagAt(at, kName);
    if (end_tag && state != State::kDoubleEscaped) return at;
    if (state == State::kData && page_.substr(at, 4) == u"<!--") {
      state = State::kEscaped;
      at += 2;  // its "--" may end it at once: "<!-->"
    } else if (state == State::kEscaped && at + 1 + kName.size() < page_.size() &&
               EqualIgnoringAsciiCase(page_.substr(at + 1, kName.size()), kName) &&
               EndsTagName(page_[at + 1 + kName.size()])) {
      state = State::kDoubleEscaped;
      at += 1 + kName.size();
    } else if (end_tag) {
      state = State::kEscaped;
      at += 2 + kName.size();
    } else {
      ++at;
    }
  }
  return page_.size();
}

// A <title> without an end tag would swallow the whole page: it ends
// instead at the first tag or at the end of its first line of text,
// whichever comes first.
size_t HtmlTokenizer::UnclosedTitleEnd(size_t from) const {
  size_t at = from;
  while (at < page_.size() && IsHtmlSpace(page_[at])) ++at;
  for (; at < page_.size(); ++at) {
    const char16_t unit = page_[at];
    if (unit == u'\n' || unit == u'\r' || (unit == u'<' && StartsMarkup(at))) return at;
  }
  return page_.size();
}

}  // namespace korvane
