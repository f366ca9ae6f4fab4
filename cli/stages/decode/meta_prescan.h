// SPDX-License-Identifier: Apache-2.0
// The charset that an HTML page declares in a <meta> element near its start,
// found the way browsers find it before they parse the page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

// Browsers look at no more than this many bytes for the declaration.
inline constexpr size_t kPrescanLength = 1024;

// The label of <meta charset=...> or of <meta http-equiv="Content-Type"
// content="...; charset=..."> within the first kPrescanLength bytes,
// skipping comments and other tags; the first one that names a label wins.
// `accept` says whether a label names a known charset.
std::optional<std::string> PrescanMetaCharset(std::string_view bytes,
                                              bool (*accept)(std::string_view label));

}  // namespace korvane::cli
