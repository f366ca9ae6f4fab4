// SPDX-License-Identifier: Apache-2.0
#include "encode.h"

#include <unicode/ucnv.h>
#include <zlib.h>

#include <stdexcept>

namespace korvane::test_support {

std::string Encode(std::string_view utf8, const char* charset) {
  // The first call only measures: pages of the benchmarks reach 150 MB.
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_convert(charset, "UTF-8", nullptr, 0, utf8.data(),
                                      static_cast<int32_t>(utf8.size()), &status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
    throw std::runtime_error(u_errorName(status));
  }
  std::string out(length, '\0');
  status = U_ZERO_ERROR;
  ucnv_convert(charset, "UTF-8", out.data(), length, utf8.data(), static_cast<int32_t>(utf8.size()),
               &status);
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  return out;
}

std::string Gzip(std::string_view bytes) {
  z_stream stream{};
  // 15 + 16: a gzip wrapper, as the WARC.gz files of a crawl have.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
      Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  std::string out(deflateBound(&stream, bytes.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

}  // namespace korvane::test_support
