#include "dom/style_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace korvane {
namespace {

// Which of a page's elements its own style sheet hides.
TEST(HiddenByStyleTest, SimpleSelectorsSetToDisplayNone) {
  const struct {
    const char* name;
    std::u16string_view sheet;
    bool hides_print;  // <div id="print">
    bool hides_box;    // <div class="box wide">
  } cases[] = {
      {"id", u"#print{display:none}", true, false},
      {"class among several", u".box { display : none !important }", false, true},
      {"selector list", u"h2, .box,#print{color:red;display:none}", true, true},
      {"comment before the rule", u"/* print only */ #print{display:none}", true, false},
      {"other display", u"#print{display:block} .box{visibility:hidden}", false, false},
      {"compound selector", u"div#print, .box .inner, .box:hover {display:none}", false, false},
      {"inside @media", u"@media screen{#print{display:none}} .x{}", false, false},
      {"after @media and @import",
       u"@import url(a.css); @media print{.box{display:none}} "
       u"#print{display:none}",
       true, false},
      {"brace in a string", u".box:after{content:\"}\"} #print{display:none}", true, false},
      {"unterminated", u"#print{display:none", true, false},
      {"another name", u"#printer{display:none} .boxes{display:none}", false, false},
      {"another value", u"#print{display:nonesuch} .box{display:none-x}", false, false},
      {"another property", u"#print{-x-display:none} .box{mydisplay:none}", false, false},
      {"value ends", u"#print{display:none;color:red} .box{display:none!important}", true, true},
  };
  Dom dom;
  dom.Parse(u"<div id=\"print\">a</div><div class=\"box wide\">b</div>");
  const Node& print = dom[1];
  const Node& box = dom[3];
  for (const auto& test : cases) {
    HiddenByStyle hidden;
    hidden.ReadSheet(test.sheet);
    EXPECT_EQ(hidden.Hides(dom, print), test.hides_print) << test.name;
    EXPECT_EQ(hidden.Hides(dom, box), test.hides_box) << test.name;
  }
}

TEST(HiddenByStyleTest, ReadsEveryStyleElementOfThePage) {
  Dom dom;
  dom.Parse(
      u"<style>#a{display:none}</style><div id=a>x</div><style>.b{display:none}</style>"
      u"<p class=b>y</p><p class=c>z</p>");
  HiddenByStyle hidden;
  hidden.Read(dom);
  int hidden_count = 0;
  for (NodeIndex i = 0; i < dom.size(); ++i) {
    if (dom[i].tag != Tag::kText && dom[i].tag != Tag::kDocument) {
      hidden_count += hidden.Hides(dom, dom[i]);
    }
  }
  EXPECT_EQ(hidden_count, 2);
}

}  // namespace
}  // namespace korvane
