// SPDX-License-Identifier: Apache-2.0
#include "metadata/json_ld.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode/utf8.h"
#include "metadata/json_ld_reference.h"

namespace korvane {
namespace {

using cli::ToUtf8;

TEST(JsonLdTest, ArticleDateAndAuthorsInTheirForms) {
  const struct {
    std::u16string_view json, published, author;
  } cases[] = {
      {u"{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-11-18\",\"author\":\"Jane Doe\"}",
       u"2023-11-18", u"Jane Doe"},
      {u"{\"@type\":[\"Article\"],\"author\":{\"@type\":\"Person\",\"name\":\"\\u5f20\\u4e09\"}}",
       u"", u"张三"},
      {u"{\"@graph\":[{\"@type\":\"WebSite\",\"datePublished\":\"2001-01-01\"},{\"@type\":"
       u"\"BlogPosting\",\"datePublished\":\"2023-11-18T10:20:00+08:00\",\"author\":[{\"name\":"
       u"\"A\"},{\"@type\":\"Organization\",\"name\":\"Org\"},\"https://x.example/b\",\"C\"]}]}",
       u"2023-11-18T10:20:00+08:00", u"A, C"},
      {u"<!-- {\"@type\":\"WebPage\",\"dateCreated\":\"2020-02-02\",\"author\":\"P\",}",
       u"2020-02-02", u"P"},
      {u"{\"@type\":\"Article\",\"comment\":[{\"@type\":\"Comment\",\"author\":\"X\","
       u"\"datePublished\":\"2024-01-01\"}],\"image\":{\"@type\":\"ImageObject\",\"author\":\"Y\"}"
       u"}",
       u"", u""},
      {u"{\"@type\":\"Article\",\"datePublished\":\"2023-11-18\",\"author\":\"cut off",
       u"2023-11-18", u""},
      {u"[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[{\"datePublished\":\"2023-11-18\"}]]]]", u"", u""},
  };
  for (const auto& test : cases) {
    LinkedData data;
    ReadLinkedData(test.json, data);
    EXPECT_EQ(data.published, test.published) << ToUtf8(test.json);
    EXPECT_EQ(data.author, test.author) << ToUtf8(test.json);
  }
}

LinkedData Read(std::initializer_list<std::u16string_view> scripts) {
  LinkedData data;
  for (const std::u16string_view json : scripts) ReadLinkedData(json, data);
  return data;
}

TEST(JsonLdTest, ArticlesFirstThenOtherObjectsThenDateCreated) {
  const struct {
    std::u16string_view json, published, author;
  } cases[] = {
      // The first article object gives the date and the author.
      {u"[{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-01-01\",\"author\":\"A\"},"
       u"{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-02-02\",\"author\":\"B\"}]",
       u"2023-01-01", u"A"},
      // An article after another object still wins; "Posting" is an article too.
      {u"[{\"@type\":\"WebPage\",\"datePublished\":\"2001-01-01\",\"author\":\"P\"},"
       u"{\"@type\":\"SocialMediaPosting\",\"datePublished\":\"2023-02-02\",\"author\":\"B\"}]",
       u"2023-02-02", u"B"},
      // Without an article, another object's date, and a page's author.
      {u"{\"@type\":\"WebPage\",\"datePublished\":\"2001-01-01\",\"author\":\"P\"}", u"2001-01-01",
       u"P"},
      {u"{\"@type\":\"WebSite\",\"author\":\"S\"}", u"", u""},
      {u"{\"@type\":\"NewsArticle\",\"dateCreated\":\"2023-03-03\"}", u"2023-03-03", u""},
      {u"{\"@type\":\"NewsArticle\",\"dateCreated\":\"2023-03-03\",\"datePublished\":\"2023-03-"
       u"04\"}",
       u"2023-03-04", u""},
      // An article's date is the article's, not that of a review or media inside it.
      {u"{\"@type\":\"Article\",\"review\":{\"@type\":\"Review\",\"datePublished\":\"2024-01-01\"},"
       u"\"video\":{\"@type\":\"VideoObject\",\"datePublished\":\"2024-02-02\"}}",
       u"", u""},
  };
  for (const auto& test : cases) {
    const LinkedData data = Read({test.json});
    EXPECT_EQ(data.published, test.published) << ToUtf8(test.json);
    EXPECT_EQ(data.author, test.author) << ToUtf8(test.json);
  }
}

TEST(JsonLdTest, AuthorsAsANameAPersonOrAListOfEither) {
  const struct {
    std::u16string_view author, names;
  } cases[] = {
      {u"\"Jane Doe\"", u"Jane Doe"},
      {u"{\"@type\":\"Person\",\"name\":\"Jane Doe\"}", u"Jane Doe"},
      {u"{\"@type\":\"Organization\",\"name\":\"Herald\"}", u""},
      {u"{\"@type\":[\"Organisation\"],\"name\":\"Herald\"}", u""},
      {u"[\"A\",{\"name\":\"B\"},\"\",\"www.herald.example\",\"https://x.example/c\",\"D\"]",
       u"A, B, D"},
      {u"[[\"A\"],\"B\"]", u"B"},
      {u"{\"name\":[\"A\"]}", u""},
      {u"7", u""},
  };
  for (const auto& test : cases) {
    const std::u16string json =
        u"{\"@type\":\"NewsArticle\",\"author\":" + std::u16string(test.author) + u"}";
    EXPECT_EQ(Read({json}).author, test.names) << ToUtf8(json);
  }
}

TEST(JsonLdTest, LaterScriptsFillOnlyWhatEarlierOnesLeftEmpty) {
  const LinkedData data = Read({u"{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-01-01\"}",
                                u"{\"@type\":\"NewsArticle\",\"datePublished\":\"2023-02-02\","
                                u"\"author\":\"B\"}"});
  EXPECT_EQ(data.published, u"2023-01-01");
  EXPECT_EQ(data.author, u"B");
}

TEST(JsonLdTest, StringsAsJsonWritesThem) {
  const struct {
    std::u16string_view value, text;
  } cases[] = {
      {u"\"a\\\"b\\\\c\\/d\"", u"a\"b\\c/d"},
      {u"\"\\u738b\\u660E\"", u"王明"},
      {u"\"a\\tb\\nc\"", u"a\tb\nc"},
      {u"\"line\nbreak\"", u"line\nbreak"},
      {u"\"\\u12G4\"", u""},
      {u"\"\\x\"", u"x"},
  };
  for (const auto& test : cases) {
    const std::u16string json =
        u"{\"@type\":\"NewsArticle\",\"datePublished\":" + std::u16string(test.value) + u"}";
    EXPECT_EQ(Read({json}).published, test.text) << ToUtf8(json);
  }
}

TEST(JsonLdTest, ReadsThirtyTwoLevelsDeep) {
  const auto nested = [](int arrays) {
    return std::u16string(arrays, u'[') +
           u"{\"@type\":\"Article\",\"datePublished\":\"2023-11-18\"}" +
           std::u16string(arrays, u']');
  };
  EXPECT_EQ(Read({nested(31)}).published, u"2023-11-18");
  EXPECT_EQ(Read({nested(32)}).published, u"");
}

// However many values stand before it, and however deep others are nested.
TEST(JsonLdTest, EveryValueIsReadWhereverItStands) {
  std::u16string mentions;
  for (int i = 0; i < 20000; ++i) mentions += u"{\"@type\":\"Thing\",\"name\":\"x\"},";
  std::u16string deep(100, u'[');
  deep += u"{\"datePublished\":\"2001-01-01\"}" + std::u16string(100, u']');
  const struct {
    std::u16string json;
    std::u16string_view published, author;
  } cases[] = {
      {u"{\"@type\":\"NewsArticle\",\"mentions\":[" + mentions +
           u"],\"datePublished\":\"2023-11-18\",\"author\":\"Jane Doe\"}",
       u"2023-11-18", u"Jane Doe"},
      {u"{\"@type\":\"NewsArticle\",\"x\":" + deep + u",\"datePublished\":\"2023-11-18\"}",
       u"2023-11-18", u""},
      {u"{\"@graph\":[{\"@type\":\"WebPage\",\"author\":\"P\",\"datePublished\":\"2001-01-01\"},"
       u"{\"datePublished\":\"2023-11-18\",\"@type\":\"Article\",\"author\":{\"name\":\"B\","
       u"\"@type\":\"Organization\"}}]}",
       u"2023-11-18", u"P"},
      {u"{\"@type\":\"Article\",\"datePublished\":1,\"datePublished\":\"2001-01-01\","
       u"\"hasPart\":{\"@type\":\"Article\",\"datePublished\":\"2023-11-18\"}}",
       u"2023-11-18", u""},
      {u"{\"@type\":\"Article\",\"author\":[[\"X\"],\"A\",{\"name\":\"B\"}],\"review\":{"
       u"\"author\":\"R\",\"datePublished\":\"2020-01-01\",\"@type\":\"Review\"}}",
       u"", u"A, B"},
  };
  for (const auto& test : cases) {
    LinkedData data;
    ReadLinkedData(test.json, data);
    EXPECT_EQ(data.published, test.published) << ToUtf8(test.json.substr(0, 200));
    EXPECT_EQ(data.author, test.author) << ToUtf8(test.json.substr(0, 200));
  }
}

// JSON of the keys and types the reader looks for, nested up to 40 deep, cut
// off at random places.
class RandomJson {
 public:
  explicit RandomJson(unsigned seed) : random_(seed) {}

