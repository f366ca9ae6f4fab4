// SPDX-License-Identifier: Apache-2.0
// What the last stage writes, seen through the program: messages on
// standard error.
#include "output.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "korvane_run.h"
#include "temp_dir.h"
#include "warc_record.h"

namespace korvane::cli {
namespace {

using test_support::TempDir;
using test_support::WarcRecord;

bool IsControl(char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F; }

// Messages name inputs by file names, URLs and WARC headers, which may hold
// control characters: each message stays one line of plain text, what a
// terminal acts on escaped (names_test.cc has every kind).
TEST(Writer, EscapesControlCharactersInNames) {
  TempDir dir;
  // A record cut short, named by a URI that tries to retitle the terminal.
  const std::string record =
      WarcRecord({.uri = "http://news.example/\x1b]0;owned\x07/a", .body = "<p>x</p>"});
  dir.Write("cut.warc", record.substr(0, record.size() - 40));
  dir.Write("binary\x01\x1b[2J.html", std::string("\x80\x81\0\0", 4) + std::string(9, '\0'));
  const std::string errors = test_support::RunKorvane(dir.path(), "-q cut.warc 'binary'*.html").err;
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
  EXPECT_EQ(std::count_if(errors.begin(), errors.end(), IsControl), 0) << errors;
  EXPECT_NE(errors.find("http://news.example/\\x1B]0;owned\\x07/a"), std::string::npos) << errors;
  EXPECT_NE(errors.find("binary\\x01\\x1B[2J.html"), std::string::npos) << errors;
}

}  // namespace
}  // namespace korvane::cli
