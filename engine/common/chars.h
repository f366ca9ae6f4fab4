// SPDX-License-Identifier: Apache-2.0
// The character classes of the dom algorithm and its metadata readers, each
// defined once. (The block algorithm's CharClass is its own measure.)
#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

// Chinese characters: the unified ideographs, extension A and the
// compatibility block.
constexpr bool IsCjk(char16_t unit) {
  return (unit >= 0x4E00 && unit <= 0x9FFF) || (unit >= 0x3400 && unit <= 0x4DBF) ||
         (unit >= 0xF900 && unit <= 0xFAFF);
}

constexpr bool IsAsciiDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }
constexpr bool IsAsciiUpper(char16_t unit) { return unit >= u'A' && unit <= u'Z'; }
constexpr bool IsAsciiLetter(char16_t unit) {
  return IsAsciiUpper(unit) || (unit >= u'a' && unit <= u'z');
}
constexpr bool IsAsciiAlnum(char16_t unit) { return IsAsciiLetter(unit) || IsAsciiDigit(unit); }

// A-Z to a-z; every other unit as it is.
constexpr char16_t AsciiLower(char16_t unit) {
  return IsAsciiUpper(unit) ? static_cast<char16_t>(unit + (u'a' - u'A')) : unit;
}

// The value of an ASCII or full-width digit; -1 for any other unit.
constexpr int DigitValue(char16_t unit) {
  if (IsAsciiDigit(unit)) return unit - u'0';
  if (unit >= 0xFF10 && unit <= 0xFF19) return unit - 0xFF10;
  return -1;
}

// The value of an ASCII hexadecimal digit in either case; -1 for others.
constexpr int HexDigitValue(char16_t unit) {
  if (IsAsciiDigit(unit)) return unit - u'0';
  const char16_t lower = AsciiLower(unit);
  if (lower >= u'a' && lower <= u'f') return lower - u'a' + 10;
  return -1;
}

// ASCII whitespace as HTML counts it.
constexpr bool IsHtmlSpace(char16_t unit) {
  return unit == u' ' || unit == u'\n' || unit == u'\t' || unit == u'\r' || unit == u'\f';
}

// Blanks: HTML's whitespace, vertical tab, no-break space, ideographic space
// and the other Unicode spaces.
constexpr bool IsBlank(char16_t unit) {
  if (unit <= 0x20) return unit == 0x20 || (unit >= 0x09 && unit <= 0x0D);
  if (unit < 0xA0) return false;
  return unit == 0xA0 || unit == 0x1680 || (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 ||
         unit == 0x2029 || unit == 0x202F || unit == 0x205F || unit == 0x3000;
}

constexpr bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

// What text output squeezes into one space: blanks and control characters.
// Letters and ideographs, most units of a page, are told apart first.
constexpr bool IsBlankOrControl(char16_t unit) {
  return unit <= 0x20 || (unit >= 0x7F && unit <= 0x3000 && (unit < 0xA0 || IsBlank(unit)));
}

// `text` without HTML's whitespace at either end.
constexpr std::u16string_view TrimHtmlSpace(std::u16string_view text) {
  while (!text.empty() && IsHtmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsHtmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// `text` without blanks at either end.
constexpr std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where the blanks that start at `at` end.
constexpr size_t SkipBlanks(std::u16string_view text, size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

}  // namespace korvane
