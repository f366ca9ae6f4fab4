// SPDX-License-Identifier: Apache-2.0
// The JSON lines of the batch output.
#pragma once

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
std::string PageJsonLine(const Input& input, const DecodedPage& decoded, Algorithm algorithm,
                         const Article& article, std::u16string_view record,
                         std::string_view base_url, bool truncated);

// {"id"?, "source", "error"} and a LF.
std::string ErrorJsonLine(const Input& input, std::string_view error);

}  // namespace korvane::cli
