// SPDX-License-Identifier: Apache-2.0
#include "warc_record.h"

namespace korvane::test_support {

std::string WarcRecord(const WarcResponse& response) {
  std::string content;
  std::string content_type = "application/http; msgtype=response";
  if (response.type == "response") {
    content = "HTTP/1.1 " + std::to_string(response.status) + " Whatever\r\n";
    if (!response.content_type.empty()) {
      content += "Content-Type: " + response.content_type + "\r\n";
    }
    content += "Content-Length: " + std::to_string(response.body.size()) + "\r\n\r\n";
    content += response.body;
  } else {
    content = response.body;
    content_type = "application/warc-fields";
  }
  std::string record = response.version + "\r\n";
  record += "WARC-Type: " + response.type + "\r\n";
  record += "WARC-Date: 2024-01-01T00:00:00Z\r\n";
  record += "WARC-Record-ID: <urn:uuid:00000000-0000-0000-0000-000000000000>\r\n";
  if (!response.uri.empty()) record += "WARC-Target-URI: " + response.uri + "\r\n";
  record += "Content-Type: " + content_type + "\r\n";
  record += "Content-Length: " + std::to_string(content.size()) + "\r\n\r\n";
  return record + content + "\r\n\r\n";
}

}  // namespace korvane::test_support
