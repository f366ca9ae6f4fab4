// SPDX-License-Identifier: Apache-2.0
// What data is, told by its first bytes: the compressed formats that crawls
// and pages come in.
#pragma once

#include <optional>
#include <string_view>

namespace korvane::cli {

inline bool IsGzip(std::string_view bytes) { return bytes.starts_with("\x1f\x8b"); }

// A zstd frame, or a skippable frame (which holds the dictionary of a zstd
// WARC file).
bool IsZstd(std::string_view bytes);

// "gzip", "zstd", "xz", "bzip2", "zip", ...: the compressed or archive format
// that `bytes` begin with; nothing for other bytes.
std::optional<std::string_view> CompressedFormat(std::string_view bytes);

}  // namespace korvane::cli
