// Messages on standard error name inputs by file names, URLs and WARC
// headers, which may hold control characters: each message stays one line
// of plain text, whatever the names hold.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>

#include "test_files.h"

namespace korvane::cli {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WarcRecord;

// Standard error of korvane run on `args` in `dir`.
std::string ErrorsOf(const TempDir& dir, const std::string& args) {
  const std::string line = "cd '" + dir.path().string() + "' && '" KORVANE_BINARY "' -q " + args +
                           " > /dev/null 2> stderr.txt";
  std::system(line.c_str());
  return ReadFile(dir.path() / "stderr.txt");
}

bool IsControl(char c) { return (static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F; }

TEST(MessagesHardening, ControlCharactersInNamesAreShownAsQuestionMarks) {
  TempDir dir;
  // A record cut short, named by a URI that tries to retitle the terminal.
  const std::string record =
      WarcRecord({.uri = "http://news.example/\x1b]0;owned\x07/a", .body = "<p>x</p>"});
  dir.Write("cut.warc", record.substr(0, record.size() - 40));
  dir.Write("binary\x01\x1b[2J.html", std::string("\x80\x81\0\0", 4) + std::string(9, '\0'));
  const std::string errors = ErrorsOf(dir, "cut.warc 'binary'*.html");
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
  EXPECT_EQ(std::count_if(errors.begin(), errors.end(), IsControl), 0) << errors;
  EXPECT_NE(errors.find("http://news.example/?]0;owned?/a"), std::string::npos) << errors;
  EXPECT_NE(errors.find("binary??[2J.html"), std::string::npos) << errors;
}

}  // namespace
}  // namespace korvane::cli
