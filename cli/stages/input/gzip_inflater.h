// SPDX-License-Identifier: Apache-2.0
// Gzip members inflated one after another with ISA-L, each member's header
// read and its CRC-32 and length checked as it ends. ISA-L rather than zlib
// because inflating is the slowest stage of reading a compressed crawl and
// ISA-L does it about twice as fast.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct inflate_state;

namespace korvane::cli {

class GzipInflater {
 public:
  GzipInflater();
  ~GzipInflater();
  GzipInflater(const GzipInflater&) = delete;
  GzipInflater& operator=(const GzipInflater&) = delete;

  // The compressed bytes to take next; they must stay in place until
  // input_left() is 0 or other input is given.
  void SetInput(std::string_view compressed);
  size_t input_left() const;

  struct Step {
    size_t written = 0;
    bool member_end = false;  // a member ended here and its checks passed
  };
  // Inflates into `out` until it is full, the input is used up or a member
  // ends; the next call after a member's end begins the next member. Throws
  // InputError ("gzip data error: ...") for bytes that are not gzip data,
  // a bad block or a member whose CRC-32 or length does not match; when
  // bytes came out before the fault, they are returned and the next call
  // throws.
  Step Inflate(char* out, size_t size);

  // A member has begun and has not ended yet.
  bool in_member() const { return in_member_; }

 private:
  class Header;
  void StartMember();

  std::unique_ptr<inflate_state> state_;
  std::unique_ptr<Header> header_;
  bool in_member_ = false;
  bool member_ended_ = false;
  std::string pending_error_;
};

}  // namespace korvane::cli
