// SPDX-License-Identifier: Apache-2.0
#include "input/warc.h"

#include <gtest/gtest.h>

#include "chunked_reader.h"
#include "compress.h"
#include "encode.h"
#include "input/read_ahead.h"
#include "input/zstd_reader.h"
#include "warc_record.h"

namespace korvane::cli {
namespace {

using test_support::Brotli;
using test_support::Gzip;
using test_support::WarcRecord;
using test_support::ZstdFrame;

// `read_ahead`: inflated on a thread of its own in small blocks, as files are.
std::vector<Input> ReadAll(std::string bytes, bool compressed, size_t chunk = 7,
                           uint64_t max_page_size = kDefaultMaxPageSize, bool read_ahead = false) {
  std::unique_ptr<ByteReader> input = std::make_unique<test_support::ChunkedReader>(bytes, chunk);
  if (compressed) input = std::make_unique<GzipReader>(std::move(input));
  if (read_ahead) input = std::make_unique<ReadAhead>(std::move(input), 64, 3);
  WarcReader reader(std::move(input), "crawl.warc", "crawl.warc", max_page_size);
  std::vector<Input> pages;
  while (std::optional<Input> page = reader.Next()) pages.push_back(std::move(*page));
  return pages;
}

// Each record as its own gzip member, as a crawl writes them.
std::string Members(const std::vector<std::string>& records) {
  std::string bytes;
  for (const std::string& record : records) bytes += Gzip(record);
  return bytes;
}

std::vector<std::string> MixedRecords() {
  return {
      WarcRecord({.uri = "http://news.example/", .body = "<p>home</p>"}),
      WarcRecord({.uri = "http://news.example/a", .body = "request", .type = "request"}),
      WarcRecord({.uri = "http://news.example/gone", .status = 404, .body = "<p>no</p>"}),
      WarcRecord({.uri = "http://news.example/logo.png",
                  .content_type = "image/png",
                  .body = std::string("\x89PNG\0", 5)}),
      WarcRecord({.uri = "http://news.example/b",
                  .version = "WARC/1.1",
                  .content_type = "text/html; charset=GBK",
                  .body = "<p>b</p>"}),
      WarcRecord({.uri = "<http://news.example/c>",
                  .content_type = "application/xhtml+xml",
                  .body = "<p>c</p>"}),
  };
}

TEST(WarcReader, GivesHtmlResponsesAndSkipsTheRest) {
  for (const bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "warc.gz" : "warc");
    std::string bytes;
    for (const std::string& record : MixedRecords()) bytes += record;
    const std::vector<Input> pages =
        ReadAll(compressed ? Members(MixedRecords()) : bytes, compressed);
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_EQ(pages[0].kind, Input::Kind::kPage);
    EXPECT_EQ(pages[0].source, "http://news.example/");
    EXPECT_EQ(pages[0].url, "http://news.example/");
    EXPECT_EQ(pages[0].bytes, "<p>home</p>");
    EXPECT_EQ(pages[0].http_charset, "utf-8");
    EXPECT_EQ(pages[0].output_name, "crawl.warc/000001.txt");
    EXPECT_EQ(pages[1].kind, Input::Kind::kSkipped);
    EXPECT_EQ(pages[1].error, "HTTP status 404");
    EXPECT_EQ(pages[2].kind, Input::Kind::kSkipped);
    EXPECT_EQ(pages[2].error, "Content-Type image/png");
    EXPECT_EQ(pages[3].kind, Input::Kind::kPage) << "WARC/1.1";
    EXPECT_EQ(pages[3].http_charset, "GBK");
    EXPECT_EQ(pages[3].bytes, "<p>b</p>");
    EXPECT_EQ(pages[4].url, "http://news.example/c");
  }
}

TEST(WarcReader, OneGzipMemberForManyRecordsReadsToo) {
  std::string bytes;
  for (const std::string& record : MixedRecords()) bytes += record;
  EXPECT_EQ(ReadAll(Gzip(bytes), true).size(), 5u);
}

struct BrokenCase {
  std::string name;
  std::string bytes;
  bool compressed;
  std::string error;  // part of the expected message
  size_t pages_before;
};

// `record` with `suffix` after the digits of its Content-Length.
std::string WithLengthSuffix(std::string record, std::string_view suffix) {
  const size_t header_end = record.find("\r\n\r\n");
  const size_t line = record.rfind("Content-Length: ", header_end);
  record.insert(record.find("\r\n", line), suffix);
  return record;
}

std::vector<BrokenCase> BrokenCases() {
  const std::string good = WarcRecord({.uri = "http://x.example/1", .body = "<p>1</p>"});
  const std::string second = WarcRecord({.uri = "http://x.example/2", .body = "<p>2</p>"});
  std::string bad_crc = Gzip(second);
  bad_crc[bad_crc.size() - 6] ^= 0x55;  // the CRC-32 in the member's trailer
  const std::string gz_second = Gzip(second);
  return {
      {"a corrupted gzip CRC", Gzip(good) + bad_crc, true, "incorrect data check", 1},
      {"a truncated gzip member", Gzip(good) + gz_second.substr(0, gz_second.size() - 10), true,
       "truncated", 1},
      {"a record cut short", good + second.substr(0, second.size() - 20), false, "cut short", 1},
      {"a record cut short inside its header", good + second.substr(0, 30), false, "cut short", 1},
      {"a bad Content-Length",
       good + "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: x\r\n\r\n", false,
       "missing or bad Content-Length", 1},
      {"a right Content-Length with trailing garbage", good + WithLengthSuffix(second, "x"), false,
       "missing or bad Content-Length", 1},
      {"an unknown version", "WARC/0.9\r\nContent-Length: 0\r\n\r\n\r\n\r\n", false,
       "not a WARC file", 0},
      {"gzip data that is not WARC", Gzip("<html>hello</html>"), true, "not a WARC file", 0},
  };
}

std::vector<std::pair<BrokenCase, size_t>> Cross(const std::vector<BrokenCase>& cases,
                                                 std::initializer_list<size_t> chunks) {
  std::vector<std::pair<BrokenCase, size_t>> crossed;
  for (const BrokenCase& test : cases) {
    for (const size_t chunk : chunks) crossed.emplace_back(test, chunk);
  }
  return crossed;
}

TEST(WarcReader, ReportsBrokenFilesAndStops) {
  for (const auto& [test, chunk] : Cross(BrokenCases(), {7, 1 << 20})) {
    for (const bool read_ahead : {false, true}) {
      SCOPED_TRACE(test.name + ", chunks of " + std::to_string(chunk) +
                   (read_ahead ? ", read ahead" : ""));
      const std::vector<Input> pages =
          ReadAll(test.bytes, test.compressed, chunk, kDefaultMaxPageSize, read_ahead);
      ASSERT_EQ(pages.size(), test.pages_before + 1);
      for (size_t i = 0; i < test.pages_before; ++i) EXPECT_EQ(pages[i].kind, Input::Kind::kPage);
      const Input& error = pages.back();
      EXPECT_EQ(error.kind, Input::Kind::kError);
      EXPECT_NE(error.error.find(test.error), std::string::npos) << error.error;
      EXPECT_NE(error.error.find("record " + std::to_string(test.pages_before + 1)),
                std::string::npos)
          << error.error;
    }
  }
}

// What a record held, in short: "page <bytes>", "skipped <why>" or
// "error <why>".
std::vector<std::string> Outcomes(const std::vector<Input>& pages) {
  std::vector<std::string> outcomes;
  for (const Input& page : pages) {
    switch (page.kind) {
      case Input::Kind::kPage:
        outcomes.push_back("page " + page.bytes);
        break;
      case Input::Kind::kSkipped:
        outcomes.push_back("skipped " + page.error);
        break;
      case Input::Kind::kError:
        outcomes.push_back("error " + page.error);
        break;
    }
  }
  return outcomes;
}

// A response record around `block`, with these WARC header fields.
std::string Record(std::string_view block,
                   std::string_view fields = "Content-Type: application/http; msgtype=response\r\n",
                   std::string_view type = "response") {
  return "WARC/1.0\r\nWARC-Type: " + std::string(type) + "\r\n" + std::string(fields) +
         "Content-Length: " + std::to_string(block.size()) + "\r\n\r\n" + std::string(block) +
         "\r\n\r\n";
}

constexpr std::string_view kHtmlHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";

// Heads are read as tolerant readers read them, bodies decoded as their
// codings say, and a page that cannot be had is its record's error: the
// next record is read all the same.
TEST(WarcReader, ReadsEachRecordAsTolerantReadersDo) {
  const std::string head(kHtmlHead);
  const std::string big(3000, 'x');
  const struct {
    const char* name;
    std::string record;
    std::string outcome;
  } cases[] = {
      {"WARC-Type in another case", Record(head + "\r\n<p>a", "", "Response"), "page <p>a"},
      {"two blanks in the status line",
       Record("HTTP/1.1  200 OK\r\nContent-Type: text/html\r\n\r\nb"), "page b"},
      {"an interim head first", Record("HTTP/1.1 100 Continue\r\n\r\n" + head + "\r\nc"), "page c"},
      {"a four-digit status", Record("HTTP/1.1 2000 OK\r\n\r\nd"), "skipped bad HTTP status line"},
      {"an HTTP block without Content-Type", Record(head + "\r\ne", ""), "page e"},
      {"a block without Content-Type that is no HTTP", Record("<p>f", ""),
       "skipped not an HTTP response"},
      {"chunked",
       Record(head + "Transfer-Encoding: chunked\r\n\r\n3\r\n<p>\r\n1\r\ng\r\n0\r\n\r\n"),
       "page <p>g"},
      {"gzip", Record(head + "Content-Encoding: gzip\r\n\r\n" + Gzip("<p>h")), "page <p>h"},
      {"br", Record(head + "Content-Encoding: br\r\n\r\n" + Brotli("<p>i")), "page <p>i"},
      {"two Content-Encoding lines",
       Record(head + "Content-Encoding: gzip\r\nContent-Encoding: gzip\r\n\r\n" +
              Gzip(Gzip("<p>j"))),
       "page <p>j"},
      {"compress", Record(head + "Content-Encoding: compress\r\n\r\n...."),
       "error Content-Encoding compress is not supported"},
      {"a head longer than 64 KiB",
       Record("HTTP/1.1 200 OK\r\nSet-Cookie: " + std::string(70000, 'c') + "\r\n\r\nk"),
       "error HTTP response head longer than 64 KiB"},
      {"a head cut short", Record(head), "error HTTP response head cut short (no blank line)"},
      {"larger than the limit once inflated from zstd",
       Record(head + "Content-Encoding: zstd\r\n\r\n" + ZstdFrame(big)),
       "error larger than 1 KiB (--max-page-size)"},
      {"larger than the limit once inflated from br",
       Record(head + "Content-Encoding: br\r\n\r\n" + Brotli(big)),
       "error larger than 1 KiB (--max-page-size)"},
      {"larger than the limit", Record(head + "\r\n" + big),
       "error larger than 1 KiB (--max-page-size)"},
      {"larger than the limit once inflated",
       Record(head + "Content-Encoding: gzip\r\n\r\n" + Gzip(big)),
       "error larger than 1 KiB (--max-page-size)"},
  };
  const std::string next = Record(head + "\r\nnext");
  for (const auto& test : cases) {
    for (const bool compressed : {false, true}) {
      SCOPED_TRACE(std::string(test.name) + (compressed ? ", warc.gz" : ""));
      const std::string bytes = compressed ? Members({test.record, next}) : test.record + next;
      EXPECT_EQ(Outcomes(ReadAll(bytes, compressed, 7, 1024)),
                (std::vector<std::string>{test.outcome, "page next"}));
    }
  }
}

// A record whose gzip member is whole and checked is given; what goes
// wrong after it is charged to what follows ("after record N").
TEST(WarcReader, ChargesWhatFollowsACheckedMemberToIt) {
  const std::string one = WarcRecord({.uri = "http://x.example/1", .body = "1"});
  const std::string two = WarcRecord({.uri = "http://x.example/2", .body = "2"});
  const std::string garbage_error =
      "error after record 1: bytes after a complete gzip member are not gzip data (incorrect "
      "header check); the rest of the file is not read";
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> outcomes;
  } cases[] = {
      {"NUL padding after the last member",
       Members({one, two}) + std::string(512, '\0'),
       {"page 1", "page 2"}},
      {"NUL padding between members",
       Gzip(one) + std::string(512, '\0') + Gzip(two),
       {"page 1", "page 2"}},
      {"garbage between members", Gzip(one) + "garbage!" + Gzip(two), {"page 1", garbage_error}},
  };
  for (const auto& test : cases) {
    for (const size_t chunk : {size_t{7}, size_t{1} << 20}) {
      for (const bool read_ahead : {false, true}) {
        SCOPED_TRACE(std::string(test.name) + ", chunks of " + std::to_string(chunk) +
                     (read_ahead ? ", read ahead" : ""));
        EXPECT_EQ(Outcomes(ReadAll(test.bytes, true, chunk, kDefaultMaxPageSize, read_ahead)),
                  test.outcomes);
      }
    }
  }
}

