// SPDX-License-Identifier: Apache-2.0
// A page's bytes left where they lie in a regular file: the thread that
// reads the inputs, which no number of workers divides, finds where each
// page is and copies only the headers around it; the thread that converts
// the page reads its bytes (pread), beside the other workers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvane::cli {

// An open file read at given offsets by any thread; closed with its last
// slice.
class SharedFile {
 public:
  // Takes `fd` over.
  explicit SharedFile(int fd) : fd_(fd) {}
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

struct FileSlice {
  std::shared_ptr<const SharedFile> file;  // none: the bytes are elsewhere
  uint64_t offset = 0;
  uint64_t size = 0;  // as found when the slice was made
  // 0: exactly `size` bytes, as a WARC record declares them (fewer are an
  // error). Else the rest of a whole file, read on to its end as it is when
  // read (it may have changed since) and refused past this many bytes.
  uint64_t limit = 0;
};

// Reads the slice into the front of `buffer`, which grows as needed and
// is never shrunk, so that a thread reading page after page into the same
// buffer neither allocates nor zeroes memory once warm; returns the bytes.
// Throws InputError (TooLarge past a whole file's limit).
std::string_view ReadSlice(const FileSlice& slice, std::string& buffer);

}  // namespace korvane::cli
