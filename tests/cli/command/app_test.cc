// SPDX-License-Identifier: Apache-2.0
// The built korvane binary, run as a user runs it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "decode/utf8.h"
#include "encode.h"
#include "korvane.h"
#include "korvane_run.h"
#include "pages.h"
#include "temp_dir.h"
#include "warc_record.h"

namespace korvane::cli {
namespace {

using nlohmann::json;
using test_support::ArticlePage;
using test_support::Encode;
using test_support::Gzip;
using test_support::KorvaneRun;
using test_support::ReadFile;
using test_support::RunShell;
using test_support::TempDir;
using test_support::WarcRecord;

KorvaneRun Korvane(const TempDir& dir, const std::string& args, const std::string& input = "") {
  return test_support::RunKorvane(dir.path(), args, input);
}

std::vector<json> JsonLines(const std::string& text) {
  std::vector<json> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(json::parse(line));
  return lines;
}

std::string RecordOf(const std::string& utf8_page) {
  return ToUtf8(HtmlToText(FromUtf8(utf8_page).text));
}

TEST(Korvane, OnePageGivesExactlyItsRecord) {
  TempDir dir;
  const std::string page = ArticlePage("测试标题", {"/img/a.jpg"});
  dir.Write("page.html", page);
  const KorvaneRun from_file = Korvane(dir, "page.html");
  EXPECT_EQ(from_file.status, 0);
  EXPECT_EQ(from_file.out, RecordOf(page));
  EXPECT_EQ(from_file.err, "");
  EXPECT_EQ(Korvane(dir, "", page).out, RecordOf(page));
  EXPECT_EQ(Korvane(dir, "-", page).out, RecordOf(page));
  EXPECT_NE(RecordOf(page).find("[[ur=/img/a.jpg]]"), std::string::npos);
}

constexpr std::string_view kTraditional =
    "記者從有關部門獲悉，今年全市經濟運行總體平穩，城鄉居民收入穩步提高，消費市場持續回暖。";

TEST(Korvane, GbkAndBig5PagesComeOutAsTheirText) {
  TempDir dir;
  const std::string gbk = ArticlePage("新闻", {}, "<meta charset=gb2312>");
  const std::string big5 = ArticlePage("臺灣", {}, "<meta charset=big5>", kTraditional);
  dir.Write("gbk.html", Encode(gbk, "gbk"));
  dir.Write("big5.html", Encode(big5, "big5"));
  EXPECT_TRUE(Korvane(dir, "gbk.html").out == RecordOf(gbk));
  EXPECT_TRUE(Korvane(dir, "big5.html").out == RecordOf(big5));
  const std::vector<json> lines = JsonLines(Korvane(dir, "-q gbk.html big5.html").out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["encoding"], "gb18030");
  EXPECT_EQ(lines[1]["encoding"], "big5-hkscs");
  EXPECT_EQ(lines[0]["record"], RecordOf(gbk));
}

struct StatusCase {
  std::string name;
  std::string args;
  int status;
  std::string err_part;
};

TEST(Korvane, ExitStatusesAndMessages) {
  TempDir dir;
  dir.Write("good.html", ArticlePage("好"));
  dir.Write("good.html.gz", Gzip(ArticlePage("好")));
  dir.Write("page.html.xz", std::string("\xFD"
                                        "7zXZ\0\0\x04\xE6\xD6\xB4\x46",
                                        12));
  dir.Write("notes/a.txt", "x");
  dir.Write("binary.html", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF", 17));
  dir.Write("cut.warc.gz",
            Gzip(WarcRecord({.uri = "http://x/", .body = "<p>x</p>"})).substr(0, 30));
  const StatusCase cases[] = {
      {"one good page", "good.html", 0, ""},
      {"a missing file", "missing.html", 1, "korvane: missing.html: No such file or directory\n"},
      {"a binary file", "binary.html", 1, "binary.html: binary data"},
      {"a truncated gzip member", "-q cut.warc.gz", 1, "truncated"},
      {"a bad page among good ones", "-q good.html missing.html good.html", 1,
       "missing.html: No such file"},
      {"an unknown option", "--frobnicate good.html", 2, "--frobnicate"},
      {"an unknown encoding", "-e klingon good.html", 2, "unknown encoding"},
      {"no workers", "-j 0 good.html", 2, "jobs"},
      {"inputs with --stdin-jsonl", "--stdin-jsonl good.html", 2, "excludes"},
      {"an empty --output-dir", "-o '' good.html", 2, "--output-dir: an empty name is no folder"},
      {"a page size of 0", "--max-page-size 0 good.html", 2, "not a size"},
      {"a page too large", "--max-page-size 1K good.html", 1,
       "good.html: larger than 1 KiB (--max-page-size)"},
      {"a gzip page", "good.html.gz", 0, ""},
      {"xz data", "page.html.xz", 1, "page.html.xz: xz-compressed data, not a page"},
      {"a folder without pages", "-q notes", 1,
       "notes: no page files in this folder: 1 file passed over"},
      {"an unknown algorithm", "--algorithm fast good.html", 2, "--algorithm"},
      {"--help", "--help", 0, ""},
      {"--version", "--version", 0, ""},
  };
  for (const StatusCase& test : cases) {
    SCOPED_TRACE(test.name);
    const KorvaneRun run = Korvane(dir, test.args);
    EXPECT_EQ(run.status, test.status);
    if (test.err_part.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_NE(run.err.find(test.err_part), std::string::npos) << run.err;
    }
  }
  EXPECT_EQ(Korvane(dir, "missing.html").err, "korvane: missing.html: No such file or directory\n")
      << "one line, nothing more";
  EXPECT_NE(Korvane(dir, "--version").out.find("korvane 3.2"), std::string::npos);
}

TEST(Korvane, BatchesKeepInputOrderUnderEveryJobCount) {
  TempDir dir;
  std::vector<std::string> expected;
  for (int i = 0; i < 60; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "pages/p%03d.html", i);
    // Sizes vary so that pages finish out of order.
    std::string page = ArticlePage("第" + std::to_string(i) + "页");
    if (i % 7 == 0) page = std::string(200000, ' ') + page;
    dir.Write(name, page);
    expected.push_back(std::string("pages/") + (name + 6));
  }
  for (const char* jobs : {"1", "2", "8"}) {
    SCOPED_TRACE(jobs);
    const KorvaneRun run = Korvane(dir, std::string("-j ") + jobs + " pages");
    EXPECT_EQ(run.status, 0);
    const std::vector<json> lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i]["source"], expected[i]);
    EXPECT_EQ(run.err, "korvane: 60 pages read, 60 converted, 0 failed\n");
  }
}

