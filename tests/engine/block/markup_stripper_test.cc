// SPDX-License-Identifier: Apache-2.0
#include "block/markup_stripper.h"

#include <gtest/gtest.h>

#include "block/reference.h"
#include "random_text.h"

namespace korvane {
namespace {

struct Case {
  std::u16string_view markup, text;
};

class StripMarkupTest : public testing::TestWithParam<Case> {};

TEST_P(StripMarkupTest, KeepsTextBetweenTags) {
  EXPECT_EQ(StripMarkup(GetParam().markup), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, StripMarkupTest,
    testing::Values(Case{u">Title text<", u"title text"}, Case{u"plain text without tags", u""},
                    Case{u"", u""}, Case{u"<div>abc", u"abc"}, Case{u"&gt;abc", u"abc"},
                    Case{u"<b>x &gt; y</b><i>z</i>", u"z"}, Case{u"<b>a &lt; b</b><i>z</i>", u"az"},
                    Case{u"<p>see &lt;&lt;book&gt;&gt; now</p></div>", u"see"},
                    Case{u">  The  Title &amp; more <", u"the title more"},
                    Case{u"<div>AbC&copy;&#12345678;&#1234567;</div>", u"abc&#12345678;"}));

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, StripMarkupTest,
    testing::Values(Case{u"<div><p>Hello <b>World</b></p><p>Second&nbsp;&nbsp;para</p></div>",
                         u"\r\nhelloworld\r\nsecond para\r\n"},
                    Case{u"<td>a</td><td>b</td></tr><tr><td>c</td>", u"ab\r\nc"},
                    Case{u"<ul><li>a</li><li>b</li></ul>", u"a\r\nb\r\n"},
                    Case{u"x<br>y<br/>z</div>", u"y\r\nz"}, Case{u"<div>a</br>b</div>", u"a\r\nb"},
                    Case{u"<div>a<nobr>b</div>", u"a\r\nb"},
                    Case{u"<div>x</p> y</div>", u"x\r\n y"},
                    Case{u"<div>x </p></p><p> y</div>", u"x\r\ny"},
                    Case{u"<div>one\r\ntwo\tthree</div>", u"onetwothree"},
                    Case{u"<div>zorblevant</div>", u"\r\n"},
                    Case{u"<pre>a</pre><param>b", u"a\r\nb"}));

INSTANTIATE_TEST_SUITE_P(
    Blocks, StripMarkupTest,
    testing::Values(Case{u"<div>a<!-- c -->b<style>s</style>c<script>x</script>d</div>", u"abcd"},
                    Case{u"<div>a<!-- open <p>b</p></div>", u""},
                    Case{u"<div>a<STYLE type=x>s</Style>b</div>", u"ab"},
                    Case{u"<div>a<script src=x>", u"a"},
                    // <header> is no <head>: its text stays.
                    Case{u"<div>a<header>h</header>b</div>", u"ahb"},
                    Case{u"<div>a<head>h</head>b</div>", u"ab"},
                    Case{u"<div>a<styles>s</styles>b</div>", u"asb"}));

INSTANTIATE_TEST_SUITE_P(LetterCase, StripMarkupTest,
                         testing::Values(Case{u"<DIV>ÄÖÜ ΣΑΣ Straße</DIV>", u"äöü σασ straße"},
                                         Case{u"<div>\uFF21\uFF10</div>", u"\uFF41\uFF10"},
                                         Case{u"<div>\U0001D400</div>", u"\U0001D400"}));

TEST(StripMarkupTest, MatchesTheReferenceOnRandomFragments) {
  test_support::RandomText random(3);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string fragment = random.Fragment(60);
    ASSERT_EQ(StripMarkup(fragment), reference::StripMarkup(fragment)) << "fragment " << round;
  }
}

// A title's front is worked out from part of it, over text without the
// stretches no run reaches; long stretches between "<" and ">" are mixed in
// so that those are passed over often.
TEST(StripMarkupFrontTest, SettlesAPrefixOfTheWholeText) {
  test_support::RandomText random(6);
  const std::u16string fillers[] = {u"", u"<p<p<p<p<p<p<p<p<p<p<p<p", u"br>br>br>br>br>br>br>",
                                    u"xxxxxxxxxxxxxxxxxxxxxxxxx", u"  <br  <br <p  </p></li>"};
  for (int round = 0; round < 20000; ++round) {
    std::u16string markup;
    for (int pieces = random.Below(6); pieces >= 0; --pieces) {
      markup += random.Fragment(12) + fillers[random.Below(std::size(fillers))];
    }
    const std::u16string whole = reference::StripMarkup(markup);
    ASSERT_EQ(StripMarkupFront(markup, [](std::u16string_view) { return false; }), whole)
        << "markup " << round;
    const std::u16string front = StripMarkupFront(
        markup, [](std::u16string_view) { return true; }, 1 + random.Below(40));
    ASSERT_TRUE(whole.starts_with(front)) << "markup " << round;
  }
}

}  // namespace
}  // namespace korvane