// A zstd WARC file as ArchiveTeam's crawlers write it: the dictionary in a
// leading skippable frame (compressed itself or not), then one frame per
// record.
TEST(WarcReader, ReadsZstdWarcFilesWithTheirDictionary) {
  std::string dictionary;
  for (int i = 0; i < 40; ++i) dictionary += "WARC/1.0\r\nWARC-Type: response <p>news</p> ";
  const std::vector<std::string> records = {
      WarcRecord({.uri = "http://x.example/1", .body = "<p>news one</p>"}),
      WarcRecord({.uri = "http://x.example/2", .body = "<p>news two</p>"}),
  };
  std::string frames;
  for (const std::string& record : records) frames += ZstdFrame(record, dictionary);
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> outcomes;
  } cases[] = {
      {"a plain dictionary",
       test_support::DictionaryFrame(dictionary) + frames,
       {"page <p>news one</p>", "page <p>news two</p>"}},
      {"a compressed dictionary",
       test_support::DictionaryFrame(ZstdFrame(dictionary)) + frames,
       {"page <p>news one</p>", "page <p>news two</p>"}},
      {"no dictionary",
       ZstdFrame(records[0]) + ZstdFrame(records[1]),
       {"page <p>news one</p>", "page <p>news two</p>"}},
      {"the dictionary missing",
       frames,
       {"error record 1: zstd data error: Data corruption detected"}},
      {"cut inside the second frame",
       test_support::DictionaryFrame(dictionary) + frames.substr(0, frames.size() - 5),
       {"page <p>news one</p>", "error after record 1: zstd data cut short (truncated frame)"}},
  };
  for (const auto& test : cases) {
    for (const size_t chunk : {size_t{7}, size_t{1} << 20}) {
      SCOPED_TRACE(std::string(test.name) + ", chunks of " + std::to_string(chunk));
      WarcReader reader(std::make_unique<ZstdReader>(
                            std::make_unique<test_support::ChunkedReader>(test.bytes, chunk)),
                        "crawl.warc.zst", "crawl.warc.zst");
      std::vector<Input> pages;
      while (std::optional<Input> page = reader.Next()) pages.push_back(std::move(*page));
      std::vector<std::string> outcomes = Outcomes(pages);
      for (std::string& outcome : outcomes) {
        if (outcome.starts_with("error")) outcome = outcome.substr(0, outcome.find(';'));
      }
      EXPECT_EQ(outcomes, test.outcomes);
    }
  }
}

TEST(WarcReader, LooksLikeWarcByItsFirstBytes) {
  EXPECT_TRUE(LooksLikeWarc("WARC/1.0\r\nWARC-Type"));
  EXPECT_TRUE(LooksLikeWarc("WARC/1.1\r\n"));
  EXPECT_FALSE(LooksLikeWarc("\x1f\x8b\x08"));
  EXPECT_FALSE(LooksLikeWarc("<html>WARC/1.0"));
  EXPECT_FALSE(LooksLikeWarc("WARC/1.0 is a format"));
}

}  // namespace
}  // namespace korvane::cli
