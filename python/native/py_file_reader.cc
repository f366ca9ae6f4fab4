#include "py_file_reader.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvane::python {
namespace py = pybind11;

PyFileReader::~PyFileReader() {
  py::gil_scoped_acquire gil;
  file_ = py::object();
  error_.reset();
}

size_t PyFileReader::ReadFromFile(char* buffer, size_t size) {
  py::gil_scoped_acquire gil;
  if (error_) throw cli::InputError("reading failed before");
  try {
    const py::object chunk = file_.attr("read")(size);
    if (!PyBytes_Check(chunk.ptr())) {
      throw py::type_error("read() gave " + std::string(py::str(py::type::of(chunk))) +
                           ", not bytes: iter_warc needs a binary file");
    }
    const size_t got = static_cast<size_t>(PyBytes_GET_SIZE(chunk.ptr()));
    if (got > size) throw py::value_error("read(n) gave more than n bytes");
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
  while (peeked_.size() < size) {
    const size_t have = peeked_.size();
    peeked_.resize(size);
    const size_t got = ReadFromFile(peeked_.data() + have, size - have);
    peeked_.resize(have + got);
    if (got == 0) break;
  }
  return std::string_view(peeked_).substr(0, size);
}

size_t PyFileReader::Read(char* buffer, size_t size) {
  if (size == 0) return 0;
  size_t got = 0;
  if (!peeked_.empty()) {
    got = std::min(size, peeked_.size());
    std::memcpy(buffer, peeked_.data(), got);
    peeked_.erase(0, got);
  } else {
    got = ReadFromFile(buffer, size);
  }
  consumed_ += got;
  return got;
}

std::optional<py::error_already_set> PyFileReader::TakeError() { return std::exchange(error_, {}); }

}  // namespace korvane::python
