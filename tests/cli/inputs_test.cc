#include "inputs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "ordered_pool.h"
#include "test_files.h"

namespace korvane::cli {
namespace {

using testing::TempDir;

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

struct JsonLineCase {
  std::string line;
  Input::Kind kind;
  std::string source;
  std::string id;  // as given
  std::string error_part;
};

TEST(PageFromJsonLine, TakesObjectsAndReportsEverythingElse) {
  const JsonLineCase cases[] = {
      {R"({"id": 7, "url": "http://x.example/a", "html": "<p>中文</p>"})", Input::Kind::kPage,
       "http://x.example/a", "7", ""},
      {R"({"id": "k", "html": "<p>x</p>"})", Input::Kind::kPage, "standard input line 3", "\"k\"",
       ""},
      {R"({"id": [1], "url": "http://x.example/"})", Input::Kind::kError, "http://x.example/",
       "[1]", "no \"html\""},
      {R"({"html": 5})", Input::Kind::kError, "standard input line 3", "", "no \"html\""},
      {R"([1, 2])", Input::Kind::kError, "standard input line 3", "", "not a JSON object"},
      {R"({"html": "x")", Input::Kind::kError, "standard input line 3", "", "invalid JSON"},
      {"", Input::Kind::kError, "standard input line 3", "", "invalid JSON"},
  };
  for (const JsonLineCase& c : cases) {
    SCOPED_TRACE(c.line);
    const Input page = PageFromJsonLine(c.line, 3);
    EXPECT_EQ(page.kind, c.kind);
    EXPECT_EQ(page.source, c.source);
    EXPECT_EQ(page.id_json, c.id);
    EXPECT_NE(page.error.find(c.error_part), std::string::npos) << page.error;
  }
  EXPECT_EQ(PageFromJsonLine(R"({"html": "<p>中文</p>"})", 1).bytes, "<p>中文</p>");
}

TEST(RunInOrder, EmitsInInputOrderWithABoundedWindow) {
  for (const unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    const size_t window = 3 * jobs;
    int next = 0;
    std::atomic<int> in_flight = 0;
    std::atomic<int> most_in_flight = 0;
    std::vector<int> emitted;
    RunInOrder<int, int>(
        {jobs, window},
        [&]() -> std::optional<int> {
          if (next == 200) return std::nullopt;
          most_in_flight = std::max(most_in_flight.load(), ++in_flight);
          return next++;
        },
        [](int&& item) {
          // Later items finish first now and then.
          std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 300));
          return item;
        },
        [&](int&& item) {
          emitted.push_back(item);
          --in_flight;
        });
    ASSERT_EQ(emitted.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(emitted[i], i);
    EXPECT_LE(most_in_flight.load(), static_cast<int>(window));
  }
}

TEST(RunInOrder, PassesOnAFailureOfTheInputAfterWhatCameBefore) {
  int next = 0;
  std::vector<int> emitted;
  EXPECT_THROW((RunInOrder<int, int>(
                   {2, 4},
                   [&]() -> std::optional<int> {
                     if (next == 5) throw std::runtime_error("read failed");
                     return next++;
                   },
                   [](int&& item) { return item; }, [&](int&& item) { emitted.push_back(item); })),
               std::runtime_error);
  EXPECT_EQ(emitted, (std::vector<int>{0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace korvane::cli