  std::u16string Document() {
    std::u16string json = Container(0, random_() % 4 != 0);
    if (random_() % 5 == 0) json.resize(random_() % (json.size() + 1));
    return json;
  }

 private:
  std::u16string Container(int depth, bool object) {
    static constexpr std::u16string_view kKeys[] = {
        u"\"@type\"", u"\"datePublished\"",      u"\"dateCreated\"", u"\"name\"", u"\"author\"",
        u"\"x\"",     u"\"date\\u0050ublished\""};
    std::u16string json(1, object ? u'{' : u'[');
    const int count = static_cast<int>(random_() % (depth < 8 ? 5 : 2));
    for (int i = 0; i < count; ++i) {
      if (i > 0) json += random_() % 10 == 0 ? u" " : u",";
      if (object) json.append(kKeys[random_() % std::size(kKeys)]).append(u":");
      json += Value(depth + 1);
    }
    json += object ? u'}' : u']';
    return json;
  }

  std::u16string Value(int depth) {
    static constexpr std::u16string_view kScalars[] = {u"\"2023-11-18\"",
                                                       u"\"\"",
                                                       u"\"Jane\"",
                                                       u"\"http://x.example\"",
                                                       u"\"NewsArticle\"",
                                                       u"\"Person\"",
                                                       u"\"Organization\"",
                                                       u"\"Comment\"",
                                                       u"\"WebPage\"",
                                                       u"\"BlogPosting\"",
                                                       u"\"ImageObject\"",
                                                       u"\"B\\u0043\"",
                                                       u"1",
                                                       u"null"};
    const unsigned pick = random_() % 10;
    if (depth < 40 && pick < 5) return Container(depth, pick < 3);
    return std::u16string(kScalars[random_() % std::size(kScalars)]);
  }

  std::mt19937 random_;
};

// The one-pass reader finds what a walk of the whole tree finds.
TEST(JsonLdTest, AgreesWithTheTreeReader) {
  RandomJson random(5);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string json = random.Document();
    LinkedData fast;
    LinkedData tree;
    ReadLinkedData(json, fast);
    reference::ReadLinkedData(json, tree);
    ASSERT_EQ(fast.published, tree.published) << ToUtf8(json);
    ASSERT_EQ(fast.author, tree.author) << ToUtf8(json);
  }
}

}  // namespace
}  // namespace korvane
