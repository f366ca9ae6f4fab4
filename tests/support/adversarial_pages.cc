// SPDX-License-Identifier: Apache-2.0
#include "adversarial_pages.h"

namespace korvane::test_support {
namespace {

constexpr size_t kBlock = 200;

// Ideographs, digits and lower-case letters: every unit counts as text.
constexpr std::u16string_view kDense =
    u"\u8bb0\u8005\u4ece\u6709\u5173\u90e8\u95e8\u83b7\u6089\u4eca\u5e74\u5168"
    u"\u5e02\u7ecf\u6d4e\u8fd0\u884c\u603b\u4f53\u5e73\u7a332024\u57ce\u4e61"
    u"\u5c45\u6c11\u6536\u5165\u7a33\u6b65\u63d0\u9ad8gdp\u589e\u957f";

constexpr std::u16string_view kHead =
    u"<html><head><title>\u57ce\u5e02\u65b0\u95fb\u7ecf\u6d4e\u8fd0\u884c"
    u"\u603b\u4f53\u5e73\u7a33</title></head>";

// A 200-unit block of markup holding no text between its tags.
std::u16string SparseBlock() {
  constexpr std::u16string_view kLink = u"<a href=\"/x/\"></a>";
  std::u16string block = u"<div>";
  while (block.size() + kLink.size() + 6 <= kBlock) block.append(kLink);
  block.append(kBlock - 6 - block.size(), u' ');
  return block.append(u"</div>");
}

// A 200-unit block that is a paragraph of dense text.
std::u16string DenseBlock() { return u"<p>" + DenseText(kBlock - 7) + u"</p>"; }

std::u16string InBody(std::u16string_view body) {
  return std::u16string(kHead) + u"<body>" + std::u16string(body) + u"</body></html>";
}

}  // namespace

std::u16string Repeated(std::u16string_view piece, size_t units) {
  std::u16string text;
  text.reserve(units + piece.size());
  while (text.size() < units) text.append(piece);
  return text;
}

std::string Repeated(std::string_view piece, size_t bytes) {
  std::string text;
  text.reserve(bytes + piece.size());
  while (text.size() < bytes) text.append(piece);
  return text;
}

std::u16string DenseText(size_t units) {
  std::u16string text;
  while (text.size() < units) text.append(kDense.substr(0, units - text.size()));
  return text;
}

std::u16string RepeatedPiece(std::u16string_view piece, size_t units, Placement placement) {
  switch (placement) {
    case Placement::kBare:
      return Repeated(piece, units);
    case Placement::kBody:
      return InBody(Repeated(piece, units));
    case Placement::kTitle:
      return u"<html><head><title>" + Repeated(piece, units) + u"</title></head></html>";
    case Placement::kAfterArticle:
      return InBody(u"<p>" + DenseText(units) + u"</p>" + Repeated(piece, units));
  }
  return {};
}

std::u16string PageWithImages(size_t images) {
  std::u16string page(kHead);
  page.append(u"<body>");
  for (size_t image = 0; image < images; ++image) {
    if (image % 8 == 0) page.append(u"<p>").append(DenseText(90)).append(u"</p>");
    page.append(u"<img src=\"/photo/").append(std::u16string(1, u'a' + image % 26));
    page.append(std::u16string(1, u'a' + image / 26 % 26)).append(u".jpg\">");
  }
  return page.append(u"</body></html>");
}

std::u16string DenseBody(size_t units) {
  std::u16string page(kHead);
  page.append(u"<body>");
  const size_t end = page.size() + units;
  while (page.size() < end) page.append(DenseBlock());
  return page.append(u"</body></html>");
}

std::u16string AlternatingBlocks(size_t blocks, size_t sparse_run) {
  std::u16string page(kHead);
  page.append(u"<body>");
  const std::u16string dense = DenseBlock();
  const std::u16string sparse = SparseBlock();
  for (size_t block = 0; block < blocks; ++block) {
    page.append(block % (sparse_run + 1) == 0 ? dense : sparse);
  }
  return page.append(u"</body></html>");
}

std::u16string DensePageWithPairAt(size_t index, size_t units) {
  std::u16string page(kHead);
  page.append(u"<body><p>");
  page.append(DenseText(index - page.size()));
  page.append(u"\U0001F600");
  page.append(DenseText(units - page.size()));
  return page;
}

std::u16string NestedElements(size_t depth) {
  std::u16string page = Repeated(u"<div>", depth * 5);
  page.append(u"<p>").append(DenseText(kBlock)).append(u"</p>");
  return page.append(Repeated(u"</div>", depth * 6));
}

std::u16string UnclosedTags(size_t count) { return Repeated(u"<span>word ", count * 11); }

std::u16string HugeAttribute(size_t units) {
  std::u16string page = u"<html><body><div title=\"";
  page.append(Repeated(u"a", units)).append(u"\"><p>");
  return page.append(DenseText(kBlock)).append(u"</p></div></body></html>");
}

std::u16string OneTextNode(size_t units) { return DenseText(units); }

std::u16string StrayEndTags(size_t count) {
  std::u16string page = u"<div><table><tr><td>";
  page.append(Repeated(u"<b>", 3 * 60)).append(DenseText(kBlock));
  return page.append(Repeated(u"</div>", count * 6));
}

std::u16string ManyAttributes(size_t count) {
  std::u16string page = u"<html><body><div ";
  page.append(Repeated(u"a ", count * 2)).append(u"><p>");
  return page.append(DenseText(kBlock)).append(u"</p></div></body></html>");
}

}  // namespace korvane::test_support
