// SPDX-License-Identifier: Apache-2.0
// Python's str and the engine's UTF-16 code units.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::python {

// The code units of a str: characters beyond the BMP as surrogate pairs, a
// lone surrogate as its own unit (a str may hold one; the engine takes it).
std::u16string Utf16FromStr(pybind11::handle text);

// Whether a str takes more than `limit` bytes in UTF-8 (a lone surrogate as
// U+FFFD, 3 bytes): only strings near the limit are counted.
bool Utf8LargerThan(pybind11::handle text, uint64_t limit);

// A str as UTF-8 for the command line's stages (labels, URLs): a lone
// surrogate becomes U+FFFD.
std::string Utf8FromStr(pybind11::handle text);

// Code units as a str: a lone surrogate (the engine leaves one where it cuts
// through a pair) becomes U+FFFD, as the command line writes it.
pybind11::str StrFromUtf16(std::u16string_view text);

}  // namespace korvane::python