TEST(Korvane, JsonLinesCarryThePiecesAndResolvedImages) {
  TempDir dir;
  const std::string page = ArticlePage("标题", {"../img/a.jpg", "//cdn.example/b.png"});
  dir.Write("a.html", page);
  dir.Write("b.html", "<p>\xFF</p>");
  const KorvaneRun run = Korvane(dir, "-q --base-url http://news.example/2024/01/ a.html b.html");
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  const json& a = lines[0];
  EXPECT_EQ(a["source"], "a.html");
  EXPECT_EQ(a["encoding"], "utf-8");
  EXPECT_EQ(a["replaced"], 0);
  EXPECT_EQ(a["record"], RecordOf(page));
  EXPECT_EQ(a["images"], json({"../img/a.jpg", "//cdn.example/b.png"}));
  EXPECT_EQ(a["image_urls"],
            json({"http://news.example/2024/img/a.jpg", "http://cdn.example/b.png"}));
  const Article article = ExtractArticle(FromUtf8(page).text);
  EXPECT_EQ(a["title"], ToUtf8(article.title));
  EXPECT_EQ(a["headline"], ToUtf8(article.headline));
  EXPECT_EQ(a["body"], ToUtf8(article.body));
  EXPECT_GE(lines[1]["replaced"], 1);
  EXPECT_NE(Korvane(dir, "-v -q a.html b.html").err.find("b.html: 1 invalid byte"),
            std::string::npos);
}

