// SPDX-License-Identifier: Apache-2.0
// A user's program built against the installed library alone: prints the
// record of the UTF-8 page named by its argument, in UTF-8.
#include <korvane.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

// UTF-8 to UTF-16 and back, for valid text (the test's page is).
std::u16string Utf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? byte : byte & (0x7F >> length);
    for (int k = 1; k < length; ++k) code = (code << 6) | (text[i + k] & 0x3F);
    i += length;
    if (code < 0x10000) {
      out += static_cast<char16_t>(code);
    } else {
      out += static_cast<char16_t>(0xD7C0 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
  }
  return out;
}

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    const int length = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    if (length == 1) {
      out += static_cast<char>(code);
      continue;
    }
    // The lead byte: 110xxxxx, 1110xxxx or 11110xxx; then 10xxxxxx each.
    out += static_cast<char>((0xFF00 >> length) | code >> 6 * (length - 1));
    for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | (code >> 6 * k & 0x3F));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: consumer PAGE\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string page{std::istreambuf_iterator<char>(file), {}};
  if (!file) {
    std::cerr << "consumer: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::cout << Utf8(korvane::HtmlToText(Utf16(page)));
  return 0;
}
