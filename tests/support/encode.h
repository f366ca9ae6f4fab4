// SPDX-License-Identifier: Apache-2.0
// Bytes of a text as the command line meets them: in another charset, or
// compressed as gzip.
#pragma once

#include <string>
#include <string_view>

namespace korvane::test_support {

// `utf8` text in the bytes of the ICU converter `charset` ("gbk", "big5",
// "gb18030", "UTF-16LE", ...).
std::string Encode(std::string_view utf8, const char* charset);

// `bytes` as one gzip member.
std::string Gzip(std::string_view bytes);

}  // namespace korvane::test_support
