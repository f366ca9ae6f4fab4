// SPDX-License-Identifier: Apache-2.0
#include "input/http_body.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "chunked_reader.h"
#include "compress.h"
#include "encode.h"

namespace korvane::cli {
namespace {

using test_support::Brotli;
using test_support::ChunkedReader;
using test_support::Gzip;
using test_support::ZstdFrame;

std::string Deflated(std::string_view bytes, int window_bits) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, bytes.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string Hex(size_t size) {
  char text[16];
  std::snprintf(text, sizeof text, "%zx", size);
  return text;
}

// `body` in chunks of 7 bytes, each size written with at least `digits` hex
// digits (leading zeros).
std::string Chunked(std::string_view body, size_t digits = 1) {
  auto size_line = [digits](size_t size) {
    const std::string hex = Hex(size);
    return std::string(digits > hex.size() ? digits - hex.size() : 0, '0') + hex + "\r\n";
  };
  std::string chunked;
  for (size_t at = 0; at < body.size(); at += 7) {
    const std::string_view chunk = body.substr(at, 7);
    chunked.append(size_line(chunk.size())).append(chunk).append("\r\n");
  }
  return chunked + size_line(0) + "\r\n";
}

TEST(DecodedBody, UndoesTransferAndContentCodings) {
  const std::string page = "<html><p>新闻 news</p></html>";
  const std::string chunked = "Transfer-Encoding: chunked\r\n";
  struct Case {
    std::string name;
    std::string fields;
    std::string raw;
    std::string error;  // part of the message; empty: the body is `page`
  };
  const Case cases[] = {
      {"chunked", chunked, Chunked(page), ""},
      {"sizes of 16 digits", chunked, Chunked(page, 16), ""},
      {"sizes of 40 digits", chunked, Chunked(page, 40), ""},
      {"a size beyond 15 significant digits", chunked, "1000000000000000\r\nx",
       "chunk size too large"},
      {"chunk extensions, trailer fields, LF alone", chunked,
       "8;name=x\n" + page.substr(0, 8) + "\n" + Hex(page.size() - 8) + "  \r\n" + page.substr(8) +
           "\r\n0\r\nX: y\r\n\r\n",
       ""},
      {"stored without its chunks", chunked, page, ""},
      {"gzip", "Content-Encoding: gzip\r\n", Gzip(page), ""},
      {"gzip in chunks", "Content-Encoding: x-gzip\r\n" + chunked, Chunked(Gzip(page)), ""},
      {"stored inflated", "Content-Encoding: gzip\r\n", page, ""},
      {"deflate, zlib-wrapped", "Content-Encoding: deflate\r\n", Deflated(page, 15), ""},
      {"deflate, raw", "Content-Encoding: deflate\r\n", Deflated(page, -15), ""},
      {"deflate stored inflated", "Content-Encoding: deflate\r\n", page, ""},
      {"br", "Content-Encoding: br\r\n", Brotli(page), ""},
      {"br stored inflated", "Content-Encoding: br\r\n", page, ""},
      {"zstd", "Content-Encoding: zstd\r\n", ZstdFrame(page), ""},
      {"zstd stored inflated", "Content-Encoding: zstd\r\n", page, ""},
      {"two Content-Encoding lines", "Content-Encoding: gzip\r\nContent-Encoding: gzip\r\n",
       Gzip(Gzip(page)), ""},
      {"stacked in one line", "Content-Encoding: deflate, br\r\n", Brotli(Deflated(page, 15)), ""},
      {"a transfer coding under chunked", "Transfer-Encoding: gzip, chunked\r\n",
       Chunked(Gzip(page)), ""},
      {"content and transfer codings", "Content-Encoding: zstd\r\nTransfer-Encoding: gzip\r\n",
       Gzip(ZstdFrame(page)), ""},
      {"a chunk cut short", chunked, "ff\r\n<html>", "chunked body cut short"},
      {"a bad chunk-size line", chunked, "8\r\n<html><p\r\nzz\r\n", "bad chunk-size line"},
      {"compress", "Content-Encoding: compress\r\n", "x",
       "Content-Encoding compress is not supported"},
      {"an unknown transfer coding", "Transfer-Encoding: foo, chunked\r\n", Chunked(page),
       "Transfer-Encoding foo is not supported"},
      {"br cut short", "Content-Encoding: br\r\n", Brotli(page).substr(0, 12), "brotli data"},
      {"zstd cut short", "Content-Encoding: zstd\r\n", ZstdFrame(page).substr(0, 20),
       "zstd data cut short"},
  };
  for (const Case& test : cases) {
    for (const size_t chunk : {1, 3, 4096}) {
      SCOPED_TRACE(test.name + ", reads of " + std::to_string(chunk));
      const std::optional<HttpHead> head =
          ParseHttpHead("HTTP/1.1 200 OK\r\n" + test.fields + "\r\n");
      ASSERT_TRUE(head.has_value());
      try {
        const std::unique_ptr<ByteReader> body =
            DecodedBody(std::make_unique<ChunkedReader>(test.raw, chunk), *head);
        EXPECT_EQ(ReadAtMost(*body, 1 << 20), page);
        EXPECT_EQ(test.error, "");
      } catch (const InputError& error) {
        EXPECT_NE(test.error, "");
        EXPECT_NE(std::string(error.what()).find(test.error), std::string::npos) << error.what();
      }
    }
  }
}

}  // namespace
}  // namespace korvane::cli
