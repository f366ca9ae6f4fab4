// SPDX-License-Identifier: Apache-2.0
#include "block/content_locator.h"

#include <gtest/gtest.h>

#include "adversarial_pages.h"
#include "block/lower_case.h"
#include "korvane.h"
#include "pages.h"

namespace korvane {
namespace {

constexpr size_t kBlock = 200;
// What the cleaning appends and leaves in place on a page without blocks.
constexpr std::u16string_view kMarkers = u"</style></script></head>-->";

// A body of complete blocks, block b (from 0) holding marks[b] counted
// letters and filler for the rest; text after the blocks makes the last one
// complete.
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

// `count` weak blocks, but those of `strong_blocks`.
std::vector<int> Blocks(int count, std::vector<int> strong_blocks) {
  std::vector<int> marks(count, 10);
  for (int block : strong_blocks) marks[block] = 100;
  return marks;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> blocks;
  for (int block = first; block <= last; ++block) blocks.push_back(block);
  return blocks;
}

struct WindowCase {
  const char* name;
  std::vector<int> marks;
  size_t start;
  size_t length;
};

class LocateWindowTest : public testing::TestWithParam<WindowCase> {};

TEST_P(LocateWindowTest, CutsTheWindowAroundTheLongestRun) {
  const WindowCase& test = GetParam();
  const std::u16string body = BodyWithBlocks(test.marks);
  const std::u16string text = body + std::u16string(kMarkers);
  EXPECT_EQ(Locate(u"<html>" + body + u"</body>").window, text.substr(test.start, test.length));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, LocateWindowTest,
    testing::Values(WindowCase{"RunFrom10To18", Blocks(40, Range(10, 18)), 1699, 2300},
                    WindowCase{"RunFrom18To27", Blocks(40, Range(18, 27)), 3299, 2500},
                    WindowCase{"RunAtBlock0", Blocks(10, {0, 1}), 0, 900},
                    WindowCase{"RunAtBlock1", Blocks(10, {1}), 0, 700},
                    WindowCase{"RunAtBlock2", Blocks(10, {2}), 99, 700},
                    WindowCase{"FirstOfEqualRuns", Blocks(30, {3, 4, 18, 19}), 299, 900},
                    WindowCase{"LongerRunWins", Blocks(30, {3, 4, 18, 19, 20}), 3299, 1100},
                    // strong, weak, strong: one run of three
                    WindowCase{"OneGapFilled", Blocks(30, {8, 10}), 1299, 1100},
                    // strong, weak, weak, strong: one run of four
                    WindowCase{"TwoGapsFilled", Blocks(30, {8, 11}), 1299, 1300},
                    // three weak blocks: only the two before the second strong one are
                    // filled, and that run of three beats the first
                    WindowCase{"ThreeGapsSplit", Blocks(30, {8, 12}), 1699, 1100},
                    WindowCase{"SixGapsNothingFilled", Blocks(30, {8, 15}), 1299, 700},
                    WindowCase{"RunUpToTheLastCountedBlock", Blocks(12, {9, 10}), 1499, 900}),
    [](const testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

// Each constant of the locator pinned through the whole conversion, on
// pages of 200-unit blocks (BlockPage): block 0 is the body's start tag,
// every other block "<i>" and 197 units of text, where "x" counts and "-"
// does not. For a run of strong blocks first..last, the text window opens
// 301 units before the run, inside the text of block first - 2 after its
// 96th unit (text without a ">" before it, which the stripper drops), and
// closes 199 units after the run, after the 196th unit of block last + 1.
// The image window reaches 1000 units further back and 400 further on, into
// blocks first - 7 and last + 3 at the same places, but starts at the page's
// body when the text window starts within the body's first 2000 units.
struct RecordCase {
  const char* name;
  std::u16string page;
  std::u16string record;
};

std::u16string Counted(size_t units) { return std::u16string(units, u'x'); }
std::u16string Filler(size_t units) { return std::u16string(units, u'-'); }

// The body that a run of blocks first..last gives.
std::u16string BodyOfRun(const std::vector<std::u16string>& texts, size_t first, size_t last) {
  using test_support::BlockText;
  std::u16string body;
  for (size_t block = first - 1; block <= last; ++block) body += BlockText(texts[block]);
  return body + BlockText(texts[last + 1]).substr(0, 196);
}

RecordCase OneBlockOf(size_t counted) {
  std::vector<std::u16string> texts(8);
  texts[4] = Counted(counted);
  return {"", test_support::BlockPage(texts),
          counted > 70 ? u"[[txt]]\r\n" + BodyOfRun(texts, 4, 4) : u"[[txt]]\r\n"};
}

// Strong blocks at `strong`; the run first..last is the one chosen.
RecordCase StrongBlocks(size_t count, std::vector<size_t> strong, size_t first, size_t last) {
  std::vector<std::u16string> texts(count);
  for (size_t block : strong) texts[block] = Counted(100);
  return {"", test_support::BlockPage(texts), u"[[txt]]\r\n" + BodyOfRun(texts, first, last)};
}

// Blocks 1 and 3 strong: block 2 lies before the first block that can be
// filled. The window opens at the body's start clamped and keeps its 700
// units: blocks 0 to 2 and 100 units of block 3.
RecordCase NoFillingAtTheStart() {
  std::vector<std::u16string> texts(8);
  texts[1] = texts[3] = Counted(100);
  using test_support::BlockText;
  return {"", test_support::BlockPage(texts),
          u"[[txt]]\r\n" + BlockText(texts[1]) + BlockText(texts[2]) +
              BlockText(texts[3]).substr(0, 97)};
}

// A run of blocks 12 and 13: the text window opens at the second ">" of
// block 10, the image window at unit 96 of block 5 and ends at unit 195 of
// block 16. With `inside`, an image tag starts there and one ends there;
// without, each lies one unit further out.
RecordCase Margins(bool inside) {
  std::vector<std::u16string> texts(19);
  texts[12] = texts[13] = Counted(197);
  texts[10] = Filler(95) + u">>" + std::u16string(100, u'=');
  texts[5] = Filler(inside ? 96 : 95) + u"<img src=first.jpg>";
  texts[16] = Filler(inside ? 178 : 179) + u"<img src=last.jpg>";
  const std::u16string body = std::u16string(100, u'=') + BodyOfRun(texts, 12, 13);
  return {"", test_support::BlockPage(texts),
          (inside ? u"[[ur=first.jpg]]\r\n[[ur=last.jpg]]\r\n" : u"") + (u"[[txt]]\r\n" + body)};
}

// A run of block 11 alone: the text window starts at unit 1899 of the body,
// so the image window starts at the body's start.
RecordCase ImagesFromTheStart() {
  std::vector<std::u16string> texts(14);
  texts[11] = Counted(197);
  texts[1] = u"<img src=start.jpg>";
  return {"", test_support::BlockPage(texts),
          u"[[ur=start.jpg]]\r\n[[txt]]\r\n" + BodyOfRun(texts, 11, 11)};
}

// Only the first 900,000 units of a page are examined. Here the 10 units
// before "<body" and a start tag of 899,000 units fill all but 990 of them
// with what counts nothing; dense text follows, past the cap. The cleaned
// body (899,990 units and 27 of appended markers) has 4500 blocks: the run
// is blocks 4495 to 4498 and the text window ends at unit 899,998, after
// the last unit before the cap.
RecordCase DenseTextAcrossTheCap() {
  std::u16string page = u"<!doctype>";
  page.append(u"<body").append(899'000 - 6, u' ').append(u">");
  const std::u16string dense = test_support::Repeated(u"\u65b0\u95fb2024", 990 + 600);
  page.append(dense).append(u"</body></html>");
  return {"", page, u"[[txt]]\r\n" + dense.substr(0, 990)};
}

std::vector<RecordCase> RecordCases() {
  const std::pair<const char*, RecordCase> cases[] = {
      {"70 counted units: weak", OneBlockOf(70)},
      {"71 counted units: strong", OneBlockOf(71)},
      {"five weak blocks: the last two join the next run", StrongBlocks(15, {5, 11}, 9, 11)},
      {"six weak blocks: nothing filled", StrongBlocks(16, {5, 12}, 5, 5)},
      {"three weak blocks: the last two join the next run", StrongBlocks(13, {5, 9}, 7, 9)},
      {"blocks before the fourth are never filled", NoFillingAtTheStart()},
      {"the fourth block is filled", StrongBlocks(9, {2, 4}, 2, 4)},
      {"margins with the images inside", Margins(true)},
      {"margins with the images just outside", Margins(false)},
      {"images from the body's start", ImagesFromTheStart()},
      {"dense text across the cap", DenseTextAcrossTheCap()},
  };
  std::vector<RecordCase> named;
  for (const auto& [name, test] : cases) named.push_back({name, test.page, test.record});
  return named;
}

TEST(LocateContentTest, ConstantsSeenInTheRecord) {
  for (const RecordCase& test : RecordCases()) {
    EXPECT_EQ(HtmlToText(test.page), test.record) << test.name;
  }
}

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
  for (const auto& test : cases) {
    const Located located = Locate(test.html);
    EXPECT_EQ(located.window, u"") << test.name;
    EXPECT_TRUE(located.images.empty()) << test.name;
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
