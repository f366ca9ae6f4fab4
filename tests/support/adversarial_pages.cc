// SPDX-License-Identifier: Apache-2.0
#include "adversarial_pages.h"

#include <string>

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

namespace {

std::u16string Number(size_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string Joined(std::initializer_list<std::u16string_view> parts) {
  std::u16string text;
  for (const std::u16string_view part : parts) text.append(part);
  return text;
}

constexpr std::u16string_view kTitleTag = u"<title>\u57ce\u5e02\u65b0\u95fb</title>";

// A page of `units` units: `head` in the <head>, then a headline and a
// paragraph, then the pieces `piece(i)` for i = 0, 1, ... up to the size,
// then two paragraphs.
template <typename Piece>
std::u16string PageOfPieces(std::u16string_view head, size_t units, Piece piece) {
  std::u16string page = u"<html><head>";
  page.append(head).append(u"</head><body><h1>").append(DenseText(30)).append(u"</h1><p>");
  page.append(DenseText(kBlock)).append(u"</p>");
  for (size_t i = 0; page.size() < units; ++i) page.append(piece(i));
  page.append(u"<p>").append(DenseText(kBlock)).append(u"</p><p>").append(DenseText(kBlock));
  return page.append(u"</p></body></html>");
}

std::u16string NoPiece(size_t) { return {}; }

}  // namespace

std::u16string DistinctImages(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({u"<img src=\"/photo/", Number(i), u".jpg\">", i % 8 == 0 ? DenseText(20) : u""});
  });
}

std::u16string ManyClassNames(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({u"<div class=\"mainContentArticleBodyText x", Number(i),
                   u" commentListShareSidebar\" id=\"post", Number(i), u"\">", DenseText(10),
                   u"</div>"});
  });
}

std::u16string ManyMetaTags(size_t units) {
  std::u16string metas(kTitleTag);
  for (size_t i = 0; metas.size() < units; ++i) {
    metas.append(Joined({u"<meta name=\"pubdate\" content=\"no date ", Number(i), u"\">"}));
    metas.append(
        Joined({u"<meta name=\"author\" content=\"http://example.com/", Number(i), u"\">"}));
  }
  return PageOfPieces(metas, 0, NoPiece);
}

std::u16string LongJsonLd(size_t units) {
  std::u16string json = u"{\"@type\":\"NewsArticle\",\"mentions\":[";
  for (size_t i = 0; json.size() < units; ++i) {
    json.append(Joined({u"{\"@type\":\"Thing\",\"name\":\"n", Number(i), u"\"},"}));
  }
  json.append(u"{}],\"datePublished\":\"2023-11-18\",\"author\":\"Jane Doe\"}");
  return PageOfPieces(
      Joined({kTitleTag, u"<script type=\"application/ld+json\">", json, u"</script>"}), 0,
      NoPiece);
}

std::u16string TitleOfNearMatches(size_t units) {
  // "aaa...ac_aaa...ab": the second part, the longer, is the headline; each
  // place in the first part matches it far before failing.
  std::u16string title = u"<title>";
  title.append(units / 3, u'a').append(u"c_").append(units * 2 / 3 - 2, u'a');
  return PageOfPieces(title.append(u"b</title>"), 0, NoPiece);
}

std::u16string OgTitleOfManyParts(size_t units) {
  // The <title>'s headline is its longer part; its other part holds every
  // part of the og:title, after a long run.
  std::u16string site(units / 4, u'z');
  std::u16string og = u"Headline";
  for (size_t i = 0; og.size() < units / 4; ++i) {
    site.append(Joined({u"w", Number(i), u"x"}));
    og.append(Joined({u"_w", Number(i), u"x"}));
  }
  const std::u16string headline(site.size() * 2, u'h');
  return PageOfPieces(Joined({u"<title>", site, u"_", headline,
                              u"</title><meta property=\"og:title\" content=\"", og, u"\">"}),
                      0, NoPiece);
}

std::u16string BylineOfBrackets(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t) { return u"作者：新华社 ("; });
}

std::u16string ManyAuthorElements(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({u"<span class=\"author\">", DenseText(6), u"</span><time datetime=\"2023-11-",
                   Number(10 + i % 18), u"\">", Number(i), u"</time>"});
  });
}

std::u16string ManyDatelines(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({u"<div>发布时间：2023-11-", Number(10 + i % 18), u" 10:20 来源：本报 2022-01-0",
                   Number(1 + i % 9), u"</div>"});
  });
}

std::u16string ManyShortLines(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) { return Joined({Number(i), u"<br>"}); });
}

std::u16string ManyComments(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({i % 2 == 0 ? u"<!-- a -- b -->" : u"<!-- c --!>", DenseText(5)});
  });
}

std::u16string UnclosedSvg(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({i % 2 == 0 ? u"<svg><g><path d=\"M0 0\">" : u"<math><mi>x</mi><mo>", u"<p>",
                   DenseText(20), u"</p>"});
  });
}

std::u16string EscapedScripts(size_t units) {
  return PageOfPieces(kTitleTag, units, [](size_t i) {
    return Joined({u"<script><!-- document.write('<script src=\"/", Number(i),
                   u".js\"></script>'); --></script><p>", DenseText(20), u"</p>"});
  });
}

}  // namespace korvane::test_support
