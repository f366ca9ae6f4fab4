// SPDX-License-Identifier: Apache-2.0
#include "input/jsonl_input.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "chunked_reader.h"
#include "convert/convert.h"

namespace korvane::cli {
namespace {

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
      {R"({"id": 12345678901234567890123, "html": "x"})", Input::Kind::kPage,
       "standard input line 3", "12345678901234567890123", ""},
      {R"({"id":1.10,"html":"x"})", Input::Kind::kPage, "standard input line 3", "1.10", ""},
      {R"({"\u0069d": 1, "html": "x", "id" : {"k": [1, 2.50]} })", Input::Kind::kPage,
       "standard input line 3", R"({"k": [1, 2.50]})", ""},
      {R"({"html": "a\ud800b\udc00\\ud800\ud83d\ude00"})", Input::Kind::kPage,
       "standard input line 3", "", ""},
      {R"({"html": 5})", Input::Kind::kError, "standard input line 3", "", "no \"html\""},
      {R"([1, 2])", Input::Kind::kError, "standard input line 3", "", "not a JSON object"},
      {R"({"html": "x")", Input::Kind::kError, "standard input line 3", "", "invalid JSON"},
      {"", Input::Kind::kError, "standard input line 3", "", "invalid JSON"},
      // A byte order mark is no part of the line.
      {"\xEF\xBB\xBF{\"id\": 9, \"html\": \"x\"}", Input::Kind::kPage, "standard input line 3", "9",
       ""},
      {"\xEF\xBB\xBF {\"id\":\"b\"}", Input::Kind::kError, "standard input line 3", "\"b\"",
       "no \"html\""},
      // Numbers no double holds: the id comes back as given, other fields do
      // not matter.
      {R"({"id": 1e400, "html": "x"})", Input::Kind::kPage, "standard input line 3", "1e400", ""},
      {R"({"id": -1E+999, "html": "x", "score": [2e308, -9e9999, 1e-400]})", Input::Kind::kPage,
       "standard input line 3", "-1E+999", ""},
      {R"({"id": 1, "meta": {"n": 1e400, "s": "1e400 \" 1e400"}, "html": "x"})", Input::Kind::kPage,
       "standard input line 3", "1", ""},
      {R"({"id": 1e400, "html": 1e400})", Input::Kind::kError, "standard input line 3", "1e400",
       "no \"html\""},
  };
  for (const JsonLineCase& test : cases) {
    SCOPED_TRACE(test.line);
    const Input page = PageFromJsonLine(test.line, 3);
    EXPECT_EQ(page.kind, test.kind);
    EXPECT_EQ(page.source, test.source);
    EXPECT_EQ(page.id_json, test.id);
    EXPECT_NE(page.error.find(test.error_part), std::string::npos) << page.error;
  }
  EXPECT_EQ(PageFromJsonLine(R"({"html": "<p>中文</p>"})", 1).bytes, "<p>中文</p>");
  // A lone surrogate escape is U+FFFD; an escaped backslash and a pair are not touched.
  EXPECT_EQ(PageFromJsonLine(R"({"html": "a\ud800b\udc00\\ud800\ud83d\ude00"})", 1).bytes,
            "a\uFFFDb\uFFFD\\ud800\U0001F600");
}

constexpr std::string_view kPage = "\"html\":\"<body><p>x</p></body>\"";

std::string Nested(size_t depth, std::string_view open, std::string_view close,
                   std::string_view inside = "1") {
  std::string value;
  for (size_t level = 0; level < depth; ++level) value += open;
  value += inside;
  for (size_t level = 0; level < depth; ++level) value += close;
  return value;
}

struct Line {
  const char* name;
  std::string line;
  bool accepted;
};