TEST(Korvane, TheAlgorithmIsChosenPerRun) {
  TempDir dir;
  const std::string page = ArticlePage("Mixed Case &amp; Title", {"a.jpg"});
  dir.Write("a.html", page);
  const std::u16string html = FromUtf8(page).text;
  EXPECT_EQ(Korvane(dir, "--algorithm block a.html").out, RecordOf(page));
  EXPECT_EQ(Korvane(dir, "-a dom a.html").out,
            ToUtf8(FormatRecord(ExtractArticle(html, Algorithm::kDom))));
  for (const char* algorithm : {"block", "dom"}) {
    SCOPED_TRACE(algorithm);
    const std::string args = std::string(algorithm) == "dom" ? "-a dom " : "";
    const std::string line = Korvane(dir, args + "-f jsonl a.html").out;
    EXPECT_NE(
        line.find(std::string("\"replaced\":0,\"algorithm\":\"") + algorithm + "\",\"title\""),
        std::string::npos)
        << line;
  }
}

// Several records on standard output each end with a NUL byte, which no
// record holds (a form feed line did not stop a page from holding one); an
// input that fails gives an empty record, so records match inputs by place.
TEST(Korvane, RecordFormatEndsEachRecordWithANul) {
  TempDir dir;
  const std::string paragraph(test_support::kNewsParagraph);
  const std::string a = ArticlePage("甲", {}, "", paragraph + "<br>\f<br>" + paragraph);
  const std::string b = ArticlePage("乙", {}, "", paragraph + '\0' + paragraph);
  dir.Write("a.html", a);
  dir.Write("b.html", b);
  std::string b_record = RecordOf(b);
  for (size_t nul = b_record.find('\0'); nul != std::string::npos; nul = b_record.find('\0')) {
    b_record.replace(nul, 1, "\uFFFD");
  }
  const std::string nul(1, '\0');
  const struct {
    const char* args;
    std::string out;
  } cases[] = {
      {"a.html b.html", RecordOf(a) + nul + b_record + nul},
      {"missing.html a.html", nul + RecordOf(a) + nul},
      {"a.html missing.html b.html", RecordOf(a) + nul + nul + b_record + nul},
      {"b.html", RecordOf(b)},  // one page: its record, nothing added
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.args);
    EXPECT_TRUE(Korvane(dir, std::string("-q -f record ") + test.args).out == test.out);
  }
  EXPECT_EQ(JsonLines(Korvane(dir, "-f jsonl a.html").out).at(0)["record"], RecordOf(a));
}

TEST(Korvane, OutputDirMirrorsTheInputTree) {
  TempDir dir;
  const std::string a = ArticlePage("甲");
  dir.Write("in/x/a.html", a);
  dir.Write("in/b.htm", a);
  dir.Write("crawl.warc", WarcRecord({.uri = "http://x.example/", .body = a}) +
                              WarcRecord({.uri = "http://x.example/2", .body = a}));
  const KorvaneRun run = Korvane(dir, "-q -o out in crawl.warc");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  for (const char* name : {"out/in/x/a.html.txt", "out/in/b.htm.txt", "out/crawl.warc/000001.txt",
                           "out/crawl.warc/000002.txt"}) {
    EXPECT_TRUE(ReadFile(dir.path() / name) == RecordOf(a)) << name;
  }
}

