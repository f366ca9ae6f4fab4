// SPDX-License-Identifier: Apache-2.0
#include "command_line.h"

#include <string_view>

namespace korvane::ui {
namespace {

// Read by help2man for the manual page: keep its layout (usage line,
// "Options:", two-column option lines).
constexpr std::string_view kHelp =
    "Usage: korvane-window [OPTION]...\n"
    "Opens KORVANE's window. Paste the HTML source of a web page into the upper\n"
    "box (HTML格式网页) and press 抽取转换 (extract and convert): the lower box\n"
    "(转换后TXT正文) receives the page's extraction record, made by the block\n"
    "algorithm. The upper box starts out holding a sample page. Closing the\n"
    "window ends the program; nothing is saved.\n"
    "\n"
    "Options:\n"
    "  -h, --help         print this help and exit\n"
    "  -V, --version      print the version and exit\n"
    "  --click-convert    press 抽取转换 once the window is up (for screenshots)\n"
    "\n"
    "Qt's own options, such as -platform NAME and -style NAME, are taken as well.\n";

}  // namespace

std::optional<int> AnswerWithoutWindow(int argc, const char* const* argv, std::ostream& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      out << kHelp;
      return 0;
    }
    if (argument == "-V" || argument == "--version") {
      out << "korvane-window " KORVANE_VERSION "\n";
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace korvane::ui
