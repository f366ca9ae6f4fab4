// SPDX-License-Identifier: Apache-2.0
// A Brotli body (HTTP "br" Content-Encoding) inflated with libbrotli.
#pragma once

#include <brotli/decode.h>

#include <memory>
#include <string>
#include <string_view>

#include "input/byte_reader.h"

namespace korvane::cli {

class BrotliReader final : public ByteReader {
 public:
  explicit BrotliReader(std::unique_ptr<ByteReader> compressed);
  ~BrotliReader() override;
  BrotliReader(const BrotliReader&) = delete;
  BrotliReader& operator=(const BrotliReader&) = delete;

  // The one stream's bytes; what follows its end is not read. Throws
  // InputError for bytes that are not Brotli data or a stream cut short.
  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return compressed_->consumed() - available_; }
  bool Verified() const override { return verified_; }

 private:
  std::unique_ptr<ByteReader> compressed_;
  BrotliDecoderState* state_;
  std::string input_;
  const uint8_t* next_ = nullptr;
  size_t available_ = 0;
  bool started_ = false;
  bool ended_ = false;
  bool verified_ = true;
  std::string pending_error_;
};

// True when `prefix`, the first bytes of a body, can begin Brotli data.
bool BeginsAsBrotli(std::string_view prefix);

}  // namespace korvane::cli
