#include "inputs.h"

#include <gtest/gtest.h>
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

TEST(Inputs, NamesRecordFilesAfterTheInputTree) {
  const std::pair<const char*, const char*> cases[] = {
      {"pages/a.html", "pages/a.html.txt"},
      {"/abs/pages/a.html", "abs/pages/a.html.txt"},
      {"../up/./a.html", "up/a.html.txt"},
      {"a.warc.gz", "a.warc.gz.txt"},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(MirrorName(path), name) << path;
}

}  // namespace
}  // namespace korvane::cli
