// SPDX-License-Identifier: Apache-2.0
#include "input/http_response.h"

#include <gtest/gtest.h>

namespace korvane::cli {
namespace {

TEST(ParseHttpHead, ReadsTheFinalHeadAsTolerantReadersDo) {
  struct Case {
    std::string bytes;
    int status;  // -1: no head
    std::string content_type;
    std::vector<HttpCoding> codings = {};
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>", 200, "text/html"},
      {"HTTP/1.1  200 OK\n\n", 200, ""},
      {"HTTP/1.0\t404\r\n\r\n", 404, ""},
      {"HTTP/1.1 2000 OK\r\n\r\n", 0, ""},
      {"HTTP/1.1 20 OK\r\n\r\n", 0, ""},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\ncontent-type: text/html\r\n\r\n", 200,
       "text/html"},
      {"HTTP/1.1 200 OK\r\nContent-Encoding: Identity, GZIP\r\nTransfer-Encoding: gzip, "
       "Chunked\r\n\r\n",
       200,
       "",
       {{"gzip", false}, {"gzip", true}, {"chunked", true}}},
      // Several lines of a field are one list; the transfer codings come last.
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Encoding: deflate\r\n"
       "content-encoding: br;q=1\r\n\r\n",
       200,
       "",
       {{"deflate", false}, {"br", false}, {"chunked", true}}},
      {"HTTP/1.1 100 Continue\r\n\r\n", -1, ""},
      {"ICY 200 OK\r\n\r\n", -1, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.bytes);
    const std::optional<HttpHead> head = ParseHttpHead(test.bytes);
    ASSERT_EQ(head.has_value(), test.status >= 0);
    if (!head) continue;
    EXPECT_EQ(head->status, test.status);
    EXPECT_EQ(head->content_type, test.content_type);
    EXPECT_EQ(head->codings, test.codings);
  }
}

}  // namespace
}  // namespace korvane::cli
