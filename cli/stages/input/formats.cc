// SPDX-License-Identifier: Apache-2.0
#include "input/formats.h"

#include <cstdint>

namespace korvane::cli {
namespace {

uint32_t LittleEndian32(std::string_view bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  return value;
}

constexpr uint32_t kZstdFrame = 0xFD2FB528;
constexpr uint32_t kSkippableFrame = 0x184D2A50;  // to 0x184D2A5F

// bzip2: "BZh", the block size, then the magic of a block or of the end.
bool IsBzip2(std::string_view bytes) {
  if (bytes.size() < 10 || !bytes.starts_with("BZh") || bytes[3] < '1' || bytes[3] > '9') {
    return false;
  }
  const std::string_view block = bytes.substr(4, 6);
  return block == "\x31\x41\x59\x26\x53\x59" || block == "\x17\x72\x45\x38\x50\x90";
}

}  // namespace

bool IsZstd(std::string_view bytes) {
  if (bytes.size() < 4) return false;
  const uint32_t magic = LittleEndian32(bytes);
  return magic == kZstdFrame || (magic & 0xFFFFFFF0) == kSkippableFrame;
}

std::optional<std::string_view> CompressedFormat(std::string_view bytes) {
  struct Magic {
    std::string_view bytes;
    std::string_view format;
  };
  static constexpr Magic kMagics[] = {
      {"\x1f\x8b", "gzip"},
      {std::string_view("\xFD"
                        "7zXZ\x00",
                        6),
       "xz"},
      {"\x1f\x9d", "compress (.Z)"},
      {"\x04\x22\x4D\x18", "lz4"},
      {"LZIP", "lzip"},
      {"7z\xBC\xAF\x27\x1C", "7z"},
      {"PK\x03\x04", "zip"},
      {"Rar!\x1A\x07", "rar"},
  };
  for (const Magic& magic : kMagics) {
    if (bytes.starts_with(magic.bytes)) return magic.format;
  }
  if (IsZstd(bytes)) return "zstd";
  if (IsBzip2(bytes)) return "bzip2";
  return std::nullopt;
}

}  // namespace korvane::cli
