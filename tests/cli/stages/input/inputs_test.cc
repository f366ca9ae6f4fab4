// SPDX-License-Identifier: Apache-2.0
#include "input/inputs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "compress.h"
#include "encode.h"
#include "temp_dir.h"
#include "warc_record.h"

namespace korvane::cli {
namespace {

using test_support::Gzip;
using test_support::TempDir;
using test_support::ZstdFrame;

// What an input is, in short: "page <bytes>" or "error <reason>" (and
// "skipped" for WARC responses without a page).
std::string Outcome(const Input& page) {
  switch (page.kind) {
    case Input::Kind::kPage:
      return "page " + page.bytes;
    case Input::Kind::kError:
      return "error " + page.error;
    case Input::Kind::kSkipped:
      break;
  }
  return "skipped";
}

std::vector<std::string> Outcomes(Inputs& inputs) {
  std::vector<std::string> outcomes;
  while (std::optional<Input> page = inputs.Next()) outcomes.push_back(Outcome(*page));
  return outcomes;
}

std::vector<std::string> Sources(Inputs& inputs) {
  std::vector<std::string> sources;
  while (std::optional<Input> page = inputs.Next()) {
    sources.push_back(page->kind == Input::Kind::kError ? "error: " + page->source : page->source);
  }
  return sources;
}

TEST(Inputs, WalksFoldersInNameOrderAndKeepsArgumentOrder) {
  TempDir dir;
  const std::string root = dir.path().string();
  for (const char* name :
       {"b.html", "a.HTM", "sub/c.shtml", "sub/d.xhtml", "notes.txt", "image.jpg", "a0/x.html"}) {
    dir.Write(name, "<p>x</p>");
  }
  const std::string named = dir.Write("named.txt", "<p>named</p>");
  std::filesystem::create_symlink(root + "/missing.html", root + "/sub/broken.html");
  Inputs inputs({{named, root, root + "/none.html"}});
  EXPECT_FALSE(inputs.SinglePage());
  EXPECT_EQ(Sources(inputs),
            (std::vector<std::string>{named, root + "/a.HTM", root + "/a0/x.html", root + "/b.html",
                                      "error: " + root + "/sub/broken.html", root + "/sub/c.shtml",
                                      root + "/sub/d.xhtml", "error: " + root + "/none.html"}));
}

TEST(Inputs, ReportsAFolderThatCannotBeRead) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  dir.Write("locked/a.html", "<p>a</p>");
  std::filesystem::permissions(dir.path() / "locked", std::filesystem::perms::none);
  Inputs inputs({{dir.path().string()}});
  const std::optional<Input> page = inputs.Next();
  ASSERT_TRUE(page.has_value());
  EXPECT_EQ(page->kind, Input::Kind::kError);
  EXPECT_EQ(page->error, "cannot read folder: Permission denied");
}

TEST(Inputs, OneFileIsOnePageAndAFolderIsNot) {
  TempDir dir;
  const std::string file = dir.Write("one.html", "<p>one</p>");
  const std::string warc = dir.Write("crawl.warc", "");
  const std::pair<std::string, bool> cases[] = {
      {file, true},
      {dir.path().string() + "/missing.html", true},
      {dir.path().string(), false},
      {warc, false},
  };
  for (const auto& [path, single] : cases) {
    SCOPED_TRACE(path);
    Inputs inputs({{path}});
    EXPECT_EQ(inputs.SinglePage(), single);
  }
  Inputs one({{file}});
  ASSERT_TRUE(one.SinglePage());
  const std::optional<Input> page = one.Next();
  ASSERT_TRUE(page.has_value());
  EXPECT_EQ(page->bytes, "<p>one</p>");
  EXPECT_FALSE(one.Next().has_value());
}

// Distinct relative paths never share a name: ".." parts are kept, written
// so that no file name can give them.
TEST(Inputs, NamesRecordFilesAfterTheInputTree) {
  const std::pair<const char*, const char*> cases[] = {
      {"pages/a.html", "pages/a.html.txt"},
      {"/abs/pages/a.html", "abs/pages/a.html.txt"},
      {"../up/./a.html", "%2E%2E/up/a.html.txt"},
      {"up/../../a.html", "%2E%2E/a.html.txt"},
      {"%2E%2E/up/a.html", "%252E%2E/up/a.html.txt"},
      {"50%/a.html", "50%/a.html.txt"},
      {"a.warc.gz", "a.warc.gz.txt"},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(MirrorName(path), name) << path;
}

// A 100 GB file is refused unread, a FIFO found by a walk is an error
// without waiting for a writer, and the inputs after them are read.
TEST(Inputs, RefusesWhatCannotBeAPageAndGoesOn) {
  TempDir dir;
  std::filesystem::resize_file(dir.Write("big.html", ""), uint64_t{100} << 30);
  dir.Write("d/a.html", "<p>a</p>");
  ASSERT_EQ(mkfifo((dir.path() / "d/b.html").c_str(), 0600), 0);
  dir.Write("d/c.html", "<p>c</p>");
  const std::string root = dir.path().string();
  Inputs inputs({{root + "/big.html", root + "/d"}});
  EXPECT_EQ(Sources(inputs),
            (std::vector<std::string>{"error: " + root + "/big.html", root + "/d/a.html",
                                      "error: " + root + "/d/b.html", root + "/d/c.html"}));
  // The same FIFO named as found by a walk elsewhere (a Dask client's).
  Inputs walked({.paths = {root + "/d/b.html"}, .walked = true});
  EXPECT_EQ(Sources(walked), std::vector<std::string>{"error: " + root + "/d/b.html"});
}

// Compressed files hold a page or a WARC file, told by what they hold, not
// by their names; other compressed data is left to the decoder to name.
TEST(Inputs, InflatesGzipAndZstdFilesAndReadsWhatTheyHold) {
  TempDir dir;
  const std::string page = "<p>新闻</p>";
  const std::string xz(
      "\xFD"
      "7zXZ\0\0\x04",
      8);
  const std::string record =
      test_support::WarcRecord({.uri = "http://x.example/", .body = "<p>warc</p>"});
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> outcomes;
  } cases[] = {
      {"page.html.gz", Gzip(page), {"page " + page}},
      {"page.html.zst", ZstdFrame(page), {"page " + page}},
      {"page.txt", Gzip(page), {"page " + page}},
      {"crawl.gz", Gzip(record), {"page <p>warc</p>"}},
      {"crawl.warc.zst", ZstdFrame(record), {"page <p>warc</p>"}},
      {"crawl.warc.zst.bin",
       ZstdFrame(record) + ZstdFrame(record),
       {"page <p>warc</p>", "page <p>warc</p>"}},
      {"broken.html.gz",
       Gzip(page).substr(0, 12),
       {"error gzip data cut short (truncated member)"}},
      {"page.html.xz", xz, {"page " + xz}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = dir.Write(test.name, test.bytes);
    Inputs inputs({{path}});
    EXPECT_EQ(Outcomes(inputs), test.outcomes);
  }
}

// The limit holds for inflated pages as for plain ones, on both sides of it.
TEST(Inputs, TakesAPageOfExactlyTheLimitAndRefusesOneByteMore) {
  TempDir dir;
  const uint64_t limit = 1000;
  for (const uint64_t size : {limit - 1, limit, limit + 1}) {
    const std::string page(size, 'x');
    for (const bool gzip : {false, true}) {
      SCOPED_TRACE(std::to_string(size) + (gzip ? " bytes inflated" : " bytes"));
      const std::string path = dir.Write("page.html", gzip ? Gzip(page) : page);
      Inputs inputs({.paths = {path}, .max_page_size = limit});
      const std::optional<Input> input = inputs.Next();
      ASSERT_TRUE(input.has_value());
      if (size <= limit) {
        EXPECT_EQ(input->kind, Input::Kind::kPage);
        EXPECT_EQ(input->bytes.size(), size);
      } else {
        EXPECT_EQ(input->error, "larger than 1000 bytes (--max-page-size)");
      }
    }
  }
}

// A folder that gives no page says what it passed over, rather than
// passing for an empty batch; one that gives a page says nothing.
TEST(Inputs, AFolderWithoutPagesSaysWhatItPassedOver) {
  TempDir dir;
  dir.Write("only/a.warc.bz2", "x");
  dir.Write("only/b.txt", "x");
  dir.Write("only/sub/c.json", "x");
  dir.Write("only/sub/d.md", "x");
  dir.Write("mixed/a.txt", "x");
  dir.Write("mixed/b.warc.zst", ZstdFrame(test_support::WarcRecord({.uri = "u", .body = "z"})));
  std::filesystem::create_directories(dir.path() / "empty");
  const std::string root = dir.path().string();
  const struct {
    std::string folder;
    std::vector<std::string> outcomes;
  } cases[] = {
      {"only",
       {"error no page files in this folder: 4 files passed over, as their names are not those of "
        "pages or WARC files (" +
        root + "/only/a.warc.bz2, " + root + "/only/b.txt, " + root + "/only/sub/c.json, ...)"}},
      {"empty", {"error no page files in this folder"}},
      {"mixed", {"page z"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.folder);
    Inputs inputs({{root + "/" + test.folder}});
    EXPECT_EQ(Outcomes(inputs), test.outcomes);
  }
}

// The outcomes of the pages as the reading thread gives them, their slices
// read as a worker reads them; and how many pages came as slices.
std::vector<std::string> SlicedOutcomes(Inputs& inputs, int& sliced) {
  std::vector<std::string> outcomes;
  std::string buffer;
  while (std::optional<Input> page = inputs.Next()) {
    if (page->slice.file) {
      ++sliced;
      EXPECT_TRUE(page->bytes.empty());
      try {
        page->bytes = ReadSlice(page->slice, buffer);
      } catch (const InputError& error) {
        outcomes.push_back(std::string("error ") + error.what());
        continue;
      }
    }
    outcomes.push_back(Outcome(*page));
  }
  return outcomes;
}

// Pages in regular files come as slices, read later by the thread that
// converts them, with the bytes and errors they have when read at once:
// WARC bodies without codings, inside the reader's buffer or far past it;
// a page larger than the limit, a chunked body, records passed over and a
// body cut short are read as before.
TEST(Inputs, SlicesGiveTheBytesThatReadingGives) {
  TempDir dir;
  const std::string big(100'000, 'b');
  const auto response = [](std::string body, int status = 200) {
    return test_support::WarcRecord({.uri = "http://x.example/", .status = status, .body = body});
  };
  const std::string http =
      "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n"
      "3\r\n<p>\r\n0\r\n\r\n";
  const std::string chunked =
      "WARC/1.0\r\nWARC-Type: response\r\nContent-Type: application/http\r\n"
      "Content-Length: " +
      std::to_string(http.size()) + "\r\n\r\n" + http + "\r\n\r\n";
  const std::string records = response("<p>a</p>") + response(big) + response("gone", 404) +
                              test_support::WarcRecord({.uri = "", .body = "x: y", .type = "request"}) +
                              chunked + response(std::string(2000, 'c')) + response(big);
  const struct {
    const char* name;
    std::string bytes;
    int sliced;
  } cases[] = {
      {"page.html", "<p>one</p>", 1},
      {"empty.html", "", 1},
      {"large.html", std::string(100'001, 'x'), 0},
      {"crawl.warc", records, 4},
      {"cut.warc", records.substr(0, records.size() - 50'000), 3},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    const std::string path = dir.Write(test.name, test.bytes);
    Inputs read({.paths = {path}, .max_page_size = 100'000});
    Inputs sliced({.paths = {path}, .max_page_size = 100'000, .slices = true});
    int slices = 0;
    EXPECT_EQ(SlicedOutcomes(sliced, slices), Outcomes(read));
    EXPECT_EQ(slices, test.sliced);
  }
}

// A slice is read as the file is when read: a WARC body cut short since is
// an error; a whole file is read to its end, under its limit.
TEST(FileSlice, ReadsTheFileAsItIsThen) {
  TempDir dir;
  const std::string path = dir.Write("page.html", "0123456789");
  Inputs inputs({.paths = {path}, .max_page_size = 12, .slices = true});
  const std::optional<Input> page = inputs.Next();
  ASSERT_TRUE(page.has_value());
  ASSERT_TRUE(page->slice.file);
  std::string buffer;
  dir.Write("page.html", "0123456789ab");
  EXPECT_EQ(ReadSlice(page->slice, buffer), "0123456789ab");
  dir.Write("page.html", "0123456789abc");
  EXPECT_THROW(ReadSlice(page->slice, buffer), TooLarge);
  FileSlice body = page->slice;
  body.limit = 0;
  body.offset = 2;
  body.size = 5;
  EXPECT_EQ(ReadSlice(body, buffer), "23456");
  EXPECT_GE(buffer.size(), 13u);  // kept for the next page
  std::filesystem::resize_file(path, 6);
  try {
    ReadSlice(body, buffer);
    ADD_FAILURE() << "a body cut short was read";
  } catch (const InputError& error) {
    EXPECT_STREQ(error.what(), "record cut short");
  }
}

}  // namespace
}  // namespace korvane::cli
