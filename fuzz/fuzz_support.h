// SPDX-License-Identifier: Apache-2.0
// What the fuzz targets share: the fuzzer's bytes read from the front, texts
// built from them, and checks that stop the run when they fail.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace korvane::fuzz {

// Stops the run with `what` on standard error when `holds` is false; the
// fuzzer then keeps the input that did it.
void Require(bool holds, const char* what);

// The fuzzer's bytes, taken from the front.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next byte, 0 when none is left.
  uint8_t Byte();
  // Up to `size` bytes.
  std::string_view Take(size_t size);
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Each pair of bytes as one UTF-16 code unit, low byte first.
std::u16string Units(std::string_view bytes);

// A text of the pieces that the engine reacts to: a byte below 0x80 is that
// ASCII character, a byte from 0x80 a piece (a tag, an entity, a marker, a
// run of dense text, a surrogate...), 0xFF and the two bytes after it one
// code unit. Stops before `max_units`.
std::u16string PieceText(std::string_view bytes, size_t max_units);

// The bytes that PieceText turns into `pieces` joined: a piece of its table
// becomes its byte, anything else goes unit by unit (ASCII as itself, other
// units after 0xFF).
std::string PieceBytes(std::initializer_list<std::u16string_view> pieces);

// Fixed markers for the rewriting procedures: empty, the engine's own, and
// short ones that overlap themselves and each other.
std::u16string_view Marker(uint8_t index);

}  // namespace korvane::fuzz
