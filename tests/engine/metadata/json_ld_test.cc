// SPDX-License-Identifier: Apache-2.0
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

}  // namespace
}  // namespace korvane
