// SPDX-License-Identifier: Apache-2.0
// JSON strings written straight from UTF-16 text, in one pass: escaped as
// nlohmann::json escapes them (byte for byte, so that JSON lines stay what
// they were) and converted to UTF-8 together; and UTF-16 text as UTF-8. Written by hand because the
// body and the record of every page go through it: converting to UTF-8 and
// then escaping took two passes and a string between them.
#pragma once

#include <string>
#include <string_view>

namespace korvane::cli {

// Appends `text` to `out` as a JSON string with its quotes: '"', '\\' and
// the controls below U+0020 escaped ("\b", "\t", "\n", "\f", "\r", else
// "\u00xx"), everything else as UTF-8; a lone surrogate becomes U+FFFD.
void AppendJsonString(std::u16string_view text, std::string& out);

// What AppendJsonString writes between the quotes.
void AppendJsonStringContent(std::u16string_view text, std::string& out);

// Appends `text` to `out` as UTF-8, a lone surrogate as U+FFFD.
void AppendUtf8(std::u16string_view text, std::string& out);

}  // namespace korvane::cli