// No two inputs share a record file: ".." parts stay apart from the tree
// they lead out of, and an input given again is an error, not a record that
// overwrites another.
TEST(Korvane, OutputDirGivesEveryInputItsOwnFile) {
  TempDir dir;
  const std::string a = ArticlePage("甲");
  const std::string z = ArticlePage("乙");
  dir.Write("pages/a.html", a);
  dir.Write("work/pages/a.html", z);
  const KorvaneRun up = RunShell(dir.path(), "cd work && \"$KORVANE\" -q -o out ../pages pages");
  EXPECT_EQ(up.status, 0) << up.err;
  EXPECT_TRUE(ReadFile(dir.path() / "work/out/%2E%2E/pages/a.html.txt") == RecordOf(a));
  EXPECT_TRUE(ReadFile(dir.path() / "work/out/pages/a.html.txt") == RecordOf(z));
  const KorvaneRun twice = Korvane(dir, "-q -o twice - pages/a.html - ./pages/", a);
  EXPECT_EQ(twice.status, 1);
  EXPECT_NE(twice.err.find("standard input: its records would overwrite those of -"),
            std::string::npos)
      << twice.err;
  EXPECT_NE(twice.err.find("pages/a.html: its record would overwrite one of pages/a.html"),
            std::string::npos)
      << twice.err;
  EXPECT_TRUE(ReadFile(dir.path() / "twice/stdin.txt") == RecordOf(a));
}

// Output that cannot be written is an error with a message and exit status
// 1, and the page is counted as failed: standard output on /dev/full, an
// output folder where a file stands, a file-size limit standing for a full
// disk.
TEST(Korvane, WriteErrorsFailWithAMessage) {
  TempDir dir;
  dir.Write("a.html", ArticlePage("甲"));
  dir.Write("file", "");
  const struct {
    const char* command;
    const char* message;
  } cases[] = {
      {"\"$KORVANE\" a.html a.html > /dev/full", "standard output: write error"},
      {"\"$KORVANE\" a.html > /dev/full", "standard output: write error"},
      {"\"$KORVANE\" -o file a.html", "cannot open file"},
      {"trap '' XFSZ; ulimit -f 1; \"$KORVANE\" -o out a.html", "cannot write out/a.html.txt"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.command);
    const KorvaneRun run = RunShell(dir.path(), test.command);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(test.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(" 0 failed"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "out/a.html.txt"));
}

// The kind of batch that once crashed, hung or lost pages: a 100 GB sparse
// file, standard input that never ends, a FIFO and a link to /dev/zero in a
// walked folder, a WARC record that inflates past the size limit. Each is
// one error, every good page is converted, and the batch ends.
// The limit is a page's largest size: a page of exactly the limit is read,
// one byte more is not, whether a regular file, a stream or inflated.
TEST(Korvane, APageOfExactlyTheLimitIsReadAndOneByteMoreIsNot) {
  TempDir dir;
  for (const size_t size : {1023, 1024, 1025}) {
    const std::string page = "<p>" + std::string(size - 3, 'x');
    dir.Write("page.html", page);
    dir.Write("page.html.gz", Gzip(page));
    const std::pair<std::string, std::string> runs[] = {
        {"a regular file", "--max-page-size 1K page.html"},
        {"a compressed file", "--max-page-size 1K page.html.gz"},
        {"a stream", "--max-page-size 1K - < page.html"},
        {"a pipe", "--max-page-size 1K < /dev/stdin"},
    };
    for (const auto& [name, args] : runs) {
      SCOPED_TRACE(name + ", " + std::to_string(size) + " bytes");
      const KorvaneRun run = RunShell(dir.path(), "cat page.html | \"$KORVANE\" " + args);
      EXPECT_EQ(run.status, size <= 1024 ? 0 : 1) << run.err;
      EXPECT_EQ(run.err.find("larger than 1 KiB") != std::string::npos, size > 1024) << run.err;
    }
  }
}

TEST(Korvane, EveryBadInputIsOneErrorAndTheBatchGoesOn) {
  TempDir dir;
  const std::string a = ArticlePage("甲");
  dir.Write("a.html", a);
  dir.Write("d/b.html", a);
  dir.Write("z.html", a);
  std::filesystem::resize_file(dir.Write("big.html", ""), uint64_t{100} << 30);
  ASSERT_EQ(mkfifo((dir.path() / "d/fifo.html").c_str(), 0600), 0);
  std::filesystem::create_symlink("/dev/zero", dir.path() / "d/zero.html");
  dir.Write("bomb.warc.gz",
            Gzip(WarcRecord({.uri = "http://x.example/bomb", .body = std::string(65 << 20, 'a')})) +
                Gzip(WarcRecord({.uri = "http://x.example/ok", .body = a})));
  const KorvaneRun run = RunShell(
      dir.path(), "timeout 60 \"$KORVANE\" -q a.html big.html - d bomb.warc.gz z.html < /dev/zero");
  EXPECT_EQ(run.status, 1) << run.err;
  std::vector<std::string> outcomes;
  for (const json& line : JsonLines(run.out)) {
    outcomes.push_back(line["source"].get<std::string>() +
                       (line.contains("error") ? ": " + line["error"].get<std::string>() : ""));
  }
  const std::string too_large = ": larger than 64 MiB (--max-page-size)";
  EXPECT_EQ(outcomes, (std::vector<std::string>{
                          "a.html", "big.html" + too_large, "standard input" + too_large,
                          "d/b.html", "d/fifo.html: not a regular file (a FIFO), not read",
                          "d/zero.html: not a regular file (a character device), not read",
                          "http://x.example/bomb" + too_large, "http://x.example/ok", "z.html"}));
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 5) << run.err;
}

