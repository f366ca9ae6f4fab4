// Pages made of one marker over and over, and the other shapes that the
// adversarial benchmark times at full size, here small enough for the
// step-by-step transliteration: the engine gives the same records.
#include <gtest/gtest.h>

#include "korvane.h"
#include "literal.h"

namespace korvane {
namespace {

constexpr size_t kUnits = 3000;
constexpr std::u16string_view kHead = u"<html><head><title>\u57ce\u5e02\u65b0\u95fb</title></head>";

std::u16string Repeated(std::u16string_view piece, size_t units) {
  std::u16string text;
  while (text.size() < units) text += piece;
  return text;
}

std::u16string Dense(size_t units) {
  return Repeated(u"\u8bb0\u8005\u4ece\u6709\u5173gdp2024", units);
}

std::u16string Body(std::u16string_view body) {
  return std::u16string(kHead) + u"<body>" + std::u16string(body) + u"</body></html>";
}

std::u16string WithImages(int images) {
  std::u16string body;
  for (int image = 0; image < images; ++image) {
    if (image % 4 == 0) body += u"<p>" + Dense(90) + u"</p>";
    body += u"<img src=\"/Photo/" + std::u16string(1, u'A' + image % 26) + u".JPG\">";
  }
  return Body(body);
}

std::u16string Alternating(int blocks, int sparse_run) {
  const std::u16string dense = u"<p>" + Dense(193) + u"</p>";
  const std::u16string sparse = Repeated(u"<a href=x></a>", 200);
  std::u16string body;
  for (int block = 0; block < blocks; ++block) {
    body += block % (sparse_run + 1) == 0 ? dense : sparse;
  }
  return Body(body);
}

struct Shape {
  std::string name;
  std::u16string page;
};

std::vector<Shape> Shapes() {
  std::vector<Shape> shapes;
  const std::pair<const char*, std::u16string_view> pieces[] = {
      {"lt", u"<"},
      {"gt", u">"},
      {"amp", u"&"},
      {"amp_semi", u"&;"},
      {"comment", u"<!--"},
      {"p_open", u"<p"},
      {"spaces", u"  "},
      {"crlf", u"\r\n"},
      {"dense_and_lt", u"\u65b0<"},
      {"dense_and_amp", u"\u65b0\u95fb&"}};
  for (const auto& [name, piece] : pieces) {
    const std::u16string run = Repeated(piece, kUnits);
    shapes.push_back({std::string("only_") + name, run});
    shapes.push_back({std::string("body_") + name, Body(run)});
    shapes.push_back({std::string("title_") + name, u"<title>" + run + u"</title>"});
    shapes.push_back(
        {std::string("article_then_") + name, Body(u"<p>" + Dense(kUnits) + u"</p>" + run)});
  }
  shapes.push_back({"images", WithImages(120)});
  shapes.push_back({"dense_body", Body(u"<p>" + Dense(kUnits) + u"</p>")});
  shapes.push_back({"alternating_blocks", Alternating(16, 1)});
  shapes.push_back({"separate_runs", Alternating(24, 3)});
  return shapes;
}

TEST(DegeneratePages, GiveTheRecordsOfTheLiteralSteps) {
  for (const Shape& shape : Shapes()) {
    EXPECT_EQ(HtmlToText(shape.page), literal::HtmlToText(shape.page)) << shape.name;
  }
}

}  // namespace
}  // namespace korvane
