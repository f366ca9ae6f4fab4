// SPDX-License-Identifier: Apache-2.0
#include "py_text.h"

#include <bit>

#include "decode/utf8.h"

namespace korvane::python {
namespace py = pybind11;

std::u16string Utf16FromStr(py::handle text) {
  PyObject* object = text.ptr();
  if (PyUnicode_READY(object) != 0) throw py::error_already_set();
  const Py_ssize_t length = PyUnicode_GET_LENGTH(object);
  const void* data = PyUnicode_DATA(object);
  std::u16string units;
  switch (PyUnicode_KIND(object)) {
    case PyUnicode_1BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS1*>(data);
      units.assign(chars, chars + length);
      break;
    }
    case PyUnicode_2BYTE_KIND: {
      const auto* chars = static_cast<const Py_UCS2*>(data);
      units.assign(chars, chars + length);
      break;
    }
    default: {
      const auto* chars = static_cast<const Py_UCS4*>(data);
      units.reserve(static_cast<size_t>(length) + static_cast<size_t>(length) / 4);
      for (Py_ssize_t i = 0; i < length; ++i) {
        const Py_UCS4 c = chars[i];
        if (c < 0x10000) {
          units.push_back(static_cast<char16_t>(c));
        } else {
          units.push_back(static_cast<char16_t>(0xD7C0 + (c >> 10)));
          units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
      }
    }
  }
  return units;
}

namespace {

template <typename Char>
uint64_t Utf8Size(const Char* chars, Py_ssize_t length) {
  uint64_t size = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    const Py_UCS4 c = chars[i];
    size += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  }
  return size;
}

}  // namespace

bool Utf8LargerThan(py::handle text, uint64_t limit) {
  PyObject* object = text.ptr();
  if (PyUnicode_READY(object) != 0) throw py::error_already_set();
  const auto length = static_cast<uint64_t>(PyUnicode_GET_LENGTH(object));
  const int kind = PyUnicode_KIND(object);
  // A character of a 1-, 2- or 4-byte str takes 1 to 2, 3 or 4 bytes.
  const uint64_t most = length * (kind == PyUnicode_4BYTE_KIND ? 4 : kind + 1);
  if (most <= limit) return false;
  if (length > limit) return true;
  const void* data = PyUnicode_DATA(object);
  const Py_ssize_t count = PyUnicode_GET_LENGTH(object);
  switch (kind) {
    case PyUnicode_1BYTE_KIND:
      return Utf8Size(static_cast<const Py_UCS1*>(data), count) > limit;
    case PyUnicode_2BYTE_KIND:
      return Utf8Size(static_cast<const Py_UCS2*>(data), count) > limit;
    default:
      return Utf8Size(static_cast<const Py_UCS4*>(data), count) > limit;
  }
}

std::string Utf8FromStr(py::handle text) {
  Py_ssize_t size = 0;
  if (const char* utf8 = PyUnicode_AsUTF8AndSize(text.ptr(), &size)) {
    return std::string(utf8, static_cast<size_t>(size));
  }
  PyErr_Clear();  // lone surrogates: Python has no UTF-8 for them
  return cli::ToUtf8(Utf16FromStr(text));
}

py::str StrFromUtf16(std::u16string_view text) {
  static_assert(std::endian::native == std::endian::little);
  int byte_order = -1;  // little-endian units, and no byte order mark to take off
  PyObject* decoded =
      PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(text.data()),
                            static_cast<Py_ssize_t>(text.size() * 2), "replace", &byte_order);
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

}  // namespace korvane::python
