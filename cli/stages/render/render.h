// SPDX-License-Identifier: Apache-2.0
// The JSON lines of the batch output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "decode/decode.h"
#include "input/input.h"
#include "korvane.h"

namespace korvane::cli {

// {"id"?, "source", "encoding", "replaced", "algorithm", "truncated"?,
// "title", "headline", "images", "image_urls", "body", "record"} and a LF.
// "id" is the input's as given; "source" is escaped as messages show it
// (EscapedName); "truncated" is there, true, when the page was longer than
// the block algorithm examines. Image URLs are resolved against the page's
// URL, else `base_url`; a source that stays relative or resolves to
// anything but an http, https or ftp URL (javascript:, data:, file: ...) is
// null.
// The record ("record") is FormatRecord(article), written from its pieces.
std::string PageJsonLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::string_view base_url, bool truncated);

// FormatRecord(article) in UTF-8, a lone surrogate as U+FFFD.
std::string RecordUtf8(const Article& article);

// The "image_urls" entry of an image `source` (UTF-8): resolved against
// `base`, the page's URL or else --base-url; nothing (null) when it stays
// relative or is not an http, https or ftp URL.
std::optional<std::string> ImageUrl(std::string_view base, std::string_view source);

// {"id"?, "source", "error"} and a LF.
std::string ErrorJsonLine(const Input& input, std::string_view error);

}  // namespace korvane::cli