// SIGINT and SIGTERM stop reading (here, a FIFO that never gets a writer),
// what is in flight is written whole, and the summary says why the batch
// ended; the exit status is 128 + the signal.
TEST(Korvane, StopsCleanlyOnSigintAndSigterm) {
  TempDir dir;
  const std::string a = ArticlePage("甲");
  dir.Write("a.html", a);
  ASSERT_EQ(mkfifo((dir.path() / "wait.html").c_str(), 0600), 0);
  const struct {
    const char* args;
    const char* written;  // once a.html is written here, the run waits on the FIFO
    const char* signal;
    int status;
  } cases[] = {
      {"-o out a.html wait.html", "out/a.html.txt", "TERM", 143},
      {"a.html wait.html > out.jsonl", "out.jsonl", "INT", 130},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.args);
    const std::string wait_written = std::string("for i in $(seq 600); do [ -s ") + test.written +
                                     " ] && break; sleep 0.05; done; ";
    const KorvaneRun run =
        RunShell(dir.path(), std::string("\"$KORVANE\" ") + test.args + " & pid=$!; " +
                                 wait_written + "kill -" + test.signal + " $pid; wait $pid");
    EXPECT_EQ(run.status, test.status);
    EXPECT_NE(run.err.find(std::string("stopped by SIG") + test.signal + "; 1 pages read"),
              std::string::npos)
        << run.err;
  }
  EXPECT_TRUE(ReadFile(dir.path() / "out/a.html.txt") == RecordOf(a));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "out"), {}), 1);
  EXPECT_EQ(JsonLines(ReadFile(dir.path() / "out.jsonl")).at(0)["record"], RecordOf(a));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KORVANE_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KORVANE_UNDER_ASAN
#endif

// Under an address-space limit (common on batch clusters) threads and
// memory run out: a thread that cannot be started leaves the run to those
// that could, and memory that runs out is that input's error.
TEST(Korvane, LimitedMemoryIsAnInputsErrorNotTheBatchsEnd) {
#ifdef KORVANE_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits leave";
#endif
  TempDir dir;
  dir.Write("a.html", ArticlePage("甲"));
  std::filesystem::resize_file(dir.Write("big.html", ""), uint64_t{300} << 20);
  const KorvaneRun threads =
      RunShell(dir.path(), "ulimit -v 1000000; \"$KORVANE\" -q -j 1024 a.html a.html");
  EXPECT_EQ(threads.status, 0) << threads.err;
  EXPECT_EQ(JsonLines(threads.out).size(), 2u);
  EXPECT_NE(threads.err.find("could not start 1024 worker threads"), std::string::npos)
      << threads.err;
  const KorvaneRun memory =
      RunShell(dir.path(),
               "ulimit -v 250000; \"$KORVANE\" -q -j 1 --max-page-size 1G a.html big.html a.html");
  EXPECT_EQ(memory.status, 1);
  EXPECT_EQ(memory.err, "korvane: big.html: out of memory while reading\n");
  EXPECT_EQ(JsonLines(memory.out).size(), 3u);
}

