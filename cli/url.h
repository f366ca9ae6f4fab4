// Resolution of a reference (an image source) against a base URL, as RFC 3986
// section 5 describes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

// The absolute URL that `reference` names on a page at `base`. Nothing when
// neither has a scheme. Surrounding white space of the reference is ignored.
std::optional<std::string> ResolveUrl(std::string_view base, std::string_view reference);

}  // namespace korvane::cli
