// SPDX-License-Identifier: Apache-2.0
#include "html/char_refs.h"

#include <algorithm>
#include <cstdint>

#include "common/chars.h"
#include "common/text_search.h"

namespace korvane {
namespace {

struct NamedReference {
  std::string_view name;  // without its ";"
  char16_t units[2];
  uint8_t unit_count;
  bool legacy;  // also a reference without the ";"
};

constexpr NamedReference kNamedReferences[] = {
#include "char_refs_table.inc"
};

constexpr size_t kLongestName = 31;
constexpr size_t kLongestLegacyName = 6;

// What windows-1252 puts at 0x80..0x9F; 0 where it leaves the number as it is.
constexpr char16_t kC1Replacements[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Compares a name in the table with units of the page (ASCII by then).
int Compare(std::string_view name, std::u16string_view units) {
  const size_t common = std::min(name.size(), units.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t a = static_cast<unsigned char>(name[i]);
    if (a != units[i]) return a < units[i] ? -1 : 1;
  }
  if (name.size() == units.size()) return 0;
  return name.size() < units.size() ? -1 : 1;
}

const NamedReference* FindName(std::u16string_view name) {
  const auto* found =
      std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), name,
                       [](const NamedReference& row, std::u16string_view key) {
                         return Compare(row.name, key) < 0;
                       });
  if (found == std::end(kNamedReferences) || Compare(found->name, name) != 0) return nullptr;
  return found;
}

void AppendCodePoint(uint32_t code_point, std::u16string& out) {
  if (code_point == 0 || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    code_point = 0xFFFD;
  } else if (code_point >= 0x80 && code_point <= 0x9F && kC1Replacements[code_point - 0x80]) {
    code_point = kC1Replacements[code_point - 0x80];
  }
  if (code_point < 0x10000) {
    out.push_back(static_cast<char16_t>(code_point));
  } else {
    code_point -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

// A numeric reference at text[at] ("&#..."); returns the units it takes, 0
// when there are no digits (then it is plain text).
size_t DecodeNumeric(std::u16string_view text, size_t at, std::u16string& out) {
  size_t next = at + 2;
  const bool hex = next < text.size() && (text[next] == u'x' || text[next] == u'X');
  if (hex) ++next;
  const size_t digits_begin = next;
  uint32_t value = 0;
  for (; next < text.size(); ++next) {
    const int digit = hex                        ? HexDigitValue(text[next])
                      : IsAsciiDigit(text[next]) ? text[next] - u'0'
                                                 : -1;
    if (digit < 0) break;
    // Saturates: any number beyond Unicode is replaced alike.
    value = std::min<uint32_t>(value * (hex ? 16 : 10) + static_cast<uint32_t>(digit), 0x110000);
  }
  if (next == digits_begin) return 0;
  if (next < text.size() && text[next] == u';') ++next;
  AppendCodePoint(value, out);
  return next - at;
}

// A named reference at text[at]; returns the units it takes, 0 when none
// matches (then the "&" is plain text).
size_t DecodeNamed(std::u16string_view text, size_t at, ReferenceContext context,
                   std::u16string& out) {
  const size_t begin = at + 1;
  size_t end = begin;
  while (end < text.size() && end - begin <= kLongestName && IsAsciiAlnum(text[end])) ++end;
  if (end < text.size() && text[end] == u';' && end - begin <= kLongestName) {
    if (const NamedReference* found = FindName(text.substr(begin, end - begin))) {
      out.append(found->units, found->unit_count);
      return end + 1 - at;
    }
  }
  // Without the ";": the longest legacy name that the text starts with.
  for (size_t length = std::min(end - begin, kLongestLegacyName); length >= 2; --length) {
    const NamedReference* found = FindName(text.substr(begin, length));
    if (found == nullptr || !found->legacy) continue;
    const size_t after = begin + length;
    if (context == ReferenceContext::kAttribute && after < text.size() &&
        (text[after] == u'=' || IsAsciiAlnum(text[after]))) {
      return 0;
    }
    out.append(found->units, found->unit_count);
    return after - at;
  }
  return 0;
}

}  // namespace

void AppendDecoded(std::u16string_view text, ReferenceContext context, std::u16string& out) {
  size_t copied = 0;
  for (size_t at = FindUnit(text, u'&'); at != kNotFound; at = FindUnit(text, u'&', at)) {
    out.append(text.substr(copied, at - copied));
    const bool numeric = at + 1 < text.size() && text[at + 1] == u'#';
    const size_t taken =
        numeric ? DecodeNumeric(text, at, out) : DecodeNamed(text, at, context, out);
    if (taken == 0) {
      out.push_back(u'&');
      ++at;
    } else {
      at += taken;
    }
    copied = at;
  }
  out.append(text.substr(copied));
}

std::u16string DecodeReferences(std::u16string_view text, ReferenceContext context) {
  std::u16string out;
  out.reserve(text.size());
  AppendDecoded(text, context, out);
  return out;
}

}  // namespace korvane
