// SPDX-License-Identifier: Apache-2.0
// Bytes of a page → its UTF-16 text, in the charset that browsers and real
// Chinese pages agree on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decode/charset.h"

namespace korvane::cli {

// What picked a page's charset.
enum class CharsetSource {
  kForced,     // --encoding
  kText,       // the bytes were text already (a JSON string)
  kBom,        // a byte order mark
  kUtf8Bytes,  // valid UTF-8 with multi-byte sequences
  kHttp,       // the HTTP Content-Type
  kMeta,       // a <meta> in the first bytes
  kAscii,      // pure ASCII, read as UTF-8
  kDetected,   // ICU's detection
  kDefault,    // nothing else: UTF-8
};

// As messages show it: "--encoding", "bom", "utf-8", "meta", ...
std::string_view CharsetSourceName(CharsetSource source);

struct DecodeHints {
  std::optional<Charset> forced;  // --encoding: overrides everything
  std::string_view http_charset;  // label from an HTTP Content-Type
  bool is_text = false;           // the bytes are UTF-8 already (JSON input)
};

struct DecodedPage {
  std::u16string text;
  std::string encoding;  // the charset's reported name
  CharsetSource source = CharsetSource::kDefault;
  int64_t replaced = 0;  // invalid byte sequences written as U+FFFD
  std::string error;     // not a page (binary data): text is empty
};

// In this order: --encoding; a byte order mark; bytes that are valid UTF-8
// with multi-byte sequences; the HTTP charset; a <meta> charset; ICU's
// detection; UTF-8. Valid UTF-8 always decodes to exactly its text, unless
// it is ASCII declared or detected as ISO-2022-JP or as a label that browsers
// replace (the two 7-bit encodings that read ASCII otherwise).
DecodedPage Decode(std::string_view bytes, const DecodeHints& hints);

// Decode into `page`, whose text keeps its memory: a thread that decodes
// page after page into the same DecodedPage allocates nothing once warm.
void DecodeInto(std::string_view bytes, const DecodeHints& hints, DecodedPage& page);

}  // namespace korvane::cli
