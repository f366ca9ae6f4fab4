// SPDX-License-Identifier: Apache-2.0
// The head of an HTTP response as WARC files store it, and the parts of it
// that decide whether and how a body is read as a page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::cli {

// A coding applied to a body: "gzip", "chunked" ..., and the field that named it.
struct HttpCoding {
  std::string name;       // lower case
  bool transfer = false;  // named by Transfer-Encoding, else by Content-Encoding
  bool operator==(const HttpCoding&) const = default;
};

struct HttpHead {
  int status = 0;  // 0: the status line holds no three-digit status code
  std::string content_type;
  // Every coding of the body in the order the server applied them, "identity"
  // left out: the Content-Encoding lines' in turn, then the
  // Transfer-Encoding lines' ("gzip", "gzip", "chunked"). Several lines of a
  // field make one list, as HTTP reads them.
  std::vector<HttpCoding> codings;
  size_t length = 0;  // bytes up to and with the blank line
};

// The final response head that `bytes` begin with, read as tolerant readers
// read it: lines may end in CRLF or in LF alone, blanks between the fields of
// the status line may be several, and interim 1xx heads ("100 Continue")
// before it are passed over. Nothing when the head is not complete or not
// HTTP.
std::optional<HttpHead> ParseHttpHead(std::string_view bytes);

// text/html or application/xhtml+xml, whatever the parameters.
bool IsHtmlMediaType(std::string_view content_type);

// The charset named in a Content-Type value ("text/html; charset=gbk"), as
// in an HTTP header or a meta element's content attribute.
std::optional<std::string> CharsetFromContentType(std::string_view value);

}  // namespace korvane::cli
