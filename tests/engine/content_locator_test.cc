#include "content_locator.h"

#include <gtest/gtest.h>

#include "adversarial_pages.h"
#include "korvane.h"
#include "lower_case.h"

namespace korvane {
namespace {

constexpr size_t kBlock = 200;
// What the cleaning appends and leaves in place on a page without blocks.
constexpr std::u16string_view kMarkers = u"</style></script></head>-->";

// A body of complete blocks, block k holding marks[k-1] counted letters and
// filler for the rest; text after the blocks makes the last one complete.
std::u16string BodyWithBlocks(const std::vector<int>& marks) {
  std::u16string body = u"<body>";
  for (int count : marks) {
    const size_t room = kBlock - body.size() % kBlock;
    body.append(count, u'x').append(room - count, u'-');
  }
  return body.append(u"<");
}

Located Locate(std::u16string_view html) {
  const std::u16string lower = LowerCase(html);
  return LocateContent(Page{html, lower});
}

// The strong entries (1-based table indexes, entry k+1 = block k) of a body.
std::vector<int> Blocks(int count, std::vector<int> strongEntries) {
  std::vector<int> marks(count, 10);
  for (int entry : strongEntries) marks[entry - 2] = 100;
  return marks;
}

struct WindowCase {
  const char* name;
  std::vector<int> marks;
  size_t start;  // 1-based
  size_t length;
};

class LocateWindowTest : public testing::TestWithParam<WindowCase> {};

TEST_P(LocateWindowTest, CutsTheWindowAroundTheLongestRun) {
  const WindowCase& c = GetParam();
  const std::u16string body = BodyWithBlocks(c.marks);
  const std::u16string text = body + std::u16string(kMarkers);
  EXPECT_EQ(Locate(u"<html>" + body + u"</body>").window, text.substr(c.start - 1, c.length));
}

std::vector<int> Entries(int first, int last) {
  std::vector<int> entries;
  for (int e = first; e <= last; ++e) entries.push_back(e);
  return entries;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LocateWindowTest,
    testing::Values(WindowCase{"RunFrom12To20", Blocks(40, Entries(12, 20)), 1700, 2300},
                    WindowCase{"RunFrom20To29", Blocks(40, Entries(20, 29)), 3300, 2500},
                    WindowCase{"RunAtEntry2", Blocks(10, {2, 3}), 1, 900},
                    WindowCase{"RunAtEntry3", Blocks(10, {3}), 1, 700},
                    WindowCase{"RunAtEntry4", Blocks(10, {4}), 100, 700},
                    WindowCase{"FirstOfEqualRuns", Blocks(30, {5, 6, 20, 21}), 300, 900},
                    WindowCase{"LongerRunWins", Blocks(30, {5, 6, 20, 21, 22}), 3300, 1100},
                    // strong, weak, strong: one run of three
                    WindowCase{"OneGapFilled", Blocks(30, {10, 12}), 1300, 1100},
                    // strong, weak, weak, strong: one run of four
                    WindowCase{"TwoGapsFilled", Blocks(30, {10, 13}), 1300, 1300},
                    // three weak entries: only the two before the second strong one are
                    // raised, and that run of three beats the first
                    WindowCase{"ThreeGapsSplit", Blocks(30, {10, 14}), 1700, 1100},
                    WindowCase{"SixGapsNothingRaised", Blocks(30, {10, 17}), 1300, 700},
                    WindowCase{"RunUpToTheLastEntry", Blocks(12, {11, 12}), 1500, 900}));

TEST(LocateContentTest, FindsNothingWithoutBodyOrDenseBlock) {
  const std::u16string dense = BodyWithBlocks(Blocks(10, {5, 6, 7}));
  const struct {
    const char* name;
    std::u16string html;
  } cases[] = {
      {"no body", u"<html>" + dense.substr(6)},
      {"end before start", u"</body>" + dense},
      {"no dense block", BodyWithBlocks(Blocks(10, {}))},
      {"only the last complete block dense", BodyWithBlocks({10, 10, 10, 100})},
      {"shorter than two blocks", u"<body>" + std::u16string(300, u'x') + u"<"},
      {"dense text inside tags", u"<body><" + std::u16string(3000, u'x') + u">"},
      {"run holding a >", u"<body>>" + std::u16string(3000, u'x') + u"<"},
      {"full-width and upper-case CJK punctuation",
       u"<body>>" + std::u16string(3000, u'\uFF41') + u"<"},
  };
  for (const auto& c : cases) {
    const Located located = Locate(c.html);
    EXPECT_EQ(located.window, u"") << c.name;
    EXPECT_TRUE(located.images.empty()) << c.name;
  }
}

TEST(LocateContentTest, CountsCapitalsAndReturnsLowerCase) {
  const std::u16string body = u"<BODY>" + std::u16string(1400, u'X') + u"<";
  const Located located = Locate(body);
  EXPECT_EQ(located.window.substr(0, 7), u"<body>x");
}

TEST(LocateContentTest, ExaminesOnlyTheFirst900000Units) {
  const std::u16string head = u"<body>" + std::u16string(899994, u'-');
  // Dense text beyond the cap is never seen.
  EXPECT_EQ(Locate(head + u">" + std::u16string(5000, u'x') + u"<").window, u"");
  // A body whose end tag lies beyond the cap ends at the cap.
  const std::u16string dense = u"<body>" + std::u16string(899994, u'x');
  EXPECT_FALSE(Locate(dense + u"</body>").window.empty());
}

TEST(LocateContentTest, CollectsImagesAroundTheRun) {
  std::u16string body = u"<body><img src='Far.jpg'>";
  body.append(3000, u'-');
  body.append(u"<img src='Near.jpg'>");
  body.append(u"<p>").append(2000, u'x').append(u"</p>");
  body.append(2000, u'-').append(u"<img src='After.png'>");
  const Located located = Locate(body);
  ASSERT_FALSE(located.window.empty());
  EXPECT_EQ(located.images, (std::vector<std::u16string>{u"Near.jpg"}));
}

// The cap may fall inside a surrogate pair: the engine keeps the half before
// it (the command line writes that half as U+FFFD).
TEST(LocateContentTest, TheCapMayCutAPairAndKeepsItsFirstHalf) {
  constexpr std::u16string_view kPair = u"\U0001F600";
  const Article cut = ExtractArticle(test_support::DensePageWithPairAt(899'999, 910'000));
  ASSERT_FALSE(cut.body.empty());
  EXPECT_EQ(cut.body.back(), kPair[0]);
  EXPECT_TRUE(
      ExtractArticle(test_support::DensePageWithPairAt(899'998, 910'000)).body.ends_with(kPair));
}

}  // namespace
}  // namespace korvane
