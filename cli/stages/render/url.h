// SPDX-License-Identifier: Apache-2.0
// Resolution of a reference (an image source) against a base URL, as RFC 3986
// section 5 describes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

// The absolute URL that `reference` names on a page at `base`. Nothing when
// neither has a scheme. As browsers do, controls and blanks around either are
// ignored, and tabs and line breaks within them are removed.
std::optional<std::string> ResolveUrl(std::string_view base, std::string_view reference);

// An http, https or ftp URL (any letter case): one that names a resource to
// fetch, not code or inline data.
bool IsWebUrl(std::string_view url);

}  // namespace korvane::cli
