// SPDX-License-Identifier: Apache-2.0
// The dom algorithm on any page: the tokenizer's tokens, the tree built from
// them and the whole conversion, each checked against what it promises.
// First byte odd: the rest as UTF-16 code units (lone surrogates and all);
// even: the rest as UTF-8.
#include <algorithm>

#include "decode/utf8.h"
#include "fuzz_support.h"
#include "html/tokenizer.h"
#include "html/tree.h"
#include "korvane.h"

namespace korvane::fuzz {
namespace {

constexpr size_t kNone = std::u16string_view::npos;

// Tokens follow each other without overlapping, inside the page, and each
// attribute lies inside its tag.
void CheckTokens(std::u16string_view page) {
  std::vector<Attribute> attributes;
  HtmlTokenizer tokenizer(page, attributes);
  size_t next_free = 0;
  size_t tokens = 0;
  for (Token token = tokenizer.Next(); token.kind != TokenKind::kEnd; token = tokenizer.Next()) {
    Require(++tokens <= page.size(), "every token takes at least one unit");
    Require(token.begin >= next_free, "tokens do not overlap");
    Require(token.begin + size_t{token.size} <= page.size(), "a token lies inside the page");
    Require(token.kind != TokenKind::kText || token.size > 0, "a text token is not empty");
    for (uint32_t i = 0; i < token.attribute_count; ++i) {
      const Attribute& attribute = attributes[token.first_attribute + i];
      Require(attribute.name_begin > token.begin &&
                  attribute.value_begin + size_t{attribute.value_size} <=
                      token.begin + size_t{token.size},
              "an attribute lies inside its tag");
    }
    next_free = token.begin + size_t{token.size};
  }
  Require(tokenizer.Next().kind == TokenKind::kEnd, "the end stays the end");
}

// Subtrees nest, parents come first, depth is capped.
void CheckTree(std::u16string_view page) {
  Dom dom;
  dom.Parse(page);
  Require(dom.size() >= 1 && dom[0].tag == Tag::kDocument && dom[0].end == dom.size(),
          "node 0 is the document and holds every node");
  Require(dom.size() <= kMaxNodes + 1, "the tree holds at most kMaxNodes nodes");
  std::vector<uint32_t> depth(dom.size(), 0);
  for (NodeIndex i = 1; i < dom.size(); ++i) {
    const Node& node = dom[i];
    Require(node.parent < i, "a parent comes before its children");
    Require(node.end > i && node.end <= dom[node.parent].end, "a subtree lies inside its parent's");
    Require(dom[node.parent].tag != Tag::kText, "text nodes have no children");
    depth[i] = depth[node.parent] + 1;
    Require(depth[i] <= kMaxDepth + 2, "elements nest at most kMaxDepth deep");
    if (node.tag == Tag::kText) {
      Require(!dom.Text(node).empty() || node.size == 0 || (node.flags & kDecoded),
              "a text node has text");
    }
  }
}

// Lines end in CR LF, none is empty or starts or ends with a blank, and the
// record's own lines are not broken by what they hold.
void CheckArticle(const Article& article) {
  const std::u16string_view body = article.body;
  Require(body.find(u"\r\n\r\n") == kNone, "the body holds no empty line");
  Require(body.find(u"  ") == kNone && body.find(u'\t') == kNone, "blanks are squeezed");
  for (size_t at = 0; at < body.size(); ++at) {
    if (body[at] == u'\r') {
      Require(at + 1 < body.size() && body[at + 1] == u'\n', "a CR in the body ends a line");
      Require(at > 0 && body[at - 1] != u' ', "no line ends in a blank");
    } else if (body[at] == u'\n') {
      Require(at > 0 && body[at - 1] == u'\r', "an LF in the body follows a CR");
      Require(at + 1 < body.size() && body[at + 1] != u' ', "no line starts with a blank");
    }
  }
  Require(body.empty() || (body.front() != u' ' && body.back() != u' ' && body.back() != u'\n'),
          "the body neither starts nor ends with a blank or a line break");
  for (const std::u16string* line : {&article.title, &article.headline}) {
    Require(line->find_first_of(u"\r\n") == kNone, "a heading is one line");
  }
  for (const std::u16string& source : article.images) {
    Require(!source.empty() && source.find_first_of(u"\r\n") == kNone,
            "an image source is one non-empty line");
  }
  std::vector<std::u16string> images = article.images;
  std::sort(images.begin(), images.end());
  Require(std::adjacent_find(images.begin(), images.end()) == images.end(), "an image comes once");
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::u16string page = data[0] % 2 ? fuzz::Units(bytes) : cli::FromUtf8(bytes).text;
  fuzz::CheckTokens(page);
  fuzz::CheckTree(page);
  const Article article = ExtractArticle(page, Algorithm::kDom);
  fuzz::CheckArticle(article);
  const Article again = ExtractArticle(page, Algorithm::kDom);
  fuzz::Require(FormatRecord(again) == FormatRecord(article) && again.author == article.author &&
                    again.published == article.published,
                "a second conversion gives the same article");
  return 0;
}
