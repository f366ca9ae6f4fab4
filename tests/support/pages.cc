// SPDX-License-Identifier: Apache-2.0
#include "pages.h"

#include <stdexcept>

namespace korvane::test_support {

std::string ArticlePage(std::string_view title, const std::vector<std::string>& images,
                        std::string_view head_extra, std::string_view paragraph) {
  std::string page = "<html><head>";
  page.append(head_extra).append("<title>").append(title).append("</title></head><body>\n");
  page += "<div class=nav><a href=/>home</a> <a href=/news>news</a></div>\n<div class=article>\n";
  for (const std::string& image : images) page += "<p><img src=\"" + image + "\"></p>\n";
  for (int number = 0; number < 12; ++number) {
    page.append("<p>").append(std::to_string(number)).append(paragraph).append(paragraph);
    page.append("</p>\n");
  }
  page += "</div>\n<div class=footer>(c) 2024</div></body></html>";
  return page;
}

std::u16string OneParagraphPage(std::u16string_view title, std::u16string_view image,
                                std::u16string_view text) {
  std::u16string page = u"<html><head><title>";
  page.append(title).append(u"</title></head><body><img src='");
  page.append(image).append(u"'><p>");
  for (int repeat = 0; repeat < kParagraphRepeats; ++repeat) page.append(text);
  return page.append(u"</p></body></html>");
}

std::u16string BlockText(std::u16string_view text) {
  if (text.size() > kBlockTextUnits) throw std::length_error("text longer than a block");
  std::u16string padded(text);
  return padded.append(kBlockTextUnits - text.size(), u'-');
}

std::u16string BlockPage(const std::vector<std::u16string>& texts) {
  if (texts.empty() || !texts[0].empty()) throw std::invalid_argument("block 0 is the body tag");
  std::u16string page = u"<html><body";
  page.append(200 - 6, u' ').append(u">");
  for (size_t block = 1; block < texts.size(); ++block) {
    page.append(u"<i>").append(BlockText(texts[block]));
  }
  return page.append(u"</body></html>");
}

}  // namespace korvane::test_support
