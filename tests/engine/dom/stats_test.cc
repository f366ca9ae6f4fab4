// SPDX-License-Identifier: Apache-2.0
#include "dom/stats.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvane {
namespace {

TEST(DomStatsTest, IdeographsCountThreeAndBlanksNothing) {
  const struct {
    std::u16string_view text;
    uint32_t chars, commas;
  } cases[] = {
      {u"ab c", 3, 0},
      {u"\u3400\u9fff\uf900\ufaff", 12, 0},
      {u"\u33ff\ua000\uf8ff\ufb00", 4, 0},
      {u"\u4e00\u3000\u00a0\u4e00\t\r\n", 6, 0},
      {u",\uff0c\u3001\u3002\uff1b\uff01\uff1f", 7, 7},
      {u".;:!?\u00b7", 6, 0},
  };
  for (const auto& test : cases) {
    uint32_t chars = 0;
    uint32_t commas = 0;
    CountText(test.text, chars, commas);
    EXPECT_EQ(chars, test.chars) << testing::PrintToString(std::u16string(test.text));
    EXPECT_EQ(commas, test.commas) << testing::PrintToString(std::u16string(test.text));
  }
}

TEST(DomStatsTest, SubtreesCountTheirTextLinksAndElements) {
  Dom dom;
  dom.Parse(
      u"<div><p>ab <a href=/x>cd</a> <a name=y>ef</a></p><p>g<br>h</p>"
      u"<table><tr><td>i<td>j</table><img><script>zzz</script><nav>kk</nav></div>");
  const std::vector<uint8_t> drops = [&] {
    std::vector<uint8_t> marks(dom.size(), 0);
    for (NodeIndex i = 0; i < dom.size(); ++i) marks[i] = dom[i].tag == Tag::kNav;
    return marks;
  }();
  NodeStatsTable stats;
  stats.Compute(dom, drops);
  const NodeStats& div = stats[1];
  EXPECT_EQ(div.chars, 10u);
  EXPECT_EQ(div.link_chars, 2u);
  EXPECT_EQ(div.paragraphs(), 2u);
  EXPECT_EQ(div.images(), 1u);
  EXPECT_EQ(div.lines, 4u);  // "ab cd ef", "g", "h", "i j"
}

// Elements and text nodes keep their statistics apart: each paragraph here
// and its text hold k units, a line each, past the first few groups of
// nodes; dropped paragraphs count for nothing.
TEST(DomStatsTest, EachNodeKeepsItsOwnStatistics) {
  std::u16string page = u"<div>";
  for (int k = 1; k <= 20; ++k) page += u"<p>" + std::u16string(k, u'x') + u"</p><br>";
  page += u"</div>";
  Dom dom;
  dom.Parse(page);
  std::vector<uint8_t> drops(dom.size(), 0);
  uint32_t kept = 0;
  for (NodeIndex i = 2, k = 1; i < dom.size(); ++i) {
    if (dom[i].tag != Tag::kP) continue;
    drops[i] = k % 5 == 0;
    kept += drops[i] ? 0 : k;
    ++k;
  }
  NodeStatsTable stats;
  stats.Compute(dom, drops);
  for (NodeIndex i = 2, k = 1; i < dom.size(); ++i) {
    if (dom[i].tag != Tag::kP) continue;
    const uint32_t chars = drops[i] ? 0 : k;
    EXPECT_EQ(stats[i].chars, chars) << k;
    EXPECT_EQ(stats[i].lines, drops[i] ? 0u : 1u) << k;
    EXPECT_EQ(stats[i].paragraphs(), 1u) << k;
    EXPECT_EQ(stats.OfText(i + 1).chars, chars) << k;
    ++k;
  }
  EXPECT_EQ(stats[1].chars, kept);
  EXPECT_EQ(stats[1].lines, 16u);
  EXPECT_EQ(stats[1].paragraphs(), 16u);
}

// A <div> of text and inline elements counts as a paragraph; one holding a
// block, or no text, does not.
TEST(DomStatsTest, ADivOfTextIsAParagraph) {
  const struct {
    std::u16string_view page;
    uint32_t paragraphs;  // of the first element
  } cases[] = {
      {u"<div>ab</div>", 1},
      {u"<div><span>a</span> b</div>", 1},
      {u"<div> </div>", 0},
      {u"<div><p>a</p></div>", 1},
      {u"<div><div>a</div></div>", 1},
      {u"<div><div>a</div><p>b</p><div>c</div></div>", 3},
      {u"<section>ab</section>", 0},
  };
  for (const auto& test : cases) {
    Dom dom;
    dom.Parse(test.page);
    NodeStatsTable stats;
    stats.Compute(dom, std::vector<uint8_t>(dom.size(), 0));
    EXPECT_EQ(stats[1].paragraphs(), test.paragraphs)
        << testing::PrintToString(std::u16string(test.page));
  }
}

// Each kind of element counted on its own, across the six kinds; of dropped
// elements only controls and embeds, and nothing inside a dropped subtree.
TEST(DomStatsTest, EachKindOfElementIsCountedApart) {
  Dom dom;
  dom.Parse(
      u"<div><p>a</p><img><img><ul><li>b<li>c<li>d</ul><input><select></select><textarea>"
      u"</textarea><button>e</button><iframe></iframe><embed><object></object><video></video>"
      u"<video></video><table><caption>f</caption><thead><tr><th>g<th>h</thead></table>"
      u"<span><input><img><iframe></iframe></span><form><input><embed><p>i</p></form></div>");
  std::vector<uint8_t> drops(dom.size(), 0);
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    drops[i] = dom[i].tag == Tag::kForm || dom[dom[i].parent].tag == Tag::kSpan;
  }
  NodeStatsTable stats;
  stats.Compute(dom, drops);
  const NodeStats& div = stats[1];
  const struct {
    Counted kind;
    uint32_t count;
  } cases[] = {
      {Counted::kParagraphs, 1}, {Counted::kImages, 2}, {Counted::kListItems, 3},
      {Counted::kInputs, 5},     {Counted::kEmbeds, 6}, {Counted::kHeaders, 4},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(div.elements[test.kind], test.count) << static_cast<int>(test.kind);
  }
  EXPECT_EQ(div.inputs(), 5u);
  EXPECT_EQ(div.embeds(), 6u);
  EXPECT_EQ(div.headers(), 4u);
  EXPECT_EQ(div.list_items(), 3u);
}

