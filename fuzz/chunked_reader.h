// Bytes in memory handed out in chunks whose sizes the fuzzer picks, so that
// records, lines and gzip members end anywhere within a read.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "byte_reader.h"

namespace korvane::fuzz {

class ChunkedReader final : public cli::ByteReader {
 public:
  // Each byte of `sizes` gives the size of one read in turn (0: as much as
  // asked for); no sizes: as much as asked for, always.
  ChunkedReader(std::string_view bytes, std::string_view sizes) : bytes_(bytes), sizes_(sizes) {}

  size_t Read(char* buffer, size_t size) override {
    size_t step = std::min(size, bytes_.size() - pos_);
    if (!sizes_.empty()) {
      const size_t chosen = static_cast<uint8_t>(sizes_[reads_++ % sizes_.size()]);
      if (chosen > 0) step = std::min(step, chosen);
    }
    std::copy_n(bytes_.data() + pos_, step, buffer);
    pos_ += step;
    return step;
  }

  uint64_t consumed() const override { return pos_; }

 private:
  std::string bytes_;
  std::string sizes_;
  size_t pos_ = 0;
  size_t reads_ = 0;
};

}  // namespace korvane::fuzz
