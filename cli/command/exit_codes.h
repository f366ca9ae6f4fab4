// SPDX-License-Identifier: Apache-2.0
// The exit statuses of korvane.
#pragma once

namespace korvane::cli {

inline constexpr int kExitOk = 0;      // every input was converted
inline constexpr int kExitFailed = 1;  // some input failed, or the output could not be written
inline constexpr int kExitUsage = 2;   // bad usage
// After SIGINT or SIGTERM: 128 + the signal, as shells report a process
// that the signal ended.
inline constexpr int kExitSignalBase = 128;

}  // namespace korvane::cli
