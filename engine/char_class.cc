#include "char_class.h"

namespace korvane {

uint8_t CharClass(char16_t unit) {
  if ((unit >= 0x4E00 && unit <= 0x9FA5) || (unit >= 0xF900 && unit <= 0xFA2D)) {
    return kIdeograph;
  }
  if (unit >= u'0' && unit <= u'9') return kDigit;
  if (unit >= u'a' && unit <= u'z') return kLowerLetter;
  return kNotCounted;
}

}  // namespace korvane
