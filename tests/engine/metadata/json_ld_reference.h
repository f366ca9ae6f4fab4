// SPDX-License-Identifier: Apache-2.0
// The reference for the JSON-LD reader: the whole JSON read into a tree of
// values first, then walked from the top. Same rules, step by step: the
// one-pass reader is compared with it by a test and the metadata fuzzer.
#pragma once

#include <string_view>

#include "metadata/json_ld.h"

namespace korvane::reference {

void ReadLinkedData(std::u16string_view json, LinkedData& data);

}  // namespace korvane::reference
