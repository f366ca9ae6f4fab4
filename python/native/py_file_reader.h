// SPDX-License-Identifier: Apache-2.0
// The bytes of a Python binary file object (open(..., "rb"), io.BytesIO, a
// socket's makefile, ...) for the command line's readers.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "input/byte_reader.h"

namespace korvane::python {

// Read calls the file's read1() (what a buffered file has at hand, so that
// records from a pipe come as they arrive), else its read(), with the GIL
// taken, so that the caller may hold it released. A Python exception is kept
// for the caller (see TakeError) and the read fails with cli::InputError.
class PyFileReader final : public cli::ByteReader {
 public:
  explicit PyFileReader(pybind11::object file);
  ~PyFileReader() override;

  // The next `size` bytes (fewer at the end), without consuming them.
  std::string_view Peek(size_t size);
  size_t Read(char* buffer, size_t size) override;
  uint64_t consumed() const override { return consumed_; }

  // The exception that a read raised, if any; the GIL must be held.
  std::optional<pybind11::error_already_set> TakeError();

 private:
  size_t ReadFromFile(char* buffer, size_t size);

  pybind11::object read_;  // the file's read1 or read
  const char* read_name_;
  cli::PeekBuffer peeked_;
  uint64_t consumed_ = 0;
  std::optional<pybind11::error_already_set> error_;
};

}  // namespace korvane::python
