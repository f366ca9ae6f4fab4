// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace korvane {

// Working buffers are kept per thread from one conversion to the next, so
// that a batch of pages does not map and fault in fresh memory for every
// page; one that grew past this many units (a huge page) is given back.
constexpr size_t kKeptScratchUnits = size_t{1} << 21;

struct ScratchPair {
  std::u16string text;
  std::u16string spare;
};

inline void GiveBackIfHuge(std::u16string& buffer) {
  if (buffer.capacity() > kKeptScratchUnits) std::u16string().swap(buffer);
}

inline void GiveBackIfHuge(ScratchPair& pair) {
  GiveBackIfHuge(pair.text);
  GiveBackIfHuge(pair.spare);
}

}  // namespace korvane
