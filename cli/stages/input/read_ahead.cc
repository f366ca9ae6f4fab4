// SPDX-License-Identifier: Apache-2.0
#include "input/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace korvane::cli {

ReadAhead::ReadAhead(std::unique_ptr<ByteReader> source, size_t block_size, size_t blocks)
    : source_(std::move(source)), block_size_(block_size), blocks_(blocks) {
  filler_ = std::thread([this] { Fill(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  filler_.join();
}

ReadAhead::Block ReadAhead::ReadBlock() {
  Block block;
  {
    std::lock_guard lock(mutex_);
    if (!spare_.empty()) {
      block.bytes = std::move(spare_.front());
      spare_.pop_front();
    }
  }
  size_t filled = 0;
  // Any failure, running out of memory included, is the reader's to hear:
  // an exception leaving this thread would end the program.
  try {
    block.bytes.resize(block_size_);
    while (filled < block_size_) {
      const size_t got = source_->Read(block.bytes.data() + filled, block_size_ - filled);
      if (got == 0) {
        block.last = true;
        break;
      }
      filled += got;
    }
  } catch (...) {
    block.error = std::current_exception();
    block.last = true;
  }
  block.bytes.resize(filled);
  block.consumed = source_->consumed();
  block.verified = source_->Verified();
  return block;
}

void ReadAhead::Fill() {
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stop_ || ready_.size() < blocks_; });
      if (stop_) return;
    }
    Block block = ReadBlock();
    const bool last = block.last;
    {
      std::lock_guard lock(mutex_);
      ready_.push_back(std::move(block));
    }
    changed_.notify_all();
    if (last) return;
  }
}

size_t ReadAhead::Read(char* buffer, size_t size) {
  while (taken_ == current_.bytes.size()) {
    if (current_.last) {
      if (current_.error) std::rethrow_exception(current_.error);
      return 0;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !ready_.empty(); });
    spare_.push_back(std::move(current_.bytes));
    current_ = std::move(ready_.front());
    ready_.pop_front();
    taken_ = 0;
    lock.unlock();
    changed_.notify_all();
  }
  const size_t step = std::min(size, current_.bytes.size() - taken_);
  std::memcpy(buffer, current_.bytes.data() + taken_, step);
  taken_ += step;
  if (taken_ == current_.bytes.size()) taken_consumed_ = current_.consumed;
  return step;
}

}  // namespace korvane::cli
