// The fast engine against its step-by-step transliteration, on many
// thousands of random texts.
#include <gtest/gtest.h>

#include "first_occurrence.h"
#include "korvane.h"
#include "literal.h"
#include "markup_stripper.h"
#include "random_text.h"
#include "text_primitives.h"

namespace korvane {
namespace {

using testing_support::RandomText;

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

TEST(DifferentialTest, ReplaceAllMatchesTheLiteralSteps) {
  RandomText random(1);
  for (int i = 0; i < 20000; ++i) {
    const std::u16string text = random.Fragment(30);
    for (const Markers& m : kReplacements) {
      ASSERT_EQ(ReplaceAll(text, m.first, m.second), literal::ReplaceAll(text, m.first, m.second))
          << "find " << i;
    }
  }
}

TEST(DifferentialTest, RemoveSpansAndEntitiesMatchTheLiteralSteps) {
  RandomText random(2);
  for (int i = 0; i < 20000; ++i) {
    const std::u16string text = random.Fragment(30);
    for (const Markers& m : kSpans) {
      ASSERT_EQ(RemoveSpans(text, m.first, m.second), literal::RemoveSpans(text, m.first, m.second))
          << "spans " << i;
    }
    ASSERT_EQ(RemoveEntities(text, u"&", u";"), literal::RemoveEntities(text, u"&", u";"));
    ASSERT_EQ(RemoveEntities(text, u"<", u">"), literal::RemoveEntities(text, u"<", u">"));
  }
}

TEST(DifferentialTest, StripMarkupMatchesTheLiteralSteps) {
  RandomText random(3);
  for (int i = 0; i < 20000; ++i) {
    const std::u16string text = random.Fragment(60);
    ASSERT_EQ(StripMarkup(text), literal::StripMarkup(text)) << "fragment " << i;
  }
}

// The front of a title is worked out from part of it, over text without
// the stretches no run reaches; long stretches between "<" and ">" are mixed
// in so that those are passed over often.
TEST(DifferentialTest, StripMarkupFrontSettlesAPrefixOfTheWholeText) {
  RandomText random(6);
  const std::u16string fillers[] = {u"", u"<p<p<p<p<p<p<p<p<p<p<p<p", u"br>br>br>br>br>br>br>",
                                    u"xxxxxxxxxxxxxxxxxxxxxxxxx", u"  <br  <br <p  </p></li>"};
  for (int i = 0; i < 20000; ++i) {
    std::u16string text;
    for (int n = random.Below(6); n >= 0; --n) {
      text += random.Fragment(12) + fillers[random.Below(std::size(fillers))];
    }
    const std::u16string whole = literal::StripMarkup(text);
    ASSERT_EQ(StripMarkupFront(text, [](std::u16string_view) { return false; }), whole) << i;
    const std::u16string front =
        StripMarkupFront(text, [](std::u16string_view) { return true; }, 1 + random.Below(40));
    ASSERT_TRUE(whole.starts_with(front)) << i;
  }
}

TEST(DifferentialTest, HtmlToTextMatchesTheLiteralSteps) {
  RandomText random(4);
  for (int i = 0; i < 3000; ++i) {
    const std::u16string page = random.Page(i % 20 == 0 ? 1500 : 300);
    ASSERT_EQ(HtmlToText(page), literal::HtmlToText(page)) << "page " << i;
  }
}

TEST(DifferentialTest, FirstOccurrencesMatchSearchingOneByOne) {
  RandomText random(5);
  for (int i = 0; i < 5000; ++i) {
    const std::u16string text = random.Fragment(40);
    std::vector<std::u16string> owned;
    for (int n = random.Below(8); n > 0; --n) {
      const std::u16string piece = random.Fragment(3);
      owned.push_back(text.empty() || random.Below(2) == 0
                          ? piece
                          : text.substr(random.Below(text.size()), random.Below(6)));
    }
    const std::vector<std::u16string_view> patterns(owned.begin(), owned.end());
    const std::vector<size_t> starts = FirstOccurrences(text, patterns);
    for (size_t p = 0; p < patterns.size(); ++p) {
      ASSERT_EQ(starts[p], text.find(patterns[p])) << "text " << i << " pattern " << p;
    }
  }
}

}  // namespace
}  // namespace korvane
