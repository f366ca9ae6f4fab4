// SPDX-License-Identifier: Apache-2.0
// korvane._korvane: the engine and the command line's stages for the Python
// package. The package's own functions (korvane/_api.py) stand in front of
// these: they check arguments, read iter_warc's JSON lines and pickle by name.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "convert/convert.h"
#include "decode/charset.h"
#include "decode/decode.h"
#include "decode/utf8.h"
#include "input/byte_reader.h"
#include "input/folder_walk.h"
#include "input/inputs.h"
#include "korvane.h"
#include "page_stream.h"
#include "py_file_reader.h"
#include "py_interrupt.h"
#include "py_text.h"
#include "render/names.h"
#include "render/render.h"

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

py::object StrOrNone(const std::optional<std::string>& text) {
  return text ? py::object(StrFromUtf8(*text)) : py::object(py::none());
}

// The fields of korvane.Article, in its order.
enum Field {
  kTitle,
  kHeadline,
  kImages,
  kImageUrls,
  kBody,
  kRecord,
  kEncoding,
  kReplaced,
  kAlgorithm,
  kAuthor,
  kPublished,
  kTruncated,
  kUrl,
  kFieldCount,
};

// Their names, interned at import and kept for the life of the process.
PyObject* field_names[kFieldCount];

void InternFieldNames() {
  constexpr const char* kNames[kFieldCount] = {
      "title",    "headline",  "images", "image_urls", "body",      "record", "encoding",
      "replaced", "algorithm", "author", "published",  "truncated", "url"};
  for (int field = 0; field < kFieldCount; ++field) {
    field_names[field] = PyUnicode_InternFromString(kNames[field]);
    if (field_names[field] == nullptr) throw py::error_already_set();
  }
}

// What the engine found on a page, ready for Python: everything that needs
// no Python object, made with the GIL released.
struct ExtractedPage {
  cli::Extracted extracted;
  std::vector<std::optional<std::string>> image_urls;  // as the JSON line gives them
  std::string encoding;
  int64_t replaced = 0;
};

ExtractedPage ExtractFromDecoded(cli::DecodedPage decoded, Algorithm algorithm,
                                 const std::string& url) {
  ExtractedPage page;
  page.encoding = std::move(decoded.encoding);
  page.replaced = decoded.replaced;
  page.extracted = cli::ExtractPage(decoded.text, algorithm);
  for (const std::u16string& image : page.extracted.article.images) {
    page.image_urls.push_back(cli::ImageUrl(url, cli::ToUtf8(image)));
  }
  return page;
}

py::object StrOrNone16(const std::u16string& text) {
  return text.empty() ? py::object(py::none()) : py::object(StrFromUtf16(text));
}

// A new korvane.Article (`type`), its fields set straight into the instance:
// the frozen dataclass's __init__ would cost as much again as a small page.
py::object NewArticle(py::handle type, ExtractedPage& page, Algorithm algorithm, py::handle url) {
  const Article& article = page.extracted.article;
  py::tuple images(article.images.size());
  py::tuple image_urls(page.image_urls.size());
  for (size_t i = 0; i < article.images.size(); ++i) {
    images[i] = StrFromUtf16(article.images[i]);
    image_urls[i] = StrOrNone(page.image_urls[i]);
  }
  const bool dom = algorithm == Algorithm::kDom;
  py::object values[kFieldCount] = {
      StrFromUtf16(article.title),
      StrFromUtf16(article.headline),
      std::move(images),
      std::move(image_urls),
      StrFromUtf16(article.body),
      StrFromUtf16(page.extracted.record),
      py::str(page.encoding),
      py::int_(page.replaced),
      py::str(dom ? "dom" : "block"),
      dom ? StrOrNone16(article.author) : py::none(),
      dom ? StrOrNone16(article.published) : py::none(),
      py::bool_(page.extracted.truncated),
      py::reinterpret_borrow<py::object>(url),
  };
  py::dict fields;
  for (int field = 0; field < kFieldCount; ++field) {
    if (PyDict_SetItem(fields.ptr(), field_names[field], values[field].ptr()) != 0) {
      throw py::error_already_set();
    }
  }
  auto* article_type = reinterpret_cast<PyTypeObject*>(type.ptr());
  py::object instance = py::reinterpret_steal<py::object>(
      PyBaseObject_Type.tp_new(article_type, py::tuple().ptr(), nullptr));
  if (!instance || PyObject_GenericSetDict(instance.ptr(), fields.ptr(), nullptr) != 0) {
    throw py::error_already_set();
  }
  return instance;
}

// One page (str or bytes) as a korvane.Article (`article_type`): the fields
// of the JSON line that `korvane --format jsonl` writes, with no line made.
py::object Extract(py::handle article_type, py::handle html, py::handle url, py::handle encoding,
                   py::handle http_charset, std::string_view algorithm, uint64_t max_page_size) {
  CheckPageSize(html, max_page_size);
  const Algorithm chosen = AlgorithmNamed(algorithm);
  const std::string base = TextOrEmpty(url);
  cli::DecodedPage decoded;
  if (PyUnicode_Check(html.ptr())) {
    // Text needs no decoding: it is what the command line decodes a JSON
    // input's "html" string to.
    decoded.text = Utf16FromStr(html);
    decoded.encoding = "utf-8";
    decoded.source = cli::CharsetSource::kText;
  } else {
    decoded = DecodeBytes(html, encoding, http_charset);
  }
  ExtractedPage page;
  {
    py::gil_scoped_release release;
    page = ExtractFromDecoded(std::move(decoded), chosen, base);
  }
  return NewArticle(article_type, page, chosen, url);
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
    if (!stream_) throw py::stop_iteration();
    std::optional<PageStream::Line> line;
    InterruptCheck interrupt;
    {
      py::gil_scoped_release release;
      line = stream_->Next();
    }
    if (interrupt.interrupted()) {
      // A stop leaves the readers midway: the stream ends with it.
      stream_.reset();
      file_ = nullptr;
      interrupt.RaiseIfInterrupted();
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
      first = std::string(reader->Peek(4));
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
  InternFieldNames();
  m.def("extract", &Extract, py::arg("article_type"), py::arg("html"), py::arg("url"),
        py::arg("encoding"), py::arg("http_charset"), py::arg("algorithm"),
        py::arg("max_page_size"));
  m.def("parse_size", &korvane::cli::ParseSize, py::arg("text"));
  m.def(
      "escaped_name",
      [](std::string_view text) { return StrFromUtf8(korvane::cli::EscapedName(text)); },
      py::arg("text"));
  m.def(
      "escaped_text",
      [](py::handle text) { return StrFromUtf8(korvane::cli::EscapedName(Utf8FromStr(text))); },
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
