// SPDX-License-Identifier: Apache-2.0
// The whole conversion against the reference, on short pages built from the
// pieces that the engine reacts to. The reference takes time quadratic in
// the length: pages stay short.
#include "block/reference.h"
#include "fuzz_support.h"
#include "korvane.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kMaxUnits = 4096;
  const std::u16string page =
      korvane::fuzz::PieceText({reinterpret_cast<const char*>(data), size}, kMaxUnits);
  korvane::fuzz::Require(korvane::HtmlToText(page) == korvane::reference::HtmlToText(page),
                         "HtmlToText matches the reference");
  return 0;
}
