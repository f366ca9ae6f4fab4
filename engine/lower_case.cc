#include "lower_case.h"

#include <unicode/uchar.h>

#include <array>

namespace korvane {
namespace {

using LowerTable = std::array<char16_t, 0x10000>;

// The simple mapping of a BMP code point never leaves the BMP, so one table
// of code units answers for every unit, surrogates included (they map to
// themselves).
LowerTable BuildLowerTable() {
  LowerTable table{};
  for (UChar32 unit = 0; unit <= 0xFFFF; ++unit) {
    table[unit] = static_cast<char16_t>(u_tolower(unit));
  }
  return table;
}

const LowerTable& Lower() {
  static const LowerTable table = BuildLowerTable();
  return table;
}

}  // namespace

void LowerCaseInto(std::u16string_view text, std::u16string& lower) {
  const LowerTable& table = Lower();
  lower.resize(text.size());
  for (size_t i = 0; i < text.size(); ++i) lower[i] = table[text[i]];
}

std::u16string LowerCase(std::u16string_view text) {
  std::u16string lower;
  LowerCaseInto(text, lower);
  return lower;
}

}  // namespace korvane
