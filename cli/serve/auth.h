// SPDX-License-Identifier: Apache-2.0
// The bearer token that --token-file asks requests for.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane::serve {

// Shorter tokens can be guessed.
inline constexpr size_t kMinTokenLength = 16;

// The token: the first line of the file at `path`, without the blanks
// around it. Nothing, with the reason in `error`, when the file cannot be
// read or the token is shorter than kMinTokenLength.
std::optional<std::string> ReadTokenFile(const std::string& path, std::string* error);

// True when `authorization` (the header's value, or null) is "Bearer
// <token>". The time taken depends on the lengths only, never on where the
// first differing byte is.
bool Authorized(const char* authorization, std::string_view token);

}  // namespace korvane::serve
