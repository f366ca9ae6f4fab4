#include "html/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/utf8.h"

namespace korvane {
namespace {

using cli::ToUtf8;

// The tokens of a page in one line: text 'x', raw text "x", start tags
// <name a=v b> (<name /> when self-closing), end tags </name>.
std::string Tokens(std::u16string_view page) {
  std::vector<Attribute> attributes;
  HtmlTokenizer tokenizer(page, attributes);
  std::u16string out;
  for (Token token = tokenizer.Next(); token.kind != TokenKind::kEnd; token = tokenizer.Next()) {
    if (!out.empty()) out += u' ';
    const std::u16string_view span = page.substr(token.begin, token.size);
    switch (token.kind) {
      case TokenKind::kText:
        out.append(u"'").append(span).append(u"'");
        break;
      case TokenKind::kRawText:
        out.append(u"\"").append(span).append(u"\"");
        break;
      case TokenKind::kStartTag:
        out.append(u"<").append(page.substr(token.begin + 1, token.name_size));
        for (uint32_t i = 0; i < token.attribute_count; ++i) {
          const Attribute& attribute = attributes[token.first_attribute + i];
          out.append(u" ").append(page.substr(attribute.name_begin, attribute.name_size));
          if (attribute.value_begin != attribute.name_begin + attribute.name_size) {
            out.append(u"=").append(page.substr(attribute.value_begin, attribute.value_size));
          }
        }
        out.append(token.self_closing ? u" />" : u">");
        break;
      case TokenKind::kEndTag:
        out.append(u"</").append(page.substr(token.begin + 2, token.name_size)).append(u">");
        break;
      case TokenKind::kEnd:
        break;
    }
  }
  return ToUtf8(out);
}

struct Case {
  std::u16string_view page;
  const char* tokens;
};

void ExpectTokens(const std::vector<Case>& cases) {
  for (const Case& test : cases) EXPECT_EQ(Tokens(test.page), test.tokens) << ToUtf8(test.page);
}

TEST(TokenizerTest, CommentsEndAtTheirFirstCloseAndEmptyFormsAreWhole) {
  ExpectTokens({
      {u"a<!-- x -->b", "'a' 'b'"},
      {u"a<!---->b", "'a' 'b'"},
      {u"a<!-->b", "'a' 'b'"},
      {u"a<!--->b", "'a' 'b'"},
      {u"a<!-- x --->b", "'a' 'b'"},
      {u"a<!-- <p>x</p> -- y -->b", "'a' 'b'"},
      {u"a<!--x-->b-->c", "'a' 'b-->c'"},
      {u"a<!-- never closed <p>b", "'a'"},
      {u"a<!--", "'a'"},
      {u"<!DOCTYPE html>a<!doctype>b", "'a' 'b'"},
      {u"a<?xml version=\"1.0\"?>b<?php echo 1 ?>c", "'a' 'b' 'c'"},
      {u"a<![CDATA[x]]>b", "'a' 'b'"},
      {u"a</ p>b</>c</3>d", "'a' 'b' 'c' 'd'"},
      {u"a<!x", "'a'"},
  });
}

TEST(TokenizerTest, LessThanOpensMarkupOnlyBeforeALetterSlashBangOrQuestionMark) {
  ExpectTokens({
      {u"a < b", "'a < b'"},
      {u"1<2 and 3<=4", "'1<2 and 3<=4'"},
      {u"x<", "'x<'"},
      {u"x</", "'x</'"},  // as browsers keep it
      {u"<\u4e2d>", "'<\u4e2d>'"},
      {u"<b>x</b>", "<b> 'x' </b>"},
      {u"<B>x</B >", "<B> 'x' </B>"},
  });
}

TEST(TokenizerTest, RawTextRunsToItsOwnEndTag) {
  ExpectTokens({
      {u"<script>if (a<b) x='</div>';</script>t",
       "<script> \"if (a<b) x='</div>';\" </script> 't'"},
      {u"<script>a</scriptx>b</SCRIPT >c", "<script> \"a</scriptx>b\" </SCRIPT> 'c'"},
      {u"<style>p{}</style/>x", "<style> \"p{}\" </style> 'x'"},
      {u"<title>a <b> &amp;</title>", "<title> \"a <b> &amp;\" </title>"},
      {u"<textarea><!-- x --></textarea>", "<textarea> \"<!-- x -->\" </textarea>"},
      {u"<script>never closed</script", "<script> \"never closed</script\""},
      {u"<script/>x", "<script /> 'x'"},
      {u"<noscript><p>x</p></noscript>", "<noscript> \"<p>x</p>\" </noscript>"},
      {u"<xmp></xmp>", "<xmp> \"\" </xmp>"},
      {u"<plaintext>a</plaintext><p>b", "<plaintext> \"a</plaintext><p>b\""},
  });
}

TEST(TokenizerTest, AttributesAsWritten) {
  ExpectTokens({
      {u"<a href=x>", "<a href=x>"},
      {u"<a href = 'x y' title=\"q'\" checked>", "<a href=x y title=q' checked>"},
      {u"<img src=a.jpg/>", "<img src=a.jpg/>"},
      {u"<img src=a.jpg />", "<img src=a.jpg />"},
      {u"<br/ >", "<br>"},
      {u"<a b=c>d</a>", "<a b=c> 'd' </a>"},
      {u"<a b=\"\" c=''>", "<a b= c=>"},
      {u"<p =x a==b>", "<p =x a==b>"},
      {u"<div\nclass=x\tid=y>", "<div class=x id=y>"},
      {u"<a href=x HREF=y>", "<a href=x HREF=y>"},
      {u"</p class=x>", "</p>"},
  });
}

TEST(TokenizerTest, ATagCutOffByThePageEndIsDropped) {
  ExpectTokens({
      {u"a<div", "'a'"},
      {u"a<div class", "'a'"},
      {u"a<div class=", "'a'"},
      {u"a<div class=\"x>b", "'a'"},
      {u"a</div", "'a'"},
  });
}

TEST(TokenizerTest, StartTagsKeepTheirFirstAttributesUpToTheCap) {
  std::u16string page = u"<div";
  for (int i = 0; i < 1100; ++i) page += u" a";
  page += u"><p x=1>";
  std::vector<Attribute> attributes;
  HtmlTokenizer tokenizer(page, attributes);
  EXPECT_EQ(tokenizer.Next().attribute_count, 1024u);
  EXPECT_EQ(tokenizer.Next().attribute_count, 1u);
  EXPECT_EQ(attributes.size(), 1025u);
  EXPECT_EQ(tokenizer.Next().kind, TokenKind::kEnd);
  EXPECT_EQ(tokenizer.Next().kind, TokenKind::kEnd);
}

}  // namespace
}  // namespace korvane
