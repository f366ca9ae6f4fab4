// SPDX-License-Identifier: Apache-2.0
// The "html" member of a JSON line, read without the general JSON parser:
// the page is most of a line's bytes, and the parser reads a string one
// character at a time, several times slower than the page is converted.
// Written by hand for that speed; whatever it is not sure of, it leaves to
// the parser.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

struct HtmlMember {
  size_t begin = 0;  // the string in the line, its quotes included
  size_t end = 0;
  std::string text;  // decoded
};

// The "html" member of `line` when it is a string that the parser would
// read as `text`: the line is an object whose top-level keys hold no
// escapes and name "html" once, and the string's escapes, characters and
// UTF-8 are valid. Nothing otherwise; the rest of the line is not checked.
std::optional<HtmlMember> ReadHtmlMember(std::string_view line);

}  // namespace korvane::cli
