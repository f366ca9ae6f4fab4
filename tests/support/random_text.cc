// SPDX-License-Identifier: Apache-2.0
#include "random_text.h"

#include <array>
#include <string_view>

namespace korvane::test_support {
namespace {

constexpr std::array<std::u16string_view, 64> kPieces = {u"<",
                                                         u">",
                                                         u"&",
                                                         u";",
                                                         u" ",
                                                         u"  ",
                                                         u"\r",
                                                         u"\n",
                                                         u"\r\n",
                                                         u"\t",
                                                         u"p",
                                                         u"br",
                                                         u"li",
                                                         u"tr",
                                                         u"td",
                                                         u"/",
                                                         u"-",
                                                         u"!",
                                                         u"a",
                                                         u"Z",
                                                         u"q",
                                                         u"x",
                                                         u"\u4e2d",
                                                         u"\u6587",
                                                         u"\uFF21",
                                                         u"\uFF41",
                                                         u"\uFF11",
                                                         u"\u3000",
                                                         u"\"",
                                                         u"'",
                                                         u"=",
                                                         u".",
                                                         u"<p>",
                                                         u"</p>",
                                                         u"<P class=x>",
                                                         u"<br>",
                                                         u"<br/>",
                                                         u"</br>",
                                                         u"<li>",
                                                         u"</li>",
                                                         u"</tr>",
                                                         u"</td>",
                                                         u"<!--",
                                                         u"-->",
                                                         u"<style>",
                                                         u"</style>",
                                                         u"<script>",
                                                         u"</script>",
                                                         u"<head>",
                                                         u"</head>",
                                                         u"<header>",
                                                         u"<HEAD ",
                                                         u"&nbsp;",
                                                         u"&lt;",
                                                         u"&gt;",
                                                         u"&amp;",
                                                         u"&amp;amp;",
                                                         u"&#123;",
                                                         u"zorblevant",
                                                         u"<img src='a.JPG'>",
                                                         u"<img src=\"Pic.png\" alt=x>",
                                                         u"src=",
                                                         u".gif",
                                                         u"\U0001F600"};

constexpr std::array<std::u16string_view, 12> kPageTags = {u"<title>",
                                                           u"</title>",
                                                           u"<h1>",
                                                           u"</h1>",
                                                           u"<body>",
                                                           u"</body>",
                                                           u"<div>",
                                                           u"</div>",
                                                           u"<img src='Photo/IMG_1.JPG'>",
                                                           u"<img src=x.gif>",
                                                           u"<a href='PHOTO/img_1.jpg'>",
                                                           u"<img src='a b.png'>"};

}  // namespace

std::u16string RandomText::Piece() { return std::u16string(kPieces[Below(kPieces.size())]); }

std::u16string RandomText::DenseText() {
  static constexpr std::u16string_view kDense[] = {u"\u65b0\u95fb\u62a5\u9053", u"2024", u"news",
                                                   u"\u5e02\u6c11", u"\uFF21\uFF22"};
  std::u16string text;
  for (int left = Below(40); left > 0; --left) text.append(kDense[Below(5)]);
  return text;
}

std::u16string RandomText::Fragment(int max_pieces) {
  std::u16string text;
  for (int left = Below(max_pieces + 1); left > 0; --left) text.append(Piece());
  return text;
}

std::u16string RandomText::Page(int max_pieces) {
  std::u16string page;
  for (int left = Below(max_pieces + 1); left > 0; --left) {
    const int choice = Below(10);
    if (choice < 4) {
      page.append(DenseText());
    } else if (choice < 7) {
      page.append(kPageTags[Below(kPageTags.size())]);
    } else {
      page.append(Piece());
    }
  }
  return page;
}

}  // namespace korvane::test_support