TEST(Korvane, WarcFilesGiveTheirHtmlResponses) {
  TempDir dir;
  const std::string page = ArticlePage("网页", {"img/a.jpg"});
  const std::string gbk = ArticlePage("网页");
  std::string warc;
  for (const std::string& record :
       {WarcRecord({.uri = "http://news.example/", .version = "WARC/1.1", .body = page}),
        WarcRecord({.uri = "http://news.example/404", .status = 404, .body = page}),
        WarcRecord({.uri = "http://news.example/gbk",
        .content_type = "text/html; charset=gbk",
        .body = Encode(gbk, "gbk")})}) {
    warc += Gzip(record);
  }
  dir.Write("crawl.warc.gz", warc);
  const KorvaneRun run = Korvane(dir, "-v crawl.warc.gz");
  EXPECT_EQ(run.status, 0);
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["source"], "http://news.example/");
  EXPECT_EQ(lines[0]["image_urls"], json({"http://news.example/img/a.jpg"}));
  EXPECT_EQ(lines[1]["encoding"], "gb18030");
  EXPECT_EQ(lines[1]["record"], RecordOf(gbk));
  EXPECT_NE(run.err.find("http://news.example/404: skipped: HTTP status 404"), std::string::npos);
  EXPECT_NE(run.err.find("2 pages read, 2 converted, 0 failed; 1 WARC"), std::string::npos);
}

TEST(Korvane, StreamingModeAnswersEveryLineInOrder) {
  TempDir dir;
  const std::string page = ArticlePage("流", {"/a.jpg"});
  std::string input;
  for (int i = 0; i < 30; ++i) {
    json line = {{"id", i}, {"url", "http://s.example/" + std::to_string(i)}, {"html", page}};
    input += i == 10 ? std::string("{not json\n") : line.dump() + "\n";
  }
  const KorvaneRun run = Korvane(dir, "-j 3 --stdin-jsonl", input);
  EXPECT_EQ(run.status, 1);
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 30u);
  for (int i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    if (i == 10) {
      EXPECT_EQ(lines[i]["source"], "standard input line 11");
      EXPECT_TRUE(lines[i].contains("error"));
      continue;
    }
    EXPECT_EQ(lines[i]["id"], i);
    EXPECT_EQ(lines[i]["record"], RecordOf(page));
    EXPECT_EQ(lines[i]["image_urls"], json({"http://s.example/a.jpg"}));
  }
}

TEST(Korvane, RunsAsAGnuParallelPipe) {
  TempDir dir;
  std::string input;
  for (int i = 0; i < 95; ++i) {
    input +=
        json({{"id", i}, {"html", ArticlePage("第" + std::to_string(i) + "篇")}}).dump() + "\n";
  }
  const KorvaneRun run = test_support::RunShell(
      dir.path(), "parallel --pipe -N 10 -k \"$KORVANE\" --stdin-jsonl -q -j 1", input);
  EXPECT_EQ(run.status, 0) << run.err;
  const std::vector<json> lines = JsonLines(run.out);
  ASSERT_EQ(lines.size(), 95u);
  for (int i = 0; i < 95; ++i) EXPECT_EQ(lines[i]["id"], i);
}

// Outputs compared byte for byte with the files of tests/cli/golden/: JSON
// lines in UTF-8 (not \u escapes) with the escapes that JSON needs, image
// URLs resolved against each page's own URL before --base-url, errors in
// their place, the last line of a stream without its line feed. Run with
// KORVANE_WRITE_GOLDEN=1 set, the test writes the files instead, for a
// change of output that is meant (then read the difference).
constexpr std::string_view kShortParagraph = "今年全市经济运行总体平稳。";

