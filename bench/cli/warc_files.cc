#include "warc_files.h"

#include <zlib.h>

#include <cstdlib>

namespace korvane::bench {

std::string WarcResponse(std::string_view url, std::string_view html) {
  const std::string http =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
      std::to_string(html.size()) + "\r\n\r\n";
  std::string record = "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: ";
  record.append(url);
  record +=
      "\r\nWARC-Date: 2024-01-01T00:00:00Z\r\nContent-Type: application/http; "
      "msgtype=response\r\nContent-Length: " +
      std::to_string(http.size() + html.size()) + "\r\n\r\n";
  record.append(http).append(html).append("\r\n\r\n");
  return record;
}

std::string GzipMember(std::string_view bytes) {
  z_stream stream{};
  // 15 + 16: a gzip wrapper around a deflate stream with a 32 KiB window.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    std::abort();
  }
  std::string member(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(member.data());
  stream.avail_out = static_cast<uInt>(member.size());
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) std::abort();
  member.resize(stream.total_out);
  deflateEnd(&stream);
  return member;
}

}  // namespace korvane::bench
