// SPDX-License-Identifier: Apache-2.0
// Zstandard data inflated with libzstd: frames one after another, as zstd
// WARC files hold them (one frame per record) and as servers send a "zstd"
// Content-Encoding.
#pragma once

#include <zstd.h>

#include <cstdint>
#include <memory>
#include <string>

#include "input/byte_reader.h"

namespace korvane::cli {

class ZstdReader final : public ByteReader {
 public:
  // A leading skippable frame with the magic 0x184D2A5D holds the
  // dictionary of the frames after it (zstd-compressed itself or not), as
  // the zstd WARC format puts it; one larger than `max_dictionary` bytes
  // is an error. Other skippable frames are passed over.
  explicit ZstdReader(std::unique_ptr<ByteReader> compressed,
                      uint64_t max_dictionary = uint64_t{64} << 20);
  ~ZstdReader() override;
  ZstdReader(const ZstdReader&) = delete;
  ZstdReader& operator=(const ZstdReader&) = delete;

  // Throws InputError for data that is not zstd, a frame whose checksum does
  // not match, or data cut short inside a frame.
  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return compressed_->consumed() - (in_.size - in_.pos); }
  // True at the end of each frame, once its checksum (if it has one) was read.
  bool Verified() const override { return verified_; }

 private:
  bool Refill();
  bool Have(size_t size);
  void LoadDictionary();
  std::string TakeBytes(size_t size);
  [[noreturn]] void Fail(std::string reason);

  std::unique_ptr<ByteReader> compressed_;
  uint64_t max_dictionary_;
  ZSTD_DCtx* context_;
  std::string input_;
  ZSTD_inBuffer in_{nullptr, 0, 0};
  bool started_ = false;
  bool in_frame_ = false;
  bool verified_ = true;
  std::string pending_error_;  // thrown by the next Read
};

}  // namespace korvane::cli
