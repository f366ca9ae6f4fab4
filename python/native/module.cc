// SPDX-License-Identifier: Apache-2.0
// korvane._korvane: the engine and the command line's stages for the Python
// package. The package's own functions (korvane/_api.py) stand in front of
// these: they check arguments, read the JSON lines and pickle by name.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "convert/convert.h"
#include "decode/charset.h"
#include "decode/decode.h"
#include "input/byte_reader.h"
#include "input/folder_walk.h"
#include "input/inputs.h"
#include "korvane.h"
#include "page_stream.h"
#include "py_file_reader.h"
#include "py_text.h"
#include "render/names.h"

namespace korvane::python {
namespace {
namespace py = pybind11;

// Binary data, not a page: raised as korvane.NotAPageError.
struct NotAPage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Larger than max_page_size: raised as korvane.PageTooLargeError.
struct PageTooLarge : std::runtime_error {
  explicit PageTooLarge(uint64_t limit)
      : std::runtime_error("page larger than " + cli::SizeText(limit) + " (max_page_size)") {}
};

// What the command line refuses unread: a page larger than its limit.
void CheckPageSize(py::handle html, uint64_t limit) {
  const bool larger = PyUnicode_Check(html.ptr())
                          ? Utf8LargerThan(html, limit)
                          : static_cast<uint64_t>(PyBytes_GET_SIZE(html.ptr())) > limit;
  if (larger) throw PageTooLarge(limit);
}

Algorithm AlgorithmNamed(std::string_view name) {
  if (name == "block") return Algorithm::kBlock;
  if (name == "dom") return Algorithm::kDom;
  throw py::value_error("unknown algorithm '" + std::string(name) + "' (block or dom)");
}

std::optional<cli::Charset> ForcedCharset(py::handle label) {
  if (label.is_none()) return std::nullopt;
  const std::string name = Utf8FromStr(label);
  std::optional<cli::Charset> charset = cli::CharsetForLabel(name);
  if (!charset) {
    PyErr_SetObject(PyExc_LookupError, py::str("unknown encoding: {!r}").format(label).ptr());
    throw py::error_already_set();
  }
  return charset;
}

std::string TextOrEmpty(py::handle text) { return text.is_none() ? "" : Utf8FromStr(text); }

std::string_view BytesView(py::handle data) {
  return std::string_view(PyBytes_AS_STRING(data.ptr()),
                          static_cast<size_t>(PyBytes_GET_SIZE(data.ptr())));
}

cli::DecodedPage DecodeBytes(py::handle data, py::handle encoding, py::handle http_charset) {
  const std::optional<cli::Charset> forced = ForcedCharset(encoding);
  const std::string http_label = TextOrEmpty(http_charset);
  cli::DecodedPage page;
  {
    py::gil_scoped_release release;  // `data` is bytes, which nobody changes
    page = cli::Decode(BytesView(data), cli::DecodeHints{forced, http_label, false});
  }
  if (!page.error.empty()) throw NotAPage(page.error);
  return page;
}

py::str StrFromUtf8(const std::string& text) {
  PyObject* decoded =
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict");
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

// The JSON line of `korvane --format jsonl` for one page (str or bytes), its
// "source" the URL; a str, which Python's JSON scanner reads fastest.
py::str Extract(py::handle html, py::handle url, py::handle encoding, py::handle http_charset,
                std::string_view algorithm, uint64_t max_page_size) {
  CheckPageSize(html, max_page_size);
  cli::ConvertSettings settings;
  settings.format = cli::Format::kJsonl;
  settings.algorithm = AlgorithmNamed(algorithm);
  cli::Input input;
  input.url = TextOrEmpty(url);
  input.source = input.url;
  cli::DecodedPage page;
  if (PyUnicode_Check(html.ptr())) {
    // Text needs no decoding: it is what the command line decodes a JSON
    // input's "html" string to.
    page.text = Utf16FromStr(html);
    page.encoding = "utf-8";
    page.source = cli::CharsetSource::kText;
  } else {
    page = DecodeBytes(html, encoding, http_charset);
  }
  cli::Result result;
  {
    py::gil_scoped_release release;
    result = cli::ConvertDecoded(input, std::move(page), settings);
  }
  return StrFromUtf8(result.text);
}

py::str HtmlToTextOf(py::handle html) {
  std::u16string page = Utf16FromStr(html);
  std::u16string record;
  {
    py::gil_scoped_release release;
    record = HtmlToText(page);
  }
  return StrFromUtf16(record);
}

py::tuple DecodeOf(py::handle data, py::handle encoding, py::handle http_charset) {
  const cli::DecodedPage page = DecodeBytes(data, encoding, http_charset);
  return py::make_tuple(StrFromUtf16(page.text), page.encoding, page.replaced);
}

py::str FromFileSystem(const std::string& path) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeFSDefaultAndSize(path.data(), static_cast<Py_ssize_t>(path.size())));
}

// The files of a folder that `korvane FOLDER` reads, in its order: (path, "")
// or, for a folder that cannot be read, (folder, reason).
py::list Walk(const std::string& folder) {
  py::list entries;
  cli::FolderWalk walk(folder);
  for (;;) {
    std::optional<cli::FolderWalk::Entry> entry;
    {
      py::gil_scoped_release release;
      entry = walk.Next();
    }
    if (!entry) return entries;
    entries.append(py::make_tuple(FromFileSystem(entry->path.string()), entry->error));
  }
}

std::string_view KindName(cli::Input::Kind kind) {
  switch (kind) {
    case cli::Input::Kind::kPage:
      return "page";
    case cli::Input::Kind::kError:
      return "error";
    case cli::Input::Kind::kSkipped:
      break;
  }
  return "skipped";
}

// Iterates (kind, JSON line) over one input. Reading and converting run with
// the GIL released; one thread at a time.
class Stream {
 public:
  Stream(std::unique_ptr<PageStream> stream, PyFileReader* file)
      : stream_(std::move(stream)), file_(file) {}

