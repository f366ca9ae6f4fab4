// SPDX-License-Identifier: Apache-2.0
// Where ICU's converters part from the tables browsers decode with (the
// indexes of the WHATWG Encoding Standard): the differences, small tables
// that make every encoding decode byte for byte as browsers decode it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/charset.h"

namespace korvane::cli {

// A byte sequence (its bytes as one big-endian number) and what it decodes to.
struct SequenceText {
  uint32_t bytes;
  std::u16string_view text;
};

// A code unit that a converter gives and what browsers give instead.
struct UnitText {
  char16_t unit;
  std::u16string_view text;
};

struct IcuCorrections {
  std::span<const SequenceText> added;  // refused by the converter, mapped by browsers
  std::span<const UnitText> remapped;   // mapped otherwise by browsers
  bool private_use_is_error = false;    // browsers map no sequence to private use
  bool c1_is_error = false;             // browsers map no byte to a C1 control
  // Sequences the converter maps and browsers refuse, each one error; they
  // are given to the converter as `refused_as`, which it refuses alike.
  std::span<const std::string_view> refused;
  std::string_view refused_as;
};

// Big5 bytes with the lead byte of each pair that ICU maps to private use
// and browsers refuse, where the second byte is ASCII, made 0x80: ICU then
// refuses the lead alone and reads the ASCII byte again, as browsers do.
std::string WithBig5PrivateUseRefused(std::string_view bytes, const Charset& charset);

// The corrections of a multi-byte encoding decoded with ICU; nothing for
// others.
const IcuCorrections* CorrectionsFor(const Charset& charset);

// What bytes 0x80 to 0xFF decode to in a single-byte encoding of the
// browsers' table (U+FFFD where browsers give an error); nothing for other
// encodings.
const std::array<char16_t, 128>* SingleByteTable(const Charset& charset);

}  // namespace korvane::cli
