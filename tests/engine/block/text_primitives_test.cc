// SPDX-License-Identifier: Apache-2.0
#include "block/text_primitives.h"

#include <gtest/gtest.h>

#include "block/reference.h"
#include "random_text.h"

namespace korvane {
namespace {

struct Case {
  std::u16string_view text, first, second, expected;
};

class ReplaceAllTest : public testing::TestWithParam<Case> {};

TEST_P(ReplaceAllTest, ReplacesAndLooksAgainAtInsertedText) {
  const Case& test = GetParam();
  EXPECT_EQ(ReplaceAll(test.text, test.first, test.second), test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    testing::Values(Case{u"a    b", u"  ", u" ", u"a b"},
                    Case{u"x\r\n\r\n\r\ny", u"\r\n\r\n", u"\r\n", u"x\r\ny"},
                    Case{u"&amp;amp;", u"&amp;", u"&", u"&"},
                    Case{u"&amp;amp;amp;x&amp;", u"&amp;", u"&", u"&x&"},
                    Case{u"no match here", u"zz", u"z", u"no match here"},
                    Case{u"", u"  ", u" ", u""},
                    // A match made of the kept text and the start of the replacement
                    // begins before the resume point and is not sought.
                    Case{u"aab", u"ab", u"b", u"ab"},
                    Case{u"<p><P><p", u"<p", u"zorblevant<q", u"zorblevant<q><P>zorblevant<q"},
                    Case{u"ends with find  ", u"  ", u" ", u"ends with find "},
                    // Violated preconditions leave the text as it is.
                    Case{u"abc", u"", u"x", u"abc"}, Case{u"abc", u"b", u"xbx", u"abc"}));

class RemoveSpansTest : public testing::TestWithParam<Case> {};

TEST_P(RemoveSpansTest, CutsFromOpenToFirstClose) {
  const Case& test = GetParam();
  EXPECT_EQ(RemoveSpans(test.text, test.first, test.second), test.expected);
}

INSTANTIATE_TEST_SUITE_P(Comments, RemoveSpansTest,
                         testing::Values(Case{u"a<!--x-->b<!--y", u"<!--", u"-->", u"ab<!--y"},
                                         Case{u"a<!--x-->b<!--y-->", u"<!--", u"-->", u"ab"},
                                         Case{u"a<!-->b-->c", u"<!--", u"-->", u"ab-->c"},
                                         Case{u"p<!--1<!--2-->q-->r", u"<!--", u"-->", u"pq-->r"},
                                         Case{u"x-->y<!--z-->", u"<!--", u"-->", u"x-->y"},
                                         Case{u"", u"<!--", u"-->", u""},
                                         Case{u"<!---->", u"<!--", u"-->", u""}));

// A tag-name opener opens a block only where the name ends: at ">", "/",
// white space or the end of the text.
INSTANTIATE_TEST_SUITE_P(
    TagNames, RemoveSpansTest,
    testing::Values(Case{u"a<head>h</head>b", u"<head", u"</head>", u"ab"},
                    Case{u"a<header>h</header>b</head>", u"<head", u"</head>",
                         u"a<header>h</header>b</head>"},
                    Case{u"a<header><head>x</head>b", u"<head", u"</head>", u"a<header>b"},
                    Case{u"<heading>x<head\tid=1>y</head>z", u"<head", u"</head>", u"<heading>xz"},
                    Case{u"a<style/>b</style>c", u"<style", u"</style>", u"ac"},
                    Case{u"a<styled>b</style>c", u"<style", u"</style>", u"a<styled>b</style>c"},
                    Case{u"a<scripts>b</script>c<script\ntype=x>d</script>e", u"<script",
                         u"</script>", u"a<scripts>b</script>ce"},
                    Case{u"a<script", u"<script", u"</script>", u"a<script"},
                    Case{u"a<script", u"<script", u"t", u"a"},
                    Case{u"a<head\f>b</head><head ", u"<head", u"</head>", u"a<head "}));

struct EntityCase {
  std::u16string_view text, expected;
};

class RemoveEntitiesTest : public testing::TestWithParam<EntityCase> {};

TEST_P(RemoveEntitiesTest, CutsShortAmpersandSequences) {
  EXPECT_EQ(RemoveEntities(GetParam().text, u"&", u";"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveEntitiesTest,
    testing::Values(EntityCase{u"a&nbsp;b&copy;c", u"abc"}, EntityCase{u"&abcdefgh;x", u"x"},
                    EntityCase{u"&abcdefghi;x", u"&abcdefghi;x"}, EntityCase{u"a & b & c;", u"a "},
                    EntityCase{u"r&d is a lab name; &lt;", u"r&d is a lab name; "},
                    EntityCase{u"a&b;c", u"ac"}, EntityCase{u"&&&&&&&&&&&&;", u"&&&"},
                    EntityCase{u"x&;&;;y", u"x;y"}, EntityCase{u"no ampersand;", u"no ampersand;"},
                    EntityCase{u"a&b no close", u"a&b no close"}, EntityCase{u"", u""}));

// The fast passes against the reference on many thousands of random texts,
// with the engine's own markers and short ones that overlap themselves.
struct Markers {
  std::u16string_view first, second;
};

constexpr Markers kReplacements[] = {{u"  ", u" "},
                                     {u"\r\n\r\n", u"\r\n"},
                                     {u"&amp;", u"&"},
                                     {u"<p", u"zorblevant<q"},
                                     {u"br>", u"qq>zorblevant"},
                                     {u"ab", u"b"},
                                     {u"aa", u"a"},
                                     {u"aba", u"ab"},
                                     {u"<", u""},
                                     {u"&", u""},
                                     {u"--", u"-"},
                                     {u"abab", u"bab"}};

constexpr Markers kSpans[] = {{u"<!--", u"-->"},      {u"<style", u"</style>"},
                              {u"<head", u"</head>"}, {u"<script", u"</script>"},
                              {u"<", u">"},           {u"a", u"a"},
                              {u"--", u"-"}};

TEST(ReplaceAllTest, MatchesTheReferenceOnRandomTexts) {
  test_support::RandomText random(1);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = random.Fragment(30);
    for (const Markers& markers : kReplacements) {
      ASSERT_EQ(ReplaceAll(text, markers.first, markers.second),
                reference::ReplaceAll(text, markers.first, markers.second))
          << "text " << round;
    }
  }
}

TEST(RemoveSpansTest, MatchesTheReferenceOnRandomTexts) {
  test_support::RandomText random(2);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = random.Fragment(30);
    for (const Markers& markers : kSpans) {
      ASSERT_EQ(RemoveSpans(text, markers.first, markers.second),
                reference::RemoveSpans(text, markers.first, markers.second))
          << "text " << round;
    }
  }
}

TEST(RemoveEntitiesTest, MatchesTheReferenceOnRandomTexts) {
  test_support::RandomText random(2);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = random.Fragment(30);
    ASSERT_EQ(RemoveEntities(text, u"&", u";"), reference::RemoveEntities(text, u"&", u";"))
        << "text " << round;
    ASSERT_EQ(RemoveEntities(text, u"<", u">"), reference::RemoveEntities(text, u"<", u">"))
        << "text " << round;
  }
}

}  // namespace
}  // namespace korvane
