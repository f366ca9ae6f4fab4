#include "py_text.h"

#include <bit>

#include "utf8.h"

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
