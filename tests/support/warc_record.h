// SPDX-License-Identifier: Apache-2.0
// WARC records as a crawler writes them.
#pragma once

#include <string>

namespace korvane::test_support {

struct WarcResponse {
  std::string uri;
  std::string version = "WARC/1.0";
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::string body;
  std::string type = "response";
};

// One WARC record: header, the HTTP head and body as content, CRLF CRLF.
std::string WarcRecord(const WarcResponse& response);

}  // namespace korvane::test_support
