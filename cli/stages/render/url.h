// SPDX-License-Identifier: Apache-2.0
// Resolution of a reference (an image source) against a base URL, as
// browsers resolve it (the URL Standard's parser, for the schemes with hosts).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::cli {

// The absolute URL that `reference` names on a page at `base`, serialized as
// browsers serialize it: scheme and host in lower case, an international
// host in punycode (UTS 46, nontransitional), IPv4 and IPv6 hosts in their
// plain form, default ports left out, "." and ".." segments resolved, and
// path, query and fragment percent-encoded as the URL Standard's sets say.
// Nothing when neither has a scheme, or when the host or the port is invalid
// ("http://ex ample/"). A reference of a scheme without hosts ("data:",
// "javascript:") is given as it is. As browsers do, controls and blanks
// around either are ignored, and tabs and line breaks within them removed.
std::optional<std::string> ResolveUrl(std::string_view base, std::string_view reference);

// An http, https or ftp URL (any letter case): one that names a resource to
// fetch, not code or inline data.
bool IsWebUrl(std::string_view url);

}  // namespace korvane::cli
