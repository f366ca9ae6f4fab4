// SPDX-License-Identifier: Apache-2.0
#include "html/tree.h"

#include <gtest/gtest.h>

#include <string>

#include "html/char_refs.h"
#include "outline.h"

namespace korvane {
namespace {

using test_support::OutlineOf;

TEST(DomTreeTest, RepairsMarkupLikeBrowsers) {
  const struct {
    const char* name;
    std::u16string_view page, outline;
  } cases[] = {
      {"empty", u"", u""},
      {"text only", u"a < b", u"'a < b'"},
      {"letter case", u"<DIV>x</Div>", u"div('x')"},
      {"block ends p", u"<p>a<div>b</div>c", u"p('a') div('b') 'c'"},
      {"p ends p", u"<p>a<p>b", u"p('a') p('b')"},
      {"p inside cell stays", u"<p>a<table><tr><td><p>b</table>", u"p('a') table(tr(td(p('b'))))"},
      {"list items", u"<ul><li>a<li>b</ul>c", u"ul(li('a') li('b')) 'c'"},
      {"nested lists", u"<ul><li>a<ul><li>b</ul><li>c</ul>", u"ul(li('a' ul(li('b'))) li('c'))"},
      {"definitions", u"<dl><dt>a<dd>b<dt>c</dl>", u"dl(dt('a') dd('b') dt('c'))"},
      {"table cells and rows", u"<table><tr><td>a<td>b<tr><th>c</table>",
       u"table(tr(td('a') td('b')) tr(th('c')))"},
      {"options", u"<select><option>a<option>b</select>", u"select(option('a') option('b'))"},
      {"nested links", u"<a>1<a>2</a>3", u"a('1') a('2') '3'"},
      {"headings", u"<h1>a<h2>b</h2>", u"h1('a') h2('b')"},
      {"stray end tag", u"<div>a</span>b</div>", u"div('a' 'b')"},
      {"misnested inline", u"<b><i>x</b>y</i>z", u"b(i('x')) 'y' 'z'"},
      {"end tag stops at a cell", u"<div><table><tr><td>a</div>b</td></tr></table>c</div>",
       u"div(table(tr(td('a' 'b'))) 'c')"},
      {"unclosed at the end", u"<div><p>text", u"div(p('text'))"},
      {"void elements", u"a<br>b<img src=x>c</br>d", u"'a' br 'b' img 'c' br 'd'"},
      {"self-closing", u"<svg><path/><path/></svg><div/>x<button/>y<script src=a />z",
       u"svg(path path) div 'x' button 'y' script 'z'"},
      {"unknown names", u"<my-el>a<my-el>b</MY-EL>c</my-el>d", u"my-el('a' my-el('b') 'c') 'd'"},
      {"comments and doctype", u"<!DOCTYPE html>a<!-- <p>x</p> -->b<!-->c<?php ?>d</ >e",
       u"'a' 'b' 'c' 'd' 'e'"},
      {"unterminated comment", u"a<!-- b", u"'a'"},
      {"raw text", u"<script>if (a<b) x = '</div>';</script>t",
       u"script('if (a<b) x = '</div>';') 't'"},
      {"raw text with references", u"<title>a &amp; b</title><style>p&amp;</style>",
       u"title('a & b') style('p&amp;')"},
      {"raw text up to the end", u"<textarea>a<b>", u"textarea('a<b>')"},
      {"unclosed title ends at a tag", u"<title>a b<body><p>c", u"title('a b') body(p('c'))"},
      {"unclosed title ends at a line break", u"<title>\n a\nb c", u"title('\n a') '\nb c'"},
      {"closed title keeps its lines and tags", u"<title>a\n<b>c</title>d",
       u"title('a\n<b>c') 'd'"},
      {"second body", u"<body>a<body>b</body>c", u"body('a' 'b' 'c')"},
      {"tag cut off", u"a<div class=\"x", u"'a'"},
      {"references in text", u"x &lt;p&gt; &#20013;&#x6587;", u"'x <p> \u4e2d\u6587'"},
      {"reference first", u"&lt;x<b>&amp;</b>", u"'<x' b('&')"},
      {"reference after a lone <", u"a < b, a long way on &amp; c", u"'a < b, a long way on & c'"},
      {"head ends at a body element", u"<head><title>t</title><meta a=b><div>x",
       u"head(title('t') meta) div('x')"},
      {"second html and head", u"<html><head><html><head></head>a</html>b", u"html(head 'a' 'b')"},
      {"list item in a cell", u"<li>a<table><tr><td><li>b</table><li>c",
       u"li('a' table(tr(td(li('b'))))) li('c')"},
      {"heading ends only a heading", u"<h2>a<div><h3>b</h3></div>", u"h2('a' div(h3('b')))"},
      {"header ends p", u"<p>a<header>b</header><p>c<section>d",
       u"p('a') header('b') p('c') section('d')"},
      {"table sections", u"<table><thead><tr><th>a<tbody><tr><td>b</table>",
       u"table(thead(tr(th('a'))) tbody(tr(td('b'))))"},
      {"row end tag closes its cell", u"<table><tr><td><p>a</tr>b</td></table>",
       u"table(tr(td(p('a'))) 'b')"},
  };
  for (const auto& test : cases) EXPECT_EQ(OutlineOf(test.page), test.outline) << test.name;
}

TEST(DomTreeTest, AttributesAreViewsIntoThePage) {
  Dom dom;
  dom.Parse(u"<a HREF='x y' data-src=/p.jpg title=\"a &amp; b\" checked href=second>t</a>");
  const Node& link = dom[1];
  ASSERT_EQ(link.tag, Tag::kA);
  ASSERT_EQ(dom.Attributes(link).size(), 5u);
  EXPECT_EQ(dom.Name(dom.Attributes(link)[0]), u"HREF");
  EXPECT_EQ(dom.RawValue(*dom.FindAttribute(link, u"href")), u"x y");
  EXPECT_EQ(dom.AttributeValue(link, u"data-src"), u"/p.jpg");
  EXPECT_EQ(dom.RawValue(*dom.FindAttribute(link, u"title")), u"a &amp; b");
  EXPECT_EQ(dom.AttributeValue(link, u"title"), u"a & b");
  EXPECT_NE(dom.FindAttribute(link, u"checked"), nullptr);
  EXPECT_EQ(dom.FindAttribute(link, u"alt"), nullptr);
  EXPECT_EQ(dom.Text(dom[2]), u"t");
}

TEST(DomTreeTest, SubtreesAndParents) {
  Dom dom;
  dom.Parse(u"<div><p>a</p><p>b<i>c</i></p></div>d");
  // document, div, p, 'a', p, 'b', i, 'c', 'd'
  ASSERT_EQ(dom.size(), 9u);
  EXPECT_EQ(dom[0].end, 9u);
  EXPECT_EQ(dom[1].end, 8u);
  EXPECT_EQ(dom[4].end, 8u);
  EXPECT_EQ(dom[7].parent, 6u);
  EXPECT_EQ(dom[8].parent, 0u);
  EXPECT_EQ(dom.NextSibling(2), 4u);
  EXPECT_EQ(dom.NextSibling(4), kNoNode);
}

uint32_t Deepest(const Dom& dom) {
  uint32_t deepest = 0;
  for (NodeIndex i = 0; i < dom.size(); ++i) {
    uint32_t depth = 0;
    for (NodeIndex at = i; dom[at].parent != kNoNode; at = dom[at].parent) ++depth;
    deepest = std::max(deepest, depth);
  }
  return deepest;
}

std::u16string Repeat(std::u16string_view piece, int count) {
  std::u16string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

// Decoded texts of every length, the longest past what 16 bits count.
TEST(DomTreeTest, DecodedTextKeepsItsLengthAndHasNoAttributes) {
  for (const size_t length : {0u, 1u, 65535u, 65536u, 70000u}) {
    std::u16string page = u"<p class=x>&lt;";
    page.append(length, u'a').append(u"</p><p id=y>&amp;</p>");
    std::u16string text = u"<";
    text.append(length, u'a');
    Dom dom;
    dom.Parse(page);
    ASSERT_EQ(dom.size(), 5u);
    EXPECT_EQ(dom.Text(dom[2]), text) << length;
    EXPECT_EQ(dom.Text(dom[4]), u"&");
    EXPECT_TRUE(dom.Attributes(dom[2]).empty());
    EXPECT_EQ(dom.FindAttribute(dom[4], u"id"), nullptr);
    EXPECT_NE(dom.FindAttribute(dom[3], u"id"), nullptr);
  }
}

TEST(DomTreeTest, LandmarksAreTheElementsLookedForByTagInDocumentOrder) {
  Dom dom;
  dom.Parse(
      u"<html><head><title>t</title><meta name=a><script>x</script><style>s</style>"
      u"<link rel=x></head><body><h1>h</h1><h2>g</h2><div><time>d</time></div>"
      u"<svg><title>i</title></svg><math><mi>m</mi></math><script type=a></script></body>");
  std::string tags;
  for (const NodeIndex landmark : dom.Landmarks()) {
    tags += std::string(NameOfTag(dom[landmark].tag)) + " ";
  }
  EXPECT_EQ(tags, "title meta script style h1 time svg title math script ");
}

// Ranks counted against the nodes themselves, on pages whose kinds fall in
// every pattern across groups of eight: runs of either kind, alternating
// kinds, and a text node last (a comment parts two texts).
TEST(DomTreeTest, RanksCountEachKindBeforeANode) {
  const std::u16string pages[] = {
      Repeat(u"<div><span><b>x</b></span></div>", 30),
      u"<p>a<b>b</b>c</p>",  // after a larger page, in the same tree
      Repeat(u"<i>x</i>", 20) + u"y",
      Repeat(u"<br>", 17) + Repeat(u"<i>x</i><!---->x", 9),
      Repeat(u"x<!---->", 20),  // whole groups of text
  };
  Dom dom;
  for (const std::u16string& page : pages) {
    dom.Parse(page);
    uint32_t texts = 0;
    for (NodeIndex i = 0; i < dom.size(); ++i) {
      const bool text = dom[i].tag == Tag::kText;
      ASSERT_EQ(dom.IsText(i), text) << i;
      ASSERT_EQ(dom.TextRank(i), texts) << i;
      ASSERT_EQ(dom.ElementRank(i), i - texts) << i;
      texts += text;
    }
    EXPECT_EQ(dom.text_count(), texts);
    EXPECT_EQ(dom.element_count(), dom.size() - texts);
  }
}

TEST(DomTreeTest, ElementsNest256DeepAndDeeperOnesBecomeSiblings) {
  Dom dom;
  dom.Parse(Repeat(u"<div>", 5000) + u"x");
  EXPECT_EQ(dom.size(), 5002u);
  EXPECT_EQ(Deepest(dom), 257u);  // 256 elements, then the text
  dom.Parse(Repeat(u"<div>", 255) + u"<b>x</b>");
  EXPECT_EQ(Deepest(dom), 257u);
  EXPECT_EQ(dom[dom.size() - 1].parent, dom.size() - 2);  // the text inside <b>
}

TEST(DomTreeTest, AStrayEndTagLooks64OpenElementsDown) {
  // </div> closes the <div> under 63 open <span>s; under 64 it is ignored.
  const auto after_div = [](int spans) {
    Dom dom;
    dom.Parse(u"<div>" + Repeat(u"<span>", spans) + u"</div>x");
    return dom[dom.size() - 1].parent == 0;
  };
  EXPECT_TRUE(after_div(63));
  EXPECT_FALSE(after_div(64));
}

TEST(CharRefsTest, DecodesLikeHtml5) {
  const std::u16string_view kAttribute = u"attribute";
  const struct {
    std::u16string_view text, decoded, context = u"text";
  } cases[] = {
      {u"&amp;&lt;&gt;&quot;&apos;", u"&<>\"'"},
      {u"a&nbsp;b&nbspc", u"a\u00a0b\u00a0c"},
      {u"&copy &COPY; &notit; &notin;", u"\u00a9 \u00a9 \u00acit; \u2209"},
      {u"&CounterClockwiseContourIntegral;", u"\u2233"},
      {u"&Afr;&fjlig;&nGt;", u"\U0001D504fj\u226B\u20D2"},
      {u"&#65;&#x42;&#X43&#0068;", u"ABCD"},
      {u"&#0;&#xD800;&#1114112;&#99999999999999;", u"\ufffd\ufffd\ufffd\ufffd"},
      {u"&#128;&#x9F;&#x81;&#150;", u"\u20ac\u0178\u0081\u2013"},
      {u"&#x1F600;", u"\U0001F600"},
      {u"& &; &#; &#x; &unknown; &", u"& &; &#; &#x; &unknown; &"},
      {u"&amp", u"&"},
      // The longest names that also stand without ";": six letters.
      {u"&frac12 &plusmn&middotx", u"\u00bd \u00b1\u00b7x"},
      {u"?a=1&copy=2&copyx&copy;=", u"?a=1\u00a9=2\u00a9x\u00a9="},
      {u"?a=1&copy=2&copyx&copy;=&amp", u"?a=1&copy=2&copyx\u00a9=&", kAttribute},
  };
  for (const auto& test : cases) {
    const ReferenceContext context =
        test.context == kAttribute ? ReferenceContext::kAttribute : ReferenceContext::kText;
    EXPECT_EQ(DecodeReferences(test.text, context), test.decoded);
  }
}

}  // namespace
}  // namespace korvane
