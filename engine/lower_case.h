#pragma once

#include <string>
#include <string_view>

namespace korvane {

// Unicode simple lower-case mapping, one code unit in, one out; surrogate
// code units stay as they are.
char16_t LowerCaseUnit(char16_t unit);

std::u16string LowerCase(std::u16string_view text);

}  // namespace korvane
