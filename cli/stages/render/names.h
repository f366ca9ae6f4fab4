// SPDX-License-Identifier: Apache-2.0
// Names (paths, URLs, WARC header values) as korvane shows them, on standard
// error and in the JSON "source": one line of text that a terminal only
// prints, and that tells every two names apart.
#pragma once

#include <string>
#include <string_view>

namespace korvane::cli {

// `text` with a backslash written "\\", a byte that is not part of valid
// UTF-8 written "\xHH", a C0 control or DEL "\xHH", and a C1 control, a
// format character (bidirectional controls among them), a line or paragraph
// separator or any other default-ignorable code point "\uHHHH" (beyond
// U+FFFF: "\UHHHHHHHH"); everything else as it is. The result is valid UTF-8, and
// different names never give the same result.
std::string EscapedName(std::string_view text);

}  // namespace korvane::cli
