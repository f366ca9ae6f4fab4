# Writes OUTPUT, a header holding the page of GET / (PAGE, with the window's
# sample page, SAMPLE, escaped into the placeholder of its text box, and the
# project's VERSION in its caption) as bytes, so that the program carries it
# and reads no file to serve it.
cmake_minimum_required(VERSION 3.25)
file(READ "${PAGE}" page)
file(READ "${SAMPLE}" sample)
string(REPLACE "&" "&amp;" sample "${sample}")
string(REPLACE "<" "&lt;" sample "${sample}")
string(REPLACE "{{version}}" "${VERSION}" page "${page}")
string(REPLACE "{{sample}}" "${sample}" page "${page}")
file(WRITE "${OUTPUT}.html" "${page}")
file(READ "${OUTPUT}.html" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
string(REGEX REPLACE "(('[^']+',){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from cli/serve/page/index.html by embed.cmake: do not edit.\n"
  "#pragma once\n\n#include <string_view>\n\nnamespace korvane::serve {\n\n"
  "inline constexpr char kTryPageBytes[] = {\n${bytes}\n};\n"
  "inline constexpr std::string_view kTryPage(kTryPageBytes, sizeof kTryPageBytes);\n\n"
  "}  // namespace korvane::serve\n")
