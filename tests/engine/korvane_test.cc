// SPDX-License-Identifier: Apache-2.0
#include "korvane.h"

#include <gtest/gtest.h>

#include <thread>

#include "adversarial_pages.h"
#include "block/reference.h"
#include "pages.h"
#include "random_text.h"

namespace korvane {
namespace {

using test_support::kParagraphRepeats;
using test_support::OneParagraphPage;

TEST(HtmlToTextTest, EmptyInputGivesTheSmallestRecord) {
  EXPECT_EQ(HtmlToText(u""), u"[[txt]]\r\n");
}

TEST(HtmlToTextTest, RecordShapes) {
  const std::u16string paragraph = u"\u65b0\u95fb\u6b63\u6587 news text 2024 ";
  std::u16string body;
  for (int i = 0; i < kParagraphRepeats; ++i) body.append(paragraph);
  body.pop_back();
  const struct {
    const char* name;
    std::u16string html, record;
  } cases[] = {
      {"title without article", u"<title>Only A Title</title>",
       u"[[ht=only a title]]\r\n[[txt]]\r\n"},
      {"h1 without article", u"<body><h1>Head</h1></body>", u"[[ha=head]]\r\n[[txt]]\r\n"},
      {"everything", OneParagraphPage(u"\u65b0\u95fb]]\uFF34itle", u"Pics/One.JPG", paragraph),
       u"[[ht=\u65b0\u95fb]]title]]\r\n[[ha=\u65b0\u95fb]]\r\n[[ur=Pics/One.JPG]]\r\n"
       u"[[txt]]\r\n\r\n" +
           body + u"\r\n"},
  };
  for (const auto& test : cases) EXPECT_EQ(HtmlToText(test.html), test.record) << test.name;
}

TEST(HtmlToTextTest, FoldsFullWidthLettersInTheBody) {
  const std::u16string page =
      OneParagraphPage(u"t", u"a.jpg", u"\u6b63\u6587\uFF21\uFF42\uFF13\u6587\u5b57");
  const std::u16string record = HtmlToText(page);
  EXPECT_NE(record.find(u"\u6b63\u6587ab3\u6587\u5b57"), std::u16string::npos);
}

TEST(HtmlToTextTest, KeepsTheLastPageAndItsImageLines) {
  const std::u16string with_image =
      OneParagraphPage(u"t", u"A.png", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
  HtmlToText(with_image);
  EXPECT_EQ(SourceHtml, with_image);
  EXPECT_EQ(ImageLines, u"[[ur=A.png]]\r\n");

  const std::u16string record = HtmlToText(u"<title>x</title>");
  EXPECT_EQ(record, u"[[ht=x]]\r\n[[txt]]\r\n");
  EXPECT_EQ(SourceHtml, u"<title>x</title>");
  EXPECT_EQ(ImageLines, u"");
}

TEST(HtmlToTextTest, ExtractArticleGivesTheRecordsPieces) {
  const std::u16string page =
      OneParagraphPage(u"T", u"a.jpg", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
  const Article article = ExtractArticle(page);
  EXPECT_EQ(article.title, u"t");
  EXPECT_EQ(article.images, std::vector<std::u16string>{u"a.jpg"});
  EXPECT_EQ(FormatRecord(article), HtmlToText(page));
}

TEST(HtmlToTextTest, ConvertsAPagePutInSourceHtmlByTheCaller) {
  const std::u16string page =
      OneParagraphPage(u"T", u"a.jpg", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
  const std::u16string record = HtmlToText(page);
  std::u16string swapped = page;
  SourceHtml.swap(swapped);
  EXPECT_EQ(FormatRecord(ExtractArticle(SourceHtml)), record);
  EXPECT_EQ(SourceHtml, page);
  // A part of SourceHtml is a page of its own.
  SourceHtml = page;
  EXPECT_EQ(FormatRecord(ExtractArticle(std::u16string_view(SourceHtml).substr(0, 19))),
            HtmlToText(page.substr(0, 19)));
  EXPECT_EQ(SourceHtml, page.substr(0, 19));
}

TEST(HtmlToTextTest, ThreadsDoNotShareTheirPages) {
  const std::u16string pages[] = {
      OneParagraphPage(u"one", u"1.jpg", u"\u7b2c\u4e00\u7bc7\u6587\u7ae0 "),
      OneParagraphPage(u"two", u"2.png", u"\u7b2c\u4e8c\u7bc7\u6587\u7ae0 "),
  };
  const std::u16string expected[] = {HtmlToText(pages[0]), HtmlToText(pages[1])};
  bool same[2] = {true, true};
  std::thread threads[2];
  for (int t = 0; t < 2; ++t) {
    threads[t] = std::thread([&, t] {
      for (int round = 0; round < 200; ++round) {
        same[t] = same[t] && HtmlToText(pages[t]) == expected[t] && SourceHtml == pages[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_TRUE(same[0]);
  EXPECT_TRUE(same[1]);
}

TEST(HtmlToTextTest, MatchesTheReferenceOnRandomPages) {
  test_support::RandomText random(4);
  for (int round = 0; round < 3000; ++round) {
    const std::u16string page = random.Page(round % 20 == 0 ? 1500 : 300);
    ASSERT_EQ(HtmlToText(page), reference::HtmlToText(page)) << "page " << round;
  }
}

// The pages that the adversarial benchmark times at full size, here small
// enough for the reference: runs of one marker, many images, dense blocks.
TEST(HtmlToTextTest, MatchesTheReferenceOnDegeneratePages) {
  using test_support::Placement;
  struct Shape {
    std::string name;
    std::u16string page;
  };
  constexpr size_t kUnits = 3000;
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
  const std::pair<const char*, Placement> placements[] = {
      {"only_", Placement::kBare},
      {"body_", Placement::kBody},
      {"title_", Placement::kTitle},
      {"article_then_", Placement::kAfterArticle}};
  for (const auto& [name, piece] : pieces) {
    for (const auto& [prefix, placement] : placements) {
      shapes.push_back(
          {prefix + std::string(name), test_support::RepeatedPiece(piece, kUnits, placement)});
    }
  }
  shapes.push_back({"images", test_support::PageWithImages(120)});
  shapes.push_back({"dense_body", test_support::DenseBody(kUnits)});
  shapes.push_back({"alternating_blocks", test_support::AlternatingBlocks(16, 1)});
  shapes.push_back({"separate_runs", test_support::AlternatingBlocks(24, 3)});
  for (const Shape& shape : shapes) {
    EXPECT_EQ(HtmlToText(shape.page), reference::HtmlToText(shape.page)) << shape.name;
  }
}

}  // namespace
}  // namespace korvane
