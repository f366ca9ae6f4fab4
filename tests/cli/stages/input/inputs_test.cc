// SPDX-License-Identifier: Apache-2.0
#include "input/inputs.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "temp_dir.h"

namespace korvane::cli {
namespace {

using test_support::TempDir;

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

}  // namespace
}  // namespace korvane::cli
