#include "dom/drops.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/utf8.h"
#include "dom/hints.h"

namespace korvane {
namespace {

using cli::ToUtf8;

// Why node `node` of `html` is left out (0: kept). A paragraph after it
// holds most of the page's text, as an article would.
uint8_t DropOf(std::u16string_view html, bool strip_unlikely = true, NodeIndex node = 1) {
  const std::u16string page = std::u16string(html) + u"<p>" + std::u16string(200, u'x') + u"</p>";
  Dom dom;
  dom.Parse(page);
  std::vector<Hint> hints;
  ComputeHints(dom, hints);
  PageDrops page_drops;
  page_drops.Read(dom);
  std::vector<uint8_t> drops;
  page_drops.Mark(dom, hints, strip_unlikely, drops);
  return drops[node];
}

TEST(DomDropsTest, HiddenByAnAttributeOrAnInlineStyle) {
  const struct {
    std::u16string_view html;
    bool hidden;
  } cases[] = {
      {u"<p hidden>x</p>", true},
      {u"<p HIDDEN=false>x</p>", true},
      {u"<p aria-hidden=true>x</p>", true},
      {u"<p aria-hidden='True'>x</p>", true},
      {u"<p aria-hidden=false>x</p>", false},
      {u"<p aria-hidden>x</p>", false},
      {u"<p style='display:none'>x</p>", true},
      {u"<p style='DISPLAY : None !important'>x</p>", true},
      {u"<p style='color:red;visibility:hidden'>x</p>", true},
      {u"<p style='visibility: visible'>x</p>", false},
      {u"<p style='display: block'>x</p>", false},
      {u"<p title='display:none'>x</p>", false},
      // Values and names are whole words; the last declaration wins, unless
      // an earlier one is important; a style is read to its end.
      {u"<p style='display:nonesuch'>x</p>", false},
      {u"<p style='display:none-x'>x</p>", false},
      {u"<p style='display:none;color:red'>x</p>", true},
      {u"<p style='display:none!important'>x</p>", true},
      {u"<p style='display:none ;'>x</p>", true},
      {u"<p style='-x-display:none'>x</p>", false},
      {u"<p style='display:none;display:block'>x</p>", false},
      {u"<p style='display:block;display:none'>x</p>", true},
      {u"<p style='display:none !important;display:block'>x</p>", true},
      {u"<p style='visibility:hiddenish'>x</p>", false},
      {u"<p style='visibility:hidden;visibility:visible'>x</p>", false},
      {u"<p style='width:10px;height:10px;margin:0 auto;padding:0;border:1px solid red;"
       u"background:#fff;font-family:serif;line-height:1.5;letter-spacing:1px;color:#333;"
       u"display:none'>x</p>",
       true},
      {u"<p class=hidden>x</p>", false},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(DropOf(test.html) == kHidden, test.hidden) << ToUtf8(test.html);
  }
}

TEST(DomDropsTest, ElementsThatAreNeverPageText) {
  const std::u16string_view junk[] = {
      u"<head></head>",
      u"<nav></nav>",
      u"<aside></aside>",
      u"<footer></footer>",
      u"<form><input></form>",
      u"<button>b</button>",
      u"<select></select>",
      u"<textarea></textarea>",
      u"<figcaption></figcaption>",
      u"<svg></svg>",
      u"<math></math>",
      u"<script></script>",
      u"<style></style>",
      u"<noscript></noscript>",
      u"<iframe></iframe>",
      u"<object></object>",
      u"<embed>",
      u"<canvas></canvas>",
      u"<dialog></dialog>",
      u"<map></map>",
      u"<template></template>",
  };
  for (const std::u16string_view html : junk) {
    // A <form> is kept, its controls are not.
    const NodeIndex node = html.starts_with(u"<form") ? 2 : 1;
    EXPECT_EQ(DropOf(html, true, node), kJunk) << ToUtf8(html);
  }
  EXPECT_EQ(DropOf(u"<form><input></form>"), 0);
  for (const std::u16string_view html :
       {u"<header>x</header>", u"<figure>x</figure>", u"<section>x</section>", u"<main>x</main>",
        u"<xmp>x</xmp>", u"<plaintext>x"}) {
    EXPECT_EQ(DropOf(html), 0) << ToUtf8(html);
  }
}

TEST(DomDropsTest, AnUnclosedElementThatBrowsersShowRunningOnOverTheArticleIsKept) {
  // Unclosed, each holds the paragraph after it: most of the page's text.
  for (const std::u16string_view html :
       {u"<nav><a href=/>Home</a>", u"<aside>", u"<footer>", u"<button>", u"<figcaption>", u"<map>",
        u"<nav style='color:red'>"}) {
    EXPECT_EQ(DropOf(html), 0) << ToUtf8(html);
  }
  // Never shown as text, it stays out however much it holds.
  for (const std::u16string_view html :
       {u"<select>", u"<dialog>", u"<object>", u"<canvas>", u"<noscript>"}) {
    EXPECT_NE(DropOf(html), 0) << ToUtf8(html);
  }
  // Closed, it holds little of the page's text and goes.
  EXPECT_EQ(DropOf(u"<nav><p>" + std::u16string(100, u'y') + u"</p></nav>"), kJunk);
}

TEST(DomDropsTest, UnlikelyNamesOnlyWhenStrippingAndNeverOnAnArticle) {
  EXPECT_EQ(DropOf(u"<div class=comments>x</div>"), kUnlikely);
  EXPECT_EQ(DropOf(u"<div class=comments>x</div>", false), 0);
  // An article word joined to a boilerplate word names that part of the page.
  EXPECT_EQ(DropOf(u"<div class=article-comments>x</div>"), kUnlikely);
  EXPECT_EQ(DropOf(u"<div class=article-body>x</div>"), 0);
  EXPECT_EQ(DropOf(u"<article class=comments>x</article>"), 0);
  EXPECT_EQ(DropOf(u"<body class=sidebar>x</body>"), 0);
  EXPECT_EQ(DropOf(u"<div class=comments hidden>x</div>"), kHidden);  // whatever the attempt
}

}  // namespace
}  // namespace korvane
