// Where browsers' parsing decides what text a page shows: the ends of
// comments and scripts, and of SVG and MathML content.
#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"
#include "html/tree.h"
#include "outline.h"

namespace korvane {
namespace {

using cli::ToUtf8;
using test_support::OutlineOf;

struct Case {
  std::u16string_view page, outline;
};

void ExpectOutlines(std::initializer_list<Case> cases) {
  for (const Case& test : cases) EXPECT_EQ(OutlineOf(test.page), test.outline) << ToUtf8(test.page);
}

TEST(BrowserParsingTest, CommentsEndWhereBrowsersEndThem) {
  ExpectOutlines({
      {u"a<!--b--!>c", u"'a' 'c'"},
      {u"a<!--b--!-->c", u"'a' 'c'"},
      {u"a<!--b--!c-->d", u"'a' 'd'"},
      {u"a<!--b--->c", u"'a' 'c'"},
      {u"a<!---->c", u"'a' 'c'"},
      {u"a<!----!>c", u"'a' 'c'"},
      {u"a<!---!>c-->d", u"'a' 'd'"},
      {u"a<!-->c", u"'a' 'c'"},
      {u"a<!--->c", u"'a' 'c'"},
      {u"a<!--<!-->c", u"'a' 'c'"},
      {u"a<!-- b", u"'a'"},
      {u"a<!x>b<?x y>c</ x>d</>e<!-x-->f", u"'a' 'b' 'c' 'd' 'e' 'f'"},
      {u"a<![CDATA[b]]>c", u"'a' 'c'"},
      {u"a</", u"'a</'"},
      {u"a</b", u"'a'"},
  });
}

TEST(BrowserParsingTest, ScriptsEndWhereBrowsersEndThem) {
  ExpectOutlines({
      {u"<script>a</script>b", u"script('a') 'b'"},
      {u"<script><!--a</script>b", u"script('<!--a') 'b'"},
      {u"<script><!--<script>a</script>b</script>c", u"script('<!--<script>a</script>b') 'c'"},
      {u"<script><!--<SCRIPT\n>a</SCRIPT >b</script>c",
       u"script('<!--<SCRIPT\n>a</SCRIPT >b') 'c'"},
      {u"<script><!--<script>a-->b</script>c", u"script('<!--<script>a-->b') 'c'"},
      {u"<script><!--<scripts>a</script>b", u"script('<!--<scripts>a') 'b'"},
      {u"<script><!--><script></script>a", u"script('<!--><script>') 'a'"},
      {u"<script><!--->a</script>b", u"script('<!--->a') 'b'"},
      {u"<style><!--<script></style>a", u"style('<!--<script>') 'a'"},
      {u"<script><!--<script>a", u"script('<!--<script>a')"},
  });
}

TEST(BrowserParsingTest, AButtonEndsWhereBrowsersEndIt) {
  ExpectOutlines({
      {u"<div><button>a</div>b", u"div(button('a')) 'b'"},
      {u"<section><button>a</section>b", u"section(button('a')) 'b'"},
      {u"<button>a<button>b", u"button('a') button('b')"},
      {u"<button>a<div><button>b", u"button('a' div) button('b')"},
      {u"<td><button>a<td>b", u"td(button('a')) td('b')"},
      {u"<span><button>a</span>b", u"span(button('a' 'b'))"},
      {u"<p><button>a</p>b", u"p(button('a' 'b'))"},
      {u"<table><tr><td><button>a</table>b", u"table(tr(td(button('a')))) 'b'"},
  });
}

TEST(BrowserParsingTest, TextEndsTheHead) {
  ExpectOutlines({
      {u"<head><title>t</title>Hello<meta></head><p>x", u"head(title('t')) 'Hello' meta p('x')"},
      {u"<head> <meta>\n</head>x", u"head(' ' meta '\n') 'x'"},
      {u"<p>a<head>b", u"p('a' head 'b')"},
  });
}

// The HTML start tags that end SVG and MathML content.
constexpr std::u16string_view kBreakouts[] = {
    u"b",      u"big",  u"blockquote", u"body",  u"br",   u"center", u"code",    u"dd",   u"div",
    u"dl",     u"dt",   u"em",         u"embed", u"h1",   u"h2",     u"h3",      u"h4",   u"h5",
    u"h6",     u"head", u"hr",         u"i",     u"img",  u"li",     u"listing", u"menu", u"meta",
    u"nobr",   u"ol",   u"p",          u"pre",   u"ruby", u"s",      u"small",   u"span", u"strong",
    u"strike", u"sub",  u"sup",        u"table", u"tt",   u"u",      u"ul",      u"var"};

TEST(BrowserParsingTest, HtmlTagsEndSvgAndMath) {
  for (const std::u16string_view root : {u"svg", u"math"}) {
    for (const std::u16string_view tag : kBreakouts) {
      std::u16string page(u"<");
      page.append(root).append(u"><g>x<").append(tag).append(u">y");
      const std::u16string outline = OutlineOf(page);
      const std::u16string inside = std::u16string(root).append(u"(g('x'))");
      EXPECT_EQ(outline.substr(0, inside.size() + 1), inside + u" ") << ToUtf8(page);
      EXPECT_NE(outline.find(u"'y'"), std::u16string::npos) << ToUtf8(page);
    }
  }
  ExpectOutlines({
      {u"<svg><g>x</p>y", u"svg(g('x')) 'y'"},
      {u"<svg><g>x</br>y", u"svg(g('x')) br 'y'"},
      {u"<svg><font>x</font><font color=red>y", u"svg(font('x')) font('y')"},
      {u"<svg><font face=a>y", u"svg font('y')"},
      {u"<svg><FONT SIZE=2>y", u"svg font('y')"},
      {u"<div><svg><g></div>after", u"div(svg(g)) 'after'"},
  });
}

TEST(BrowserParsingTest, SvgAndMathHoldTheirOwnElements) {
  ExpectOutlines({
      {u"<svg><a><a>x</a></a></svg>y", u"svg(a(a('x'))) 'y'"},
      {u"<svg><title>a<x/>b</title></svg>c", u"svg(title('a' x 'b')) 'c'"},
      {u"<svg><style>a &amp; b</style></svg>c", u"svg(style('a & b')) 'c'"},
      {u"<svg><textarea><!-- c --></textarea></svg>d", u"svg(textarea) 'd'"},
      {u"<svg><input>x</input></svg>y", u"svg(input('x')) 'y'"},
      {u"<svg><path/><g/>x</svg>y", u"svg(path g 'x') 'y'"},
      {u"<table><tr><td><svg><td>x</svg>y</td></tr></table>", u"table(tr(td(svg(td('x')) 'y')))"},
      {u"<svg><![CDATA[<p>a</p>]]></svg>b", u"svg('<p>a</p>') 'b'"},
      {u"<svg><![CDATA[a", u"svg('a')"},
      {u"<math><svg><p>x", u"math(svg) p('x')"},
  });
}

TEST(BrowserParsingTest, IntegrationPointsHoldHtml) {
  ExpectOutlines({
      {u"<svg><foreignObject><p>x</p><div>y</div></foreignObject>z</svg>w",
       u"svg(foreignobject(p('x') div('y')) 'z') 'w'"},
      {u"<svg><desc><b>x</b></desc></svg>", u"svg(desc(b('x')))"},
      {u"<svg><foreignObject><style>a<b>c</style></foreignObject></svg>",
       u"svg(foreignobject(style('a<b>c')))"},
      {u"<math><mtext><p>x</p></mtext><mi><b>y</b></mi></math>z",
       u"math(mtext(p('x')) mi(b('y'))) 'z'"},
      {u"<math><mi><mglyph><p>x", u"math(mi(mglyph p('x')))"},
      {u"<math><annotation-xml encoding=\"TEXT/HTML\"><div>x</div></annotation-xml></math>y",
       u"math(annotation-xml(div('x'))) 'y'"},
      {u"<math><annotation-xml><div>x", u"math(annotation-xml) div('x')"},
      {u"<math><annotation-xml><svg><desc><p>x</p></desc></svg></annotation-xml></math>",
       u"math(annotation-xml(svg(desc(p('x')))))"},
      {u"<div><svg><foreignObject><p>x</div>y", u"div(svg(foreignobject(p('x' 'y'))))"},
      {u"<ul><li><svg><foreignObject><li>x", u"ul(li(svg(foreignobject(li('x')))))"},
  });
}

}  // namespace
}  // namespace korvane
