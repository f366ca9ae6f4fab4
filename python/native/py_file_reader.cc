// SPDX-License-Identifier: Apache-2.0
#include "py_file_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvane::python {
namespace py = pybind11;

PyFileReader::PyFileReader(py::object file)
    : read_name_(py::hasattr(file, "read1") ? "read1" : "read") {
  read_ = file.attr(read_name_);
}

PyFileReader::~PyFileReader() {
  py::gil_scoped_acquire gil;
  read_ = py::object();
  error_.reset();
}

size_t PyFileReader::ReadFromFile(char* buffer, size_t size) {
  py::gil_scoped_acquire gil;
  if (error_) throw cli::InputError("reading failed before");
  try {
    const py::object chunk = read_(size);
    if (!PyBytes_Check(chunk.ptr())) {
      throw py::type_error(std::string(read_name_) + "() gave " +
                           std::string(py::str(py::type::of(chunk))) +
                           ", not bytes: iter_warc needs a binary file");
    }
    const size_t got = static_cast<size_t>(PyBytes_GET_SIZE(chunk.ptr()));
    if (got > size) throw py::value_error(std::string(read_name_) + "(n) gave more than n bytes");
    std::memcpy(buffer, PyBytes_AS_STRING(chunk.ptr()), got);
    return got;
  } catch (py::error_already_set& error) {
    error_ = std::move(error);
  } catch (const py::builtin_exception& error) {
    error.set_error();
    error_ = py::error_already_set();
  }
  throw cli::InputError("reading failed");
}

std::string_view PyFileReader::Peek(size_t size) {
  return peeked_.Peek(size, [this](char* buffer, size_t n) { return ReadFromFile(buffer, n); });
}

size_t PyFileReader::Read(char* buffer, size_t size) {
  if (size == 0) return 0;
  const size_t got = peeked_.size() > 0 ? peeked_.Take(buffer, size) : ReadFromFile(buffer, size);
  consumed_ += got;
  return got;
}

std::optional<py::error_already_set> PyFileReader::TakeError() { return std::exchange(error_, {}); }

}  // namespace korvane::python
