#include "korvane.h"

#include <gtest/gtest.h>

#include <thread>

namespace korvane {
namespace {

constexpr int kRepeats = 100;

// A page whose article is one long dense paragraph.
std::u16string ArticlePage(std::u16string_view title, std::u16string_view image,
                           std::u16string_view paragraph) {
  std::u16string page = u"<html><head><title>";
  page.append(title).append(u"</title></head><body><img src='");
  page.append(image).append(u"'><p>");
  for (int i = 0; i < kRepeats; ++i) page.append(paragraph);
  return page.append(u"</p></body></html>");
}

TEST(HtmlToTextTest, EmptyInputGivesTheSmallestRecord) {
  EXPECT_EQ(HtmlToText(u""), u"[[txt]]\r\n");
}

TEST(HtmlToTextTest, RecordShapes) {
  const std::u16string paragraph = u"\u65b0\u95fb\u6b63\u6587 news text 2024 ";
  std::u16string body;
  for (int i = 0; i < kRepeats; ++i) body.append(paragraph);
  body.pop_back();
  const struct {
    const char* name;
    std::u16string html, record;
  } cases[] = {
      {"title without article", u"<title>Only A Title</title>",
       u"[[ht=only a title]]\r\n[[txt]]\r\n"},
      {"h1 without article", u"<body><h1>Head</h1></body>", u"[[ha=head]]\r\n[[txt]]\r\n"},
      {"everything", ArticlePage(u"\u65b0\u95fb]]\uFF34itle", u"Pics/One.JPG", paragraph),
       u"[[ht=\u65b0\u95fb]]title]]\r\n[[ha=\u65b0\u95fb]]\r\n[[ur=Pics/One.JPG]]\r\n"
       u"[[txt]]\r\n\r\n" +
           body + u"\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(HtmlToText(c.html), c.record) << c.name;
}

TEST(HtmlToTextTest, FoldsFullWidthLettersInTheBody) {
  const std::u16string page =
      ArticlePage(u"t", u"a.jpg", u"\u6b63\u6587\uFF21\uFF42\uFF13\u6587\u5b57");
  const std::u16string record = HtmlToText(page);
  EXPECT_NE(record.find(u"\u6b63\u6587ab3\u6587\u5b57"), std::u16string::npos);
}

TEST(HtmlToTextTest, KeepsTheLastPageAndItsImageLines) {
  const std::u16string withImage =
      ArticlePage(u"t", u"A.png", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
  HtmlToText(withImage);
  EXPECT_EQ(SourceHtml, withImage);
  EXPECT_EQ(ImageLines, u"[[ur=A.png]]\r\n");

  const std::u16string record = HtmlToText(u"<title>x</title>");
  EXPECT_EQ(record, u"[[ht=x]]\r\n[[txt]]\r\n");
  EXPECT_EQ(SourceHtml, u"<title>x</title>");
  EXPECT_EQ(ImageLines, u"");
}

TEST(HtmlToTextTest, ExtractArticleGivesTheRecordsPieces) {
  const std::u16string page = ArticlePage(u"T", u"a.jpg", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
  const Article article = ExtractArticle(page);
  EXPECT_EQ(article.title, u"t");
  EXPECT_EQ(article.images, std::vector<std::u16string>{u"a.jpg"});
  EXPECT_EQ(FormatRecord(article), HtmlToText(page));
}

TEST(HtmlToTextTest, ConvertsAPagePutInSourceHtmlByTheCaller) {
  const std::u16string page = ArticlePage(u"T", u"a.jpg", u"\u6b63\u6587\u6587\u5b57\u6b63\u6587");
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
      ArticlePage(u"one", u"1.jpg", u"\u7b2c\u4e00\u7bc7\u6587\u7ae0 "),
      ArticlePage(u"two", u"2.png", u"\u7b2c\u4e8c\u7bc7\u6587\u7ae0 "),
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

}  // namespace
}  // namespace korvane