void WriteGoldenInputs(const TempDir& dir) {
  const std::vector<std::string> images = {"../img/a.jpg", "//cdn.example/b.png",
                                           "http://img.example/C.JPG", "d.gif"};
  dir.Write("pages/article.html", ArticlePage("新闻标题：城市\"绿道\"今日通车", images,
                                              "<meta charset=utf-8>", kShortParagraph));
  dir.Write("pages/escapes.html", ArticlePage("反斜杠\\与控制字符\x01 😀", {"e.png"}, "",
                                              "反斜杠\\引号\"控制字符\x01表情😀行分隔符\u2028。"));
  dir.Write("pages/gbk.html",
            Encode(ArticlePage("国内新闻", {}, "<meta charset=gb2312>", kShortParagraph), "gbk"));
  dir.Write("pages/invalid.html", ArticlePage("坏字节\xFF", {}, "<meta charset=utf-8>",
                                              "今年全市经济\x80运行总体平稳。"));
  dir.Write("pages/empty.html", "");
  dir.Write("pages/binary.html", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
  const std::string page = ArticlePage("网页", {"img/a.jpg"}, "", kShortParagraph);
  dir.Write("crawl.warc.gz",
            Gzip(WarcRecord({.uri = "http://news.example/2024/01/a.html", .body = page})) +
                Gzip(WarcRecord({.uri = "http://news.example/404", .status = 404, .body = page})) +
                Gzip(WarcRecord({.uri = "", .body = page})));
}

std::string GoldenStream() {
  const std::string article = ArticlePage("流", {"img/a.jpg"}, "", kShortParagraph);
  return json({{"id", 1}, {"url", "http://news.example/a/1.html"}, {"html", article}}).dump() +
         "\n" + json({{"id", "two"}, {"html", article}}).dump() + "\n" +
         json({{"id", {{"k", {1, 2}}}}, {"html", "<title>只有标题</title>"}}).dump() + "\n" +
         "{not json\n" + json({{"id", 5}, {"url", "http://x.example/"}}).dump() + "\n" +
         json({{"id", 6}, {"html", "<title>末行</title>"}}).dump();
}

// Where two outputs part, with a little of each.
std::string FirstDifference(const std::string& got, const std::string& wanted) {
  size_t at = 0;
  while (at < got.size() && at < wanted.size() && got[at] == wanted[at]) ++at;
  const size_t from = at > 40 ? at - 40 : 0;
  return "first difference at byte " + std::to_string(at) + "\n got: " + got.substr(from, 120) +
         "\nwant: " + wanted.substr(from, 120);
}

TEST(Korvane, OutputsMatchTheGoldenFilesByteForByte) {
  TempDir dir;
  WriteGoldenInputs(dir);
  const struct {
    const char* file;
    std::string args;
    std::string input;
    int status;
  } cases[] = {
      {"batch.jsonl", "-q --base-url http://base.example/2024/ pages missing.html", "", 1},
      {"stream.jsonl", "-q --stdin-jsonl --base-url http://base.example/", GoldenStream(), 1},
      {"warc.jsonl", "-q --base-url http://base.example/ crawl.warc.gz", "", 0},
      {"article.txt", "pages/article.html", "", 0},
  };
  const std::filesystem::path folder = KORVANE_GOLDEN_DIR;
  const bool write = std::getenv("KORVANE_WRITE_GOLDEN") != nullptr;
  for (const auto& test : cases) {
    SCOPED_TRACE(test.file);
    const KorvaneRun run = Korvane(dir, test.args, test.input);
    EXPECT_EQ(run.status, test.status) << run.err;
    if (write) {
      std::ofstream(folder / test.file, std::ios::binary) << run.out;
      continue;
    }
    const std::string wanted = ReadFile(folder / test.file);
    EXPECT_TRUE(run.out == wanted) << FirstDifference(run.out, wanted);
  }
}

}  // namespace
}  // namespace korvane::cli
