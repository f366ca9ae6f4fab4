// SPDX-License-Identifier: Apache-2.0
// The whole run: inputs → decode and convert on a worker pool → output.
#pragma once

#include "options.h"

namespace korvane::cli {

// Returns the exit status.
int Run(const Options& options);

}  // namespace korvane::cli
