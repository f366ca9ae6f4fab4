#include "page_generator.h"

#include <random>
#include <string_view>

namespace korvane::bench {
namespace {

constexpr std::u16string_view kWords[] = {u"\u5e02\u653f\u5e9c",
                                          u"\u4eca\u5929",
                                          u"\u53d1\u5e03",
                                          u"\u6570\u636e",
                                          u"\u663e\u793a",
                                          u"\u7ecf\u6d4e",
                                          u"\u589e\u957f",
                                          u"\u767e\u5206\u4e4b",
                                          u"2026",
                                          u"\u5e74",
                                          u"\u8bb0\u8005",
                                          u"\u91c7\u8bbf",
                                          u"\u5c45\u6c11",
                                          u"\u8868\u793a",
                                          u"\u9879\u76ee",
                                          u"\u5efa\u8bbe",
                                          u"\uff0c",
                                          u"\u3002",
                                          u"GDP",
                                          u"\u6d3b\u52a8",
                                          u"\u4e2d\u5fc3",
                                          u"\uFF13\uFF15",
                                          u"\u201c",
                                          u"\u201d"};

class Writer {
 public:
  explicit Writer(uint32_t seed) : random_(seed) {}

  // As on real news pages, the article is about a tenth of the page; the
  // rest is scripts, styles, navigation and lists of links.
  std::u16string Page(size_t units) {
    Head(units / 5);
    page_.append(u"<body><div class=\"nav\">");
    while (page_.size() < units * 3 / 10) Link();
    page_.append(u"</div>\n");
    Article(page_.size() + units / 10);
    while (page_.size() < units) SideList();
    page_.append(u"</body></html>");
    return std::move(page_);
  }

 private:
  int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }

  void Sentence() {
    for (int n = 8 + Below(20); n > 0; --n) page_.append(kWords[Below(std::size(kWords))]);
  }

  void Head(size_t units) {
    page_.append(
        u"<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
        u"<title>\u65b0\u95fb\u6807\u9898 \u57ce\u5e02\u53d1\u5c55_\u65b0\u95fb\u7f51</title>"
        u"<style>body{margin:0}.nav a{color:#333}</style>\n");
    while (page_.size() < units) Script();
    page_.append(u"</head>\n");
  }

  void Script() {
    page_.append(u"<script type=\"text/javascript\">var config={page:'article',id:");
    page_.append(std::u16string(1, u'0' + Below(10)));
    page_.append(u"};if(a<b&&c>d){load('//static.example.cn/js/app.js');}</script>\n");
  }

  void Link() {
    page_.append(u"<a href=\"/news/");
    page_.append(std::u16string(1, u'a' + Below(26))).append(u".shtml\">");
    for (int n = 2 + Below(4); n > 0; --n) page_.append(kWords[Below(std::size(kWords))]);
    page_.append(u"</a> | ");
  }

  void Article(size_t end) {
    page_.append(u"<h1>");
    Sentence();
    page_.append(u"</h1><div class=\"article\">\n");
    while (page_.size() < end) {
      page_.append(u"<p>");
      for (int s = 2 + Below(6); s > 0; --s) Sentence();
      page_.append(u"&nbsp;</p>\n");
      if (Below(3) == 0) {
        page_.append(u"<p><img src=\"//img.example.cn/Photo/");
        page_.append(std::u16string(1, u'A' + Below(26))).append(u".JPG\" alt=\"\"></p>\n");
      }
    }
    page_.append(u"</div>\n");
  }

  void SideList() {
    page_.append(u"<ul class=\"side\">");
    for (int i = 0; i < 10; ++i) {
      page_.append(u"<li>");
      Link();
      page_.append(u"</li>");
    }
    page_.append(u"</ul><!-- ad slot -->");
    Script();
  }

  std::mt19937 random_;
  std::u16string page_;
};

}  // namespace

std::u16string NewsPage(size_t units, uint32_t seed) { return Writer(seed).Page(units); }

}  // namespace korvane::bench