// A line of 100,000 "[" once overflowed the stack while it was parsed.
// Lines nested more than 64 levels deep (the object itself is the first)
// are errors; the lines after them go on.
TEST(PageFromJsonLine, LinesNestedTooDeeplyAreErrorsNotCrashes) {
  const std::string page(kPage);
  const Line cases[] = {
      {"id of 63 arrays", "{\"id\":" + Nested(63, "[", "]") + "," + page + "}", true},
      {"id of 64 arrays", "{\"id\":" + Nested(64, "[", "]") + "," + page + "}", false},
      {"id of 100 objects", "{\"id\":" + Nested(100, "{\"a\":", "}") + "," + page + "}", false},
      {"id of 100,000 arrays", "{\"id\":" + Nested(100'000, "[", "]") + "," + page + "}", false},
      {"other value of 100,000 arrays",
       "{" + page + ",\"meta\":" + Nested(100'000, "[", "]") + ",\"id\":1}", false},
      {"deep inside a wide array",
       "{\"id\":" + Nested(1, "[", "]", Nested(1000, "0,", "", "") + Nested(70, "[", "]")) + "," +
           page + "}",
       false},
      {"a line of 100,000 \"[\"", Nested(100'000, "[", ""), false},
  };
  for (const Line& test : cases) {
    SCOPED_TRACE(test.name);
    const Result result = Convert(PageFromJsonLine(test.line, 7), {Format::kJsonl, {}, {}});
    const nlohmann::json written = nlohmann::json::parse(result.text);
    if (test.accepted) {
      EXPECT_EQ(result.kind, Input::Kind::kPage);
      EXPECT_EQ(written["id"], nlohmann::json::parse(test.line)["id"]);
    } else {
      EXPECT_EQ(result.kind, Input::Kind::kError);
      EXPECT_EQ(written["source"], "standard input line 7");
      EXPECT_EQ(written["error"], "JSON nested more than 64 levels deep");
    }
  }
}

// What the stream gives, page by page: its source, or "error: " and it.
std::vector<std::string> SourcesOf(std::string_view stream, size_t chunk, uint64_t max_line) {
  JsonLines lines(std::make_unique<test_support::ChunkedReader>(stream, chunk), max_line);
  std::vector<std::string> sources;
  while (std::optional<Input> page = lines.Next()) {
    sources.push_back((page->kind == Input::Kind::kError ? "error: " : "") + page->source);
  }
  return sources;
}

TEST(JsonLines, GivesEveryLineAndTheLastWithoutItsLineFeed) {
  const std::string a = R"({"url": "http://x.example/a", "html": "<p>a</p>"})";
  const std::string b = R"({"url": "http://x.example/b", "html": "<p>b</p>"})";
  const struct {
    const char* name;
    std::string stream;
    std::vector<std::string> sources;
  } cases[] = {
      {"every line ended", a + "\n" + b + "\n", {"http://x.example/a", "http://x.example/b"}},
      {"the last line not ended", a + "\n" + b, {"http://x.example/a", "http://x.example/b"}},
      {"CR LF", a + "\r\n" + b + "\r\n", {"http://x.example/a", "http://x.example/b"}},
      {"blank lines, skipped",
       "\n" + a + "\n \t\r\n" + b,
       {"http://x.example/a", "http://x.example/b"}},
      {"a line over the limit, skipped to its end",
       a + "\n" + std::string(1000, ' ') + "\n" + b,
       {"http://x.example/a", "error: standard input line 2", "http://x.example/b"}},
      {"nothing", "", {}},
      {"a byte order mark alone on the first line",
       "\xEF\xBB\xBF\n" + a + "\n\xEF\xBB\xBF \r\n" + b,
       {"http://x.example/a", "http://x.example/b"}},
  };
  for (const auto& test : cases) {
    for (const size_t chunk : {size_t{3}, size_t{1} << 16}) {
      SCOPED_TRACE(std::string(test.name) + ", chunks of " + std::to_string(chunk));
      EXPECT_EQ(SourcesOf(test.stream, chunk, 200), test.sources);
    }
  }
  JsonLines lines(std::make_unique<test_support::ChunkedReader>(std::string(300, 'x'), 7), 200);
  EXPECT_EQ(lines.Next()->error, "larger than 200 bytes (--max-page-size)");
}

}  // namespace
}  // namespace korvane::cli
