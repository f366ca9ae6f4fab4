// SPDX-License-Identifier: Apache-2.0
// The body of an HTTP response as its server meant it: its transfer and
// content codings undone (chunked, gzip, deflate, br, zstd), as crawlers
// such as wget store bodies the way they were received.
#pragma once

#include <memory>
#include <string>

#include "input/byte_reader.h"
#include "input/http_response.h"

namespace korvane::cli {

// The body of the response `head` heads, read from `raw` (the bytes after
// the head): every coding undone, the last applied first, so that stacked
// codings ("gzip, gzip", "Transfer-Encoding: gzip, chunked") come off in
// turn. Some archives store bodies decoded but keep the headers: a body that
// does not begin as its coding's data is taken as it is. Throws InputError
// naming a coding that cannot be undone ("Content-Encoding compress is not
// supported").
std::unique_ptr<ByteReader> DecodedBody(std::unique_ptr<ByteReader> raw, const HttpHead& head);

// Undoes chunked transfer coding: the chunks' data, in order; trailer fields
// are dropped. Sizes may carry any number of leading zeros. Data that does
// not begin with a chunk-size line is handed out as it is. Throws InputError
// for a malformed or cut-off chunk.
class ChunkedReader final : public ByteReader {
 public:
  explicit ChunkedReader(std::unique_ptr<ByteReader> raw);

  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return raw_->consumed(); }

 private:
  enum class State { kFirstSize, kSize, kData, kDataEnd, kDone, kAsItIs };

  bool Fill();
  bool LineInBuffer(size_t* end);
  std::string TakeLine();
  size_t TakeData(char* buffer, size_t size);

  std::unique_ptr<ByteReader> raw_;
  std::string buffer_;
  size_t pos_ = 0;
  bool raw_ended_ = false;
  State state_ = State::kFirstSize;
  uint64_t chunk_left_ = 0;
};

}  // namespace korvane::cli
