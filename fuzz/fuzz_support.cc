// SPDX-License-Identifier: Apache-2.0
#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace korvane::fuzz {
namespace {

constexpr std::u16string_view kPieces[] = {
    // Tags that cut, mark or hold the text, in both letter cases.
    u"<body>", u"</body>", u"<BODY class=x>", u"<title>", u"</title>", u"<TITLE>", u"<h1>",
    u"</h1>", u"<H1 id=t>", u"<p>", u"</p>", u"<P class=x>", u"<p", u"<br>", u"<br/>", u"</br>",
    u"<BR>", u"br>", u"<li>", u"</li>", u"<tr>", u"</tr>", u"<td>", u"</td>", u"<div>", u"</div>",
    u"<a href='/x'>", u"</a>", u"<span>", u"</span>",
    // Blocks and comments, closed and not, and names that only begin like them.
    u"<style>", u"</style>", u"<script>", u"</script>", u"<head>", u"</head>", u"<header>",
    u"<HEAD ", u"<head\t", u"<style/", u"<scripts>", u"<!--", u"-->", u"<!-->", u"--",
    u"<!doctype html>",
    // Entities, whole, cut and nested.
    u"&nbsp;", u"&lt;", u"&gt;", u"&amp;", u"&amp;amp;", u"&#20013;", u"&quot;", u"&copy", u"&;",
    u"&&", u";;", u"&1234567890;", u"&nb&lt;sp;",
    // Image tags and their parts.
    u"<img src='Photo/A1.JPG'>", u"<img src=\"a b.png\" alt=x>", u"<IMG SRC=x.GIF>", u"<img src=>",
    u"<img", u"src=", u".jpg", u".gif", u".GIF", u"\"", u"'",
    // The line-break sentinel and what it is built from.
    u"zorblevant", u"zorble", u"vant", u"qq>", u"<q",
    // White space.
    u"  ", u"\r\n", u"\r\n\r\n", u" \r\n", u"\t", u"\u3000", u"\u00a0",
    // Dense text: ideographs, digits, lower-case letters, full-width forms.
    u"\u65b0\u95fb",
    u"\u8bb0\u8005\u4ece\u6709\u5173\u90e8\u95e8\u83b7\u6089\u4eca"
    u"\u5e74\u5168\u5e02\u7ecf\u6d4e\u8fd0\u884c\u603b\u4f53\u5e73\u7a33\u57ce\u4e61"
    u"\u5c45\u6c11\u6536\u5165\u7a33\u6b65\u63d0\u9ad8\u767e\u5206\u4e4b\u516d\u70b9"
    u"\u4e94\u589e\u957f",
    u"2024", u"news", u"\uFF21\uFF22\uFF23", u"\uFF41", u"\uFF11\uFF10", u"\uFF0F", u"\uFF1A",
    u"\uFF3B", u"\uF900", u"\uFA2D", u"\u9FA5", u"\u4E00",
    // Units whose lower case is ASCII, and surrogates alone and in pairs.
    u"\u0130", u"\u212A", u"\u00C0", u"\U0001F600", u"\xD83D", u"\xDE00", u"\uFFFD", u"\uFEFF",
    std::u16string_view(u"\0", 1)};
static_assert(std::size(kPieces) < 0x7F, "a piece for each byte from 0x80 to 0xFE");

constexpr std::u16string_view kMarkers[] = {u"",
                                            u"<",
                                            u">",
                                            u"&",
                                            u";",
                                            u" ",
                                            u"  ",
                                            u"\r\n",
                                            u"\r\n\r\n",
                                            u" \r\n",
                                            u"a",
                                            u"aa",
                                            u"ab",
                                            u"aba",
                                            u"abab",
                                            u"bab",
                                            u"b",
                                            u"--",
                                            u"-",
                                            u"-->",
                                            u"<!--",
                                            u"<style",
                                            u"</style>",
                                            u"<head",
                                            u"</head>",
                                            u"<script",
                                            u"</script>",
                                            u"&nbsp;",
                                            u"&lt;",
                                            u"&amp;",
                                            u"<p",
                                            u"zorblevant",
                                            u"zorblevant<q",
                                            u"<br",
                                            u"zorblevant<qq",
                                            u"br>",
                                            u"qq>zorblevant",
                                            u"</td>",
                                            u"</li>",
                                            u"</p>",
                                            u"</tr>",
                                            u"\r",
                                            u"\n",
                                            u"\t",
                                            u"<a",
                                            u"aa<a",
                                            u"<<"};

}  // namespace

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::abort();
}

uint8_t Bytes::Byte() {
  if (rest_.empty()) return 0;
  const uint8_t byte = static_cast<uint8_t>(rest_.front());
  rest_.remove_prefix(1);
  return byte;
}

std::string_view Bytes::Take(size_t size) {
  const std::string_view taken = rest_.substr(0, size);
  rest_.remove_prefix(taken.size());
  return taken;
}

std::u16string Units(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                     static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

std::u16string PieceText(std::string_view bytes, size_t max_units) {
  std::u16string text;
  for (size_t at = 0; at < bytes.size(); ++at) {
    const uint8_t byte = static_cast<uint8_t>(bytes[at]);
    std::u16string piece;
    if (byte < 0x80) {
      piece = std::u16string(1, byte);
    } else if (byte == 0xFF) {
      piece = Units(bytes.substr(at + 1, 2));
      at += 2;
    } else {
      piece = kPieces[(byte - 0x80) % std::size(kPieces)];
    }
    if (text.size() + piece.size() > max_units) break;
    text += piece;
  }
  return text;
}

std::string PieceBytes(std::initializer_list<std::u16string_view> pieces) {
  std::string bytes;
  for (std::u16string_view piece : pieces) {
    const auto known = std::find(std::begin(kPieces), std::end(kPieces), piece);
    if (known != std::end(kPieces)) {
      bytes += static_cast<char>(0x80 + (known - std::begin(kPieces)));
      continue;
    }
    for (char16_t unit : piece) {
      if (unit < 0x80) {
        bytes += static_cast<char>(unit);
      } else {
        bytes += {'\xFF', static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      }
    }
  }
  return bytes;
}

std::u16string_view Marker(uint8_t index) { return kMarkers[index % std::size(kMarkers)]; }

}  // namespace korvane::fuzz
