// SPDX-License-Identifier: Apache-2.0
// One input as it travels through the pipeline: read, decoded, converted,
// written. An input that is not a page travels too, carrying its error.
#pragma once

#include <cstdint>
#include <string>

#include "input/file_slice.h"

namespace korvane::cli {

// The largest page read unless --max-page-size says otherwise: every page
// that the engine converts in reasonable memory fits.
inline constexpr uint64_t kDefaultMaxPageSize = uint64_t{64} << 20;

struct Input {
  enum class Kind {
    kPage,     // bytes hold a page to convert
    kError,    // the input could not be read or is not a page: see error
    kSkipped,  // a WARC record that holds no HTML page: see error (why)
  };
  Kind kind = Kind::kPage;
  std::string source;        // path, URL or "standard input ..."
  std::string bytes;         // the page as read
  FileSlice slice;           // or, when it has a file, where the page lies unread
  std::string http_charset;  // charset of an HTTP Content-Type, if any
  bool is_text = false;      // bytes are already UTF-8 text (a JSON string)
  std::string url;           // the page's own URL, if known
  std::string output_name;   // relative path of its file under --output-dir
  std::string id_json;       // the "id" of a JSON input line as given, if any
  std::string error;
  uint64_t input_bytes = 0;  // bytes of the input files this input used up
};

inline Input ErrorInput(std::string source, std::string error) {
  Input input;
  input.kind = Input::Kind::kError;
  input.source = std::move(source);
  input.error = std::move(error);
  return input;
}

}  // namespace korvane::cli
