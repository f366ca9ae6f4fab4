// SPDX-License-Identifier: Apache-2.0
// Bytes in memory handed out in chunks of chosen sizes, so that records,
// lines and gzip members end anywhere within a read.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "input/byte_reader.h"

namespace korvane::test_support {

class ChunkedReader final : public cli::ByteReader {
 public:
  // Every read hands out at most `chunk` bytes.
  ChunkedReader(std::string_view bytes, size_t chunk) : bytes_(bytes), sizes_{chunk} {}

  // Each byte of `sizes` in turn gives the most that one read hands out (0:
  // as much as asked for); no sizes: as much as asked for, always.
  ChunkedReader(std::string_view bytes, std::string_view sizes) : bytes_(bytes) {
    for (const char size : sizes) sizes_.push_back(static_cast<uint8_t>(size));
  }

  size_t Read(char* buffer, size_t size) override {
    size_t step = std::min(size, bytes_.size() - pos_);
    if (!sizes_.empty()) {
      const size_t chosen = sizes_[reads_++ % sizes_.size()];
      if (chosen > 0) step = std::min(step, chosen);
    }
    std::copy_n(bytes_.data() + pos_, step, buffer);
    pos_ += step;
    return step;
  }

  uint64_t consumed() const override { return pos_; }

 private:
  std::string bytes_;
  std::vector<size_t> sizes_;
  size_t pos_ = 0;
  size_t reads_ = 0;
};

}  // namespace korvane::test_support
