// SPDX-License-Identifier: Apache-2.0
#include "news_pages.h"

#include <random>
#include <string_view>

#include "adversarial_pages.h"

namespace korvane::test_support {
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

// Common characters of news text, so that the density measure sees an article.
constexpr std::string_view kCharacters =
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子"
    "说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机"
    "当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心"
    "反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程"
    "展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期"
    "根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百规热领七海口东导器压志"
    "世金增争济阶油思术极交受联什认六共权收证改清己美再采转更单风切打白教速花带安场身车例真务具万每"
    "目至达走积示议声报斗完类八离华名确才科张信马节话米整空元况今集温传土许步群广石记需段研界拉林律"
    "叫且究观越织装影算低持音众书布复容儿须际商非验连断深难近矿千周委素技备半办青省列习响约支般史感"
    "劳便团往酸历市克何除消构府称太准精值号率族维划选标写存候毛亲快效斯院查江型眼王按格养易置派层片"
    "始却专状育厂京识适属圆包火住调满县局照参红细引听该铁价严";

std::string RandomText(std::mt19937& random, size_t characters) {
  // Each character is three UTF-8 bytes.
  const size_t count = kCharacters.size() / 3;
  std::string text;
  for (size_t i = 0; i < characters; ++i) {
    if (i % 23 == 22) {
      text += "，";
      continue;
    }
    text.append(kCharacters.substr(3 * (random() % count), 3));
  }
  return text + "。";
}

constexpr std::string_view kParagraph =
    "<p>记者从有关部门获悉，今年全市经济运行总体平稳，城乡居民收入稳步提高，"
    "百分之六点五的增长高于预期。2024年新建项目一百二十个。</p>\n";

}  // namespace

std::u16string NewsPage(size_t units, uint32_t seed) { return Writer(seed).Page(units); }

std::string BatchNewsPage(std::mt19937& random, int number, const char* charset) {
  std::string page = "<!DOCTYPE html><html><head><meta charset=\"";
  page.append(charset).append("\"><title>").append(RandomText(random, 18));
  page += "</title><style>body{font:14px sans-serif}.nav a{margin:0 4px}</style>";
  page += "<script>var page=" + std::to_string(number) + ";function track(){return page;}</script>";
  page += "</head><body><div class=\"nav\">";
  for (int link = 0; link < 12; ++link) {
    page += "<a href=\"/channel/" + std::to_string(link) + "/\">" + RandomText(random, 2) + "</a>";
  }
  page += "</div><div class=\"article\"><h1>" + RandomText(random, 16) + "</h1>";
  const int paragraphs = 20 + static_cast<int>(random() % 60);
  for (int paragraph = 0; paragraph < paragraphs; ++paragraph) {
    if (paragraph % 8 == 3) {
      page += "<p><img src=\"../images/" + std::to_string(number) + "_" +
              std::to_string(paragraph) + ".jpg\" alt=\"\"></p>";
    }
    page += "<p>" + RandomText(random, 80 + random() % 170) + "</p>\n";
  }
  page += "</div><div class=\"sidebar\"><ul>";
  for (int item = 0; item < 20; ++item) {
    page += "<li><a href=\"/news/" + std::to_string(random() % 100000) + ".html\">" +
            RandomText(random, 12) + "</a></li>";
  }
  return page + "</ul></div><div class=\"footer\">Copyright 2024</div></body></html>";
}

std::string LongNewsPage(size_t bytes, std::string_view charset) {
  std::string page = "<html><head><meta charset=\"";
  page.append(charset).append("\"><title>全市经济运行总体平稳</title></head><body>");
  page += Repeated(kParagraph, bytes - page.size() - 14);
  return page + "</body></html>";
}

}  // namespace korvane::test_support
