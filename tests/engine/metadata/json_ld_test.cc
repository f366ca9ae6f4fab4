#include "metadata/json_ld.h"

#include <gtest/gtest.h>

#include <string>

#include "decode/utf8.h"

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

}  // namespace
}  // namespace korvane
