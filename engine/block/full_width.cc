// SPDX-License-Identifier: Apache-2.0
#include "block/full_width.h"

namespace korvane {
namespace {

char16_t FoldUnit(char16_t unit) {
  if (unit >= u'\uFF10' && unit <= u'\uFF19') return unit - (u'\uFF10' - u'0');
  if (unit >= u'\uFF21' && unit <= u'\uFF3A') return unit - (u'\uFF21' - u'a');
  if (unit >= u'\uFF41' && unit <= u'\uFF5A') return unit - (u'\uFF41' - u'a');
  return unit;
}

}  // namespace

std::u16string FoldFullWidth(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& unit : folded) unit = FoldUnit(unit);
  return folded;
}

}  // namespace korvane
