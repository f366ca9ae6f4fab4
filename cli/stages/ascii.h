// SPDX-License-Identifier: Apache-2.0
// ASCII-only helpers for protocol and markup bytes (headers, labels, tags),
// whose keywords are case-insensitive in ASCII only.
#pragma once

#include <string>
#include <string_view>

namespace korvane::cli {

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLowered(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

// White space as HTML defines it.
inline bool IsHtmlSpace(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

// `prefix` is in lower case.
inline bool StartsWithNoCase(std::string_view text, size_t at, std::string_view prefix) {
  if (at > text.size() || text.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (AsciiLower(text[at + i]) != prefix[i]) return false;
  }
  return true;
}

// Without the blanks, tabs and CRs around it, as header values are read.
inline std::string_view TrimHeaderSpace(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace korvane::cli