  py::tuple Next() {
    std::unique_lock<std::mutex> lock(busy_, std::try_to_lock);
    if (!lock) throw py::value_error("this stream is being read by another thread");
    std::optional<PageStream::Line> line;
    {
      py::gil_scoped_release release;
      line = stream_->Next();
    }
    // The file's own exception, rather than the error line it left.
    if (file_ != nullptr) {
      if (std::optional<py::error_already_set> error = file_->TakeError()) throw *error;
    }
    if (!line) throw py::stop_iteration();
    return py::make_tuple(KindName(line->kind), py::bytes(line->json));
  }

 private:
  std::unique_ptr<PageStream> stream_;
  PyFileReader* file_;  // owned by stream_, if reading a Python file
  std::mutex busy_;
};

std::unique_ptr<Stream> OpenPath(const std::string& path, bool walked, std::string_view algorithm,
                                 uint64_t max_page_size) {
  return std::make_unique<Stream>(
      PageStream::ForPath(path, walked, AlgorithmNamed(algorithm), max_page_size), nullptr);
}

std::unique_ptr<Stream> OpenWarc(py::object file, const std::string& name,
                                 std::string_view algorithm, uint64_t max_page_size) {
  const Algorithm chosen = AlgorithmNamed(algorithm);
  auto reader = std::make_unique<PyFileReader>(std::move(file));
  PyFileReader* raw = reader.get();
  std::string first;
  {
    py::gil_scoped_release release;
    try {
      first = std::string(reader->Peek(2));
    } catch (const cli::InputError&) {
      // Raised below, from the reader.
    }
  }
  if (std::optional<py::error_already_set> error = raw->TakeError()) throw *error;
  return std::make_unique<Stream>(
      PageStream::ForWarc(std::move(reader), first, name, chosen, max_page_size), raw);
}

}  // namespace
}  // namespace korvane::python

PYBIND11_MODULE(_korvane, m) {
  namespace py = pybind11;
  using namespace korvane::python;
  m.doc() = "The native part of the korvane package; use korvane's functions.";
  m.attr("__version__") = KORVANE_VERSION;
  m.attr("DEFAULT_MAX_PAGE_SIZE") = korvane::cli::kDefaultMaxPageSize;
  py::register_exception<NotAPage>(m, "NotAPageError", PyExc_ValueError);
  py::register_exception<PageTooLarge>(m, "PageTooLargeError", PyExc_ValueError);
  m.def("extract", &Extract, py::arg("html"), py::arg("url"), py::arg("encoding"),
        py::arg("http_charset"), py::arg("algorithm"), py::arg("max_page_size"));
  m.def("parse_size", &korvane::cli::ParseSize, py::arg("text"));
  m.def(
      "escaped_name",
      [](std::string_view text) { return StrFromUtf8(korvane::cli::EscapedName(text)); },
      py::arg("text"));
  m.def("html_to_text", &HtmlToTextOf, py::arg("html"));
  m.def("decode", &DecodeOf, py::arg("data"), py::arg("encoding"), py::arg("http_charset"));
  m.def("walk", &Walk, py::arg("folder"));
  m.def(
      "part_name",
      [](const std::string& path) { return FromFileSystem(korvane::cli::MirrorName(path)); },
      py::arg("path"));
  py::class_<Stream>(m, "Stream")
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", &Stream::Next);
  m.def("open_path", &OpenPath, py::arg("path"), py::arg("walked"), py::arg("algorithm"),
        py::arg("max_page_size"));
  m.def("open_warc", &OpenWarc, py::arg("file"), py::arg("name"), py::arg("algorithm"),
        py::arg("max_page_size"));
}
