// SPDX-License-Identifier: Apache-2.0
#include "input/jsonl_html.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "input/jsonl_input.h"

namespace korvane::cli {
namespace {

// Lines whose "html" is read by hand: it must be what the parser reads.
TEST(ReadHtmlMember, ReadsTheStringAsTheParserDoes) {
  const std::string lines[] = {
      R"({"html": "<p>中文</p>"})",
      R"({"id": 1, "url": "http://a.example/", "html" : "x"})",
      R"( {"html":"a\"b\\c\/d\b\f\n\r\t\u0041\u00e9\u4e2d\ud83d\ude00\u0000z"} )",
      R"({"html": "\\\"", "k": "\"html\": 1"})",
      R"({"a": {"html": 1}, "b": ["html", {"html": 2}], "html": "top"})",
      R"({"html": ""})",
      R"({"html": "x", "a": "html"})",
      "{\"html\": \"" + std::string(100000, 'a') + "\\n\"}",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line.substr(0, 80));
    const std::optional<HtmlMember> member = ReadHtmlMember(line);
    ASSERT_TRUE(member.has_value());
    EXPECT_EQ(member->text, nlohmann::json::parse(line)["html"].get<std::string>());
    EXPECT_EQ(line[member->begin], '"');
    EXPECT_EQ(line[member->end - 1], '"');
  }
}

// Lines it leaves to the parser, which decides what they are.
TEST(ReadHtmlMember, LeavesWhatItIsNotSureOfToTheParser) {
  const std::string lines[] = {
      R"({"html": "x", "html": "y"})",       // the parser keeps the last
      R"({"ht\u006dl": "x", "html": "y"})",  // a key with an escape
      R"({"html": "x", "\u0068tml": "y"})",
      R"({"html": 5})",                   // no string
      R"({"url": "http://a.example/"})",  // no html
      R"(["html", "x"])",                 // no object
      "{\"html\": \"a\tb\"}",             // a raw control character
      R"({"html": "a\qb"})",              // an escape JSON has not
      R"({"html": "a\u12"})",
      R"({"html": "\ud800"})",  // a lone surrogate
      R"({"html": "\udc00\ud800"})",
      "{\"html\": \"\xff\xfe\"}",      // not UTF-8
      "{\"html\": \"\xed\xa0\x80\"}",  // a surrogate in UTF-8
      "{\"html\": \"\xc0\xaf\"}",      // an overlong form
      R"({"html": "never closed)",
      R"({"html" "x"})",
      "",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(ReadHtmlMember(line).has_value());
  }
}

std::string ParserError(const std::string& line) {
  try {
    const nlohmann::ordered_json object = nlohmann::ordered_json::parse(line);
    return "no error: " + object.dump();
  } catch (const nlohmann::json::exception& error) {
    const std::string message = error.what();
    return "invalid JSON: " + message.substr(message.find("] ") + 2);
  }
}

// A page read by hand in a line that is broken elsewhere: the error is the
// parser's on the whole line, at the place it names.
TEST(ReadHtmlMember, ErrorsElsewhereInTheLineAreTheParsers) {
  const std::string lines[] = {
      R"({"html": "<p>a long page</p>", "id": tru})",
      R"({"html": "<p>a long page</p>" "id": 1})",
      R"({"html": "<p>a long page</p>", "id": 1)",
      R"({"html": "<p>a long page</p>"}{"id": 1})",
      R"({"html": "<p>a long page</p>", "id": [1, }})",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ASSERT_TRUE(ReadHtmlMember(line).has_value());
    const Input page = PageFromJsonLine(line, 1);
    EXPECT_EQ(page.kind, Input::Kind::kError);
    EXPECT_EQ(page.error, ParserError(line));
  }
}

}  // namespace
}  // namespace korvane::cli
