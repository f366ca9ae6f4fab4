// SPDX-License-Identifier: Apache-2.0
// Bytes read ahead on a thread of their own, so that the reader below (a
// gzip member's inflating, the slowest step of reading a compressed crawl)
// runs beside the stages above it rather than in turn with them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "input/byte_reader.h"

namespace korvane::cli {

class ReadAhead final : public ByteReader {
 public:
  // Reads `source` in blocks of `block_size` bytes, at most `blocks` ahead
  // of what has been taken. The bytes, and any error of `source` after
  // them, come out exactly as `source` gives them. `source` must not block
  // for long (a file, not a pipe): the destructor waits for its read.
  explicit ReadAhead(std::unique_ptr<ByteReader> source, size_t block_size = 256 * 1024,
                     size_t blocks = 4);
  ~ReadAhead() override;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  size_t Read(char* buffer, size_t size) override;
  // Of the source, as far as the bytes taken so far.
  uint64_t consumed() const override { return taken_consumed_; }
  // The source's, once a block has been taken whole; within a block, not
  // known, so false.
  bool Verified() const override { return taken_ == current_.bytes.size() && current_.verified; }

 private:
  struct Block {
    std::string bytes;
    uint64_t consumed = 0;     // the source's, after these bytes
    std::exception_ptr error;  // the source failed after these bytes
    bool last = false;         // the source ended (or failed) here
    bool verified = true;      // the source's Verified() after these bytes
  };

  void Fill();
  Block ReadBlock();

  std::unique_ptr<ByteReader> source_;
  const size_t block_size_;
  const size_t blocks_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  std::deque<std::string> spare_;  // emptied blocks, for their memory
  bool stop_ = false;
  Block current_;
  size_t taken_ = 0;  // of current_.bytes
  uint64_t taken_consumed_ = 0;
  std::thread filler_;
};

}  // namespace korvane::cli
