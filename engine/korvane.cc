// SPDX-License-Identifier: Apache-2.0
#include "korvane.h"

#include "block/content_locator.h"
#include "block/full_width.h"
#include "block/headings.h"
#include "block/images.h"
#include "block/lower_case.h"
#include "block/markup_stripper.h"
#include "common/scratch.h"
#include "dom/extract.h"

namespace korvane {

// Per thread, so that conversions on different threads never meet.
thread_local std::u16string SourceHtml;
thread_local std::u16string ImageLines;

Article ExtractArticle(std::u16string_view html) {
  ImageLines.clear();
  // A page already in SourceHtml (a caller decoded it there) is not copied.
  if (html.data() != SourceHtml.data() || html.size() != SourceHtml.size()) SourceHtml.assign(html);
  thread_local std::u16string lower;
  LowerCaseInto(SourceHtml, lower);
  const Page page{SourceHtml, lower};

  Located located = LocateContent(page);
  if (!located.window.empty()) ImageLines = ImageLinesOf(located.images);
  Article article;
  article.body = FoldFullWidth(StripMarkup(located.window));
  Headings headings = ExtractHeadings(page, article.body);
  article.title = std::move(headings.title);
  article.headline = std::move(headings.headline);
  article.images = std::move(located.images);
  GiveBackIfHuge(lower);
  return article;
}

Article ExtractArticle(std::u16string_view html, Algorithm algorithm) {
  return algorithm == Algorithm::kDom ? ExtractDomArticle(html) : ExtractArticle(html);
}

namespace {

std::u16string Record(const Article& article, std::u16string_view image_lines) {
  std::u16string record;
  if (!article.title.empty()) {
    record.append(u"[[ht=").append(article.title).append(u"]]\r\n");
  }
  if (!article.headline.empty()) {
    record.append(u"[[ha=").append(article.headline).append(u"]]\r\n");
  }
  record.append(image_lines);
  return record.append(u"[[txt]]\r\n").append(article.body);
}

}  // namespace

std::u16string FormatRecord(const Article& article) {
  std::u16string record;
  ForEachRecordPiece(article, [&record](std::u16string_view piece) { record.append(piece); });
  return record;
}

std::u16string HtmlToText(std::u16string_view html) {
  const Article article = ExtractArticle(html);
  return Record(article, ImageLines);  // built by the conversion just now
}

}  // namespace korvane
