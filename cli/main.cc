// korvane [FILE]: the extraction record of one UTF-8 page, on standard output.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "korvane.h"
#include "utf8.h"

namespace {

bool ReadAll(std::istream& in, std::string& bytes) {
  std::ostringstream buffer;
  buffer << in.rdbuf();
  bytes = std::move(buffer).str();
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::string bytes;
  if (argc > 1 && std::string_view(argv[1]) != "-") {
    std::ifstream file(argv[1], std::ios::binary);
    if (!file || !ReadAll(file, bytes)) {
      std::cerr << "korvane: " << argv[1] << ": " << std::strerror(errno) << '\n';
      return 1;
    }
  } else if (!ReadAll(std::cin, bytes)) {
    std::cerr << "korvane: standard input: read error\n";
    return 1;
  }
  const std::u16string page = korvane::cli::FromUtf8(bytes).text;
  std::cout << korvane::cli::ToUtf8(korvane::HtmlToText(page));
  return std::cout.flush() ? 0 : 1;
}