// Counts of hundreds of one kind stay exact, however the subtrees they come
// from add up: an element's own, a child's past the packed limit of 511,
// two children's that pass it together, in either order.
TEST(DomStatsTest, CountsInTheHundredsStayExact) {
  const struct {
    std::vector<uint32_t> paragraphs;  // of each inner <div>, which also holds an <img>
  } cases[] = {{{511}},     {{512}},      {{300, 300}},     {{600, 10}},
               {{10, 600}}, {{600, 700}}, {{200, 200, 200}}};
  for (const auto& test : cases) {
    std::u16string page = u"<div>";
    uint32_t all = 0;
    for (const uint32_t count : test.paragraphs) {
      page += u"<div><img>";
      for (uint32_t p = 0; p < count; ++p) page += u"<p>x</p>";
      page += u"</div>";
      all += count;
    }
    page += u"<input></div>";
    Dom dom;
    dom.Parse(page);
    std::vector<uint8_t> drops(dom.size(), 0);
    drops[dom.size() - 1] = 1;  // the <input>: still counted by its parent
    NodeStatsTable stats;
    stats.Compute(dom, drops);
    const std::string name = testing::PrintToString(test.paragraphs);
    for (NodeIndex inner = 2, k = 0; k < test.paragraphs.size(); inner = dom[inner].end, ++k) {
      EXPECT_EQ(stats[inner].paragraphs(), test.paragraphs[k]) << name;
      EXPECT_EQ(stats[inner].images(), 1u) << name;
    }
    const NodeStats outer = stats[1];
    EXPECT_EQ(outer.paragraphs(), all) << name;
    EXPECT_EQ(outer.images(), test.paragraphs.size()) << name;
    EXPECT_EQ(outer.inputs(), 1u) << name;
    EXPECT_EQ(outer.list_items(), 0u) << name;
    EXPECT_EQ(outer.chars, all) << name;
  }
}

// A text node's own figures, however many commas it has.
TEST(DomStatsTest, TextsWithManyCommasKeepThemAll) {
  for (const uint32_t commas : {0u, 254u, 255u, 300u}) {
    const std::u16string page = u"<p>ab" + std::u16string(commas, u'\uff0c') + u"</p>";
    Dom dom;
    dom.Parse(page);
    NodeStatsTable stats;
    stats.Compute(dom, std::vector<uint8_t>(dom.size(), 0));
    EXPECT_EQ(stats.OfText(2).commas, commas);
    EXPECT_EQ(stats.OfText(2).chars, 2 + commas);
    EXPECT_EQ(stats[1].commas, commas);
  }
}

// Counts reach their most, 2^21 - 1, without running into the next.
TEST(DomStatsTest, CountsHoldTwentyOneBitsEach) {
  ElementCounts counts;
  const ElementCounts one_image = ElementCounts::One(Counted::kImages);
  for (uint32_t i = 0; i < (1u << 21) - 1; ++i) counts += one_image;
  EXPECT_EQ(counts[Counted::kImages], (1u << 21) - 1);
  EXPECT_EQ(counts[Counted::kParagraphs], 0u);
  EXPECT_EQ(counts[Counted::kListItems], 0u);
  EXPECT_EQ(counts.Of(Counted::kInputs, Counted::kEmbeds)[Counted::kImages], 0u);
  EXPECT_EQ(counts.Of(Counted::kImages, Counted::kEmbeds)[Counted::kImages], (1u << 21) - 1);
}

}  // namespace
}  // namespace korvane
