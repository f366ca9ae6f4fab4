#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dom/text.h"
#include "html/tree.h"
#include "korvane.h"

namespace korvane {
namespace {

// Prose written for these tests, one sentence per index.
std::u16string English(int index) {
  static const std::u16string_view kSentences[] = {
      u"The river council met on Tuesday evening, and after a long debate about the old "
      u"bridge, its members agreed to repair the stone arches before the first frost.",
      u"Engineers told the meeting that the work would take about six weeks, cost less than "
      u"the town had feared, and leave one lane open for buses throughout.",
      u"Shop owners on the east bank, who had asked for the repairs for years, said they were "
      u"relieved, although several worried about deliveries during the works.",
      u"The mayor promised a public notice every Friday, with the closures of the week ahead, "
      u"and a telephone line for anyone whose access was cut off.",
  };
  return std::u16string(kSentences[index % 4]);
}

std::u16string Chinese(int index) {
  static const std::u16string_view kSentences[] = {
      u"本市今年春季的降雨比往年偏多，农业部门提醒农户及时排水，防止作物受涝，同时做好病虫害"
      u"的预防工作。",
      u"据气象台介绍，未来一周仍有两次较强的降雨过程，局部地区可能出现短时大风和冰雹，请市民"
      u"注意出行安全。",
      u"多个乡镇已经组织人员清理沟渠，并在低洼地带准备了抽水设备，确保雨水能够尽快排出。",
      u"专家表示，只要措施得当，今年的粮食产量仍然有望保持稳定，市场供应也不会受到明显影响。",
  };
  return std::u16string(kSentences[index % 4]);
}

std::u16string Paragraphs(std::u16string (*sentence)(int), int count) {
  std::u16string html;
  for (int i = 0; i < count; ++i) html.append(u"<p>").append(sentence(i)).append(u"</p>\n");
  return html;
}

std::vector<std::u16string> Lines(std::u16string_view body) {
  std::vector<std::u16string> lines;
  for (size_t begin = 0; begin <= body.size();) {
    const size_t end = std::min(body.find(u"\r\n", begin), body.size());
    lines.emplace_back(body.substr(begin, end - begin));
    begin = end + 2;
  }
  return lines;
}

bool HasLine(std::u16string_view body, std::u16string_view line) {
  for (const std::u16string& at : Lines(body)) {
    if (at == line) return true;
  }
  return false;
}

std::u16string Repeat(std::u16string_view piece, int count) {
  std::u16string out;
  for (int i = 0; i < count; ++i) out.append(piece);
  return out;
}

std::u16string Navigation() {
  return u"<ul class='menu'><li><a href='/'>Home</a><li><a href='/world'>World</a>"
         u"<li><a href='/sport'>Sport</a><li><a href='/money'>Money</a></ul>";
}

struct Layout {
  const char* name;
  std::u16string page;
  std::vector<std::u16string> lines;   // each must be a whole line of the body
  std::vector<std::u16string> absent;  // none may occur in the body
};

std::vector<Layout> Layouts() {
  std::vector<Layout> layouts;
  layouts.push_back(
      {"html5 article with header, nav, aside and footer",
       u"<!DOCTYPE html><html><head><title>Bridge</title></head><body><header><nav>" +
           Navigation() + u"</nav></header><main><article><h1>Bridge to be repaired</h1>" +
           Paragraphs(English, 4) +
           u"</article><aside><h2>Most read</h2><p>A gardener grew the largest pumpkin of "
           u"the county this autumn, weighing more than a small car.</p></aside></main>"
           u"<footer><p>Copyright 2024 The Valley Herald, all rights reserved.</p></footer>",
       {English(0), English(3)},
       {u"Home", u"pumpkin", u"Copyright"}});
  layouts.push_back(
      {"2005 table layout with line breaks",
       u"<html><body><table width=760><tr><td colspan=3><img src=logo.gif>"
       u"<a href=/>\u9996\u9875</a> | <a href=/news>\u65b0\u95fb</a></td></tr><tr>"
       u"<td width=150 class=left><a href=/a>\u56fd\u5185</a><br><a href=/b>\u56fd\u9645</a>"
       u"<br><a href=/c>\u4f53\u80b2</a></td><td width=460><font size=3>" +
           Chinese(0) + u"<br><br>" + Chinese(1) + u"<br>" + Chinese(2) + u"<br>" + Chinese(3) +
           u"</font></td><td width=150><a href=/ad>\u5e7f\u544a\u8054\u7cfb</a></td></tr>"
           u"</table></body></html>",
       {Chinese(0), Chinese(1), Chinese(2), Chinese(3)},
       {u"\u56fd\u5185", u"\u5e7f\u544a"}});
  layouts.push_back(
      {"a page wrapped in one form",
       u"<html><body><form name=aspnetForm method=post action=page.aspx>"
       u"<input type=hidden name=__VIEWSTATE value=abc><div class=top>" +
           Navigation() + u"</div><div id=content>" + Paragraphs(English, 4) +
           u"</div><div class=bottom><a href=/about>About us</a></div></form></body></html>",
       {English(0), English(1), English(2), English(3)},
       {u"About us", u"Sport"}});
  layouts.push_back(
      {"a long comment list under a short article",
       u"<html><body><div class=article><h1>Rain</h1>" + Paragraphs(Chinese, 2) +
           u"</div><div class=comments><h3>\u7f51\u53cb\u8bc4\u8bba</h3>" +
           Repeat(u"<div class=item><span class=user>\u8bfb\u8005</span><p>" + Chinese(3) +
                      u"\u6211\u89c9\u5f97\u8bf4\u5f97\u5f88\u5bf9\uff0c"
                      u"\u5e0c\u671b\u5927\u5bb6\u90fd\u80fd\u591f\u6ce8\u610f\u3002</p></div>",
                  30) +
           u"</div></body></html>",
       {Chinese(0), Chinese(1)},
       {u"\u8bfb\u8005", u"\u5e0c\u671b\u5927\u5bb6"}});
  layouts.push_back(
      {"a list of related links and teasers after the article",
       u"<html><body><div id=main>" + Paragraphs(English, 4) +
           u"</div><div class=more><h2>More stories</h2><ul>" +
           Repeat(u"<li class=teaser><a href=/story>A story about a bridge</a><p>Readers who "
                  u"liked this article, and the debate about it, also read this story.</p></li>",
                  12) +
           u"</ul></div></body></html>",
       {English(0), English(3)},
       {u"A story about a bridge", u"Readers who"}});
  layouts.push_back(
      {"character references",
       u"<html><body><div class=content><p>Caf&eacute; &amp; Bar, &#8220;quoted&#x201D; "
       u"&lt;tag&gt; &micro 2024&nbsp;&nbsp;&#x4e2d;&#25991;, &#128; &#0; end.</p>" +
           Paragraphs(English, 3) + u"</div></body></html>",
       {u"Caf\u00e9 & Bar, \u201cquoted\u201d <tag> \u00b5 2024 \u4e2d\u6587, \u20ac \ufffd "
        u"end."},
       {u"&amp;", u"&#"}});
  layouts.push_back({"unclosed and misnested tags",
                     u"<html><body><div class=story><p>" + English(0) + u"<p>" + English(1) +
                         u"<div><b>Bold <i>and italic</b> text</i> " + English(2) +
                         u"</div></span><p>" + English(3) + u"</body>",
                     {English(0), English(1), u"Bold and italic text " + English(2), English(3)},
                     {}});
  return layouts;
}

TEST(DomExtractTest, LayoutFamilies) {
  for (const Layout& layout : Layouts()) {
    const Article article = ExtractArticle(layout.page, Algorithm::kDom);
    for (const std::u16string& line : layout.lines) {
      EXPECT_TRUE(HasLine(article.body, line)) << layout.name;
    }
    for (const std::u16string& text : layout.absent) {
      EXPECT_EQ(article.body.find(text), std::u16string::npos) << layout.name;
    }
  }
}

TEST(DomExtractTest, LazyImagesInDocumentOrder) {
  const std::u16string page =
      u"<html><body><div class=nav><img src=/logo.png></div><article>" + Paragraphs(English, 2) +
      u"<img src='data:image/gif;base64,R0lGOD' data-src='/a.jpg?w=1&amp;h=2'>"
      u"<img src=/blank.gif data-original=/b.jpg><img srcset='/c.jpg 1x, /c2.jpg 2x'>"
      u"<img src=/d.png><img src=/d.png><img>" +
      Paragraphs(English, 2) + u"</article></body></html>";
  const Article article = ExtractArticle(page, Algorithm::kDom);
  const std::vector<std::u16string> expected = {u"/a.jpg?w=1&h=2", u"/b.jpg", u"/c.jpg", u"/d.png"};
  EXPECT_EQ(article.images, expected);
  EXPECT_NE(FormatRecord(article).find(u"[[ur=/a.jpg?w=1&h=2]]\r\n[[ur=/b.jpg]]\r\n"),
            std::u16string::npos);
}

TEST(DomExtractTest, TitleAndHeadlineKeepTheirLetterCase) {
  const std::u16string page =
      u"<title> The  Bridge &amp; River | Herald</title><h1>The Bridge\n"
      u"<em>&amp; River</em> Repaired</h1>" +
      Paragraphs(English, 4);
  const Article article = ExtractArticle(page, Algorithm::kDom);
  EXPECT_EQ(article.title, u"The Bridge & River Repaired");
  EXPECT_EQ(article.headline, u"The Bridge & River Repaired");
  EXPECT_EQ(ExtractArticle(u"", Algorithm::kDom).body, u"");
}

TEST(DomTextTest, OneLinePerBlockBlanksSqueezed) {
  const struct {
    std::u16string_view html, text;
  } cases[] = {
      {u"<p> a \t b </p><p>c</p>", u"a b\r\nc"},
      {u"<div>a<br>b<br><br>c</div>", u"a\r\nb\r\nc"},
      {u"<ul><li>one<li>two</ul>", u"one\r\ntwo"},
      {u"<table><tr><td>a<td>b<tr><td>c</table>", u"a b\r\nc"},
      {u"<h2>Head</h2>text<span>more</span>", u"Head\r\ntextmore"},
      {u"<pre>x  y\nz</pre>", u"x y\r\nz"},
      {u"a\u3000\u00a0b\u200bc&nbsp;", u"a bc"},
      {u"<p></p><p> </p>x<script>no</script><style>no</style><svg><text>no</text></svg>", u"x"},
      {u"x<textarea>no</textarea><noscript>no</noscript><iframe>no</iframe>", u"x"},
      // Raw text that browsers show, as written and preformatted.
      {u"<xmp><b>x</b>\ny  &amp;</xmp>z", u"<b>x</b>\r\ny &amp;\r\nz"},
      {u"a<plaintext>b</plaintext>\n<p>c", u"a\r\nb</plaintext>\r\n<p>c"},
  };
  for (const auto& test : cases) {
    Dom dom;
    dom.Parse(test.html);
    std::u16string text;
    TextWriter writer(text);
    writer.AppendSubtree(dom, 0);
    writer.Finish();
    EXPECT_EQ(text, test.text);
  }
}

}  // namespace
}  // namespace korvane
