// SPDX-License-Identifier: Apache-2.0
// The whole conversion on any text at all: the bytes as UTF-16 code units.
#include "fuzz_support.h"
#include "record_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  korvane::fuzz::ConvertAndCheck(korvane::fuzz::Units({reinterpret_cast<const char*>(data), size}));
  return 0;
}
