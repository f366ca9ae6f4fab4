// SPDX-License-Identifier: Apache-2.0
#include "decode/decode.h"

#include <gtest/gtest.h>

#include "decode/utf8.h"
#include "encode.h"

namespace korvane::cli {
namespace {

using test_support::Encode;

constexpr std::string_view kChinese = "北京新闻：今年经济运行总体平稳，居民收入稳步提高。";
// With the two bytes that some Shift_JIS tables read as yen and overline.
constexpr std::string_view kJapanese =
    "東京の記者会見で、今年の経済見通しについて説明がありました。市場は安定しています。a\\b~c";

std::string Html(std::string_view head, std::string_view body) {
  return "<html><head>" + std::string(head) + "</head><body>" + std::string(body) +
         "</body></html>";
}

std::string Gbk(std::string_view head) { return Encode(Html(head, kChinese), "gbk"); }

struct DecodeCase {
  std::string name;
  std::string bytes;
  std::string http_charset;
  std::string forced;
  std::string encoding;  // expected
  std::string text;      // expected, in UTF-8
  int64_t replaced = 0;
};

std::vector<DecodeCase> DecodeCases() {
  const std::string gbk_meta = "<meta charset=\"gbk\">";
  const std::string equiv_gb2312 =
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
  const std::string utf8_page = Html(gbk_meta, kChinese);
  const std::string utf16_page = Html("", kChinese);
  std::string long_head(1100, ' ');
  const std::string japanese = std::string(kJapanese) + std::string(kJapanese);
  const std::string sjis_meta = "<meta charset=shift_jis>";
  return {
      {"meta shift_jis", Encode(Html(sjis_meta, japanese), "windows-31j"), "", "", "shift_jis",
       Html(sjis_meta, japanese)},
      {"http sjis", Encode(Html("", japanese), "windows-31j"), "sjis", "", "shift_jis",
       Html("", japanese)},
      {"shift_jis detected", Encode(Html("", japanese + japanese), "windows-31j"), "", "",
       "shift_jis", Html("", japanese + japanese)},
      {"meta iso-2022-jp", Encode(Html("<meta charset=iso-2022-jp>", japanese), "ISO-2022-JP"), "",
       "", "iso-2022-jp", Html("<meta charset=iso-2022-jp>", japanese)},
      {"iso-2022-jp detected", Encode(Html("", japanese), "ISO-2022-JP"), "", "", "iso-2022-jp",
       Html("", japanese)},
      {"meta euc-jp", Encode(Html("<meta charset=x-euc-jp>", japanese), "EUC-JP"), "", "", "euc-jp",
       Html("<meta charset=x-euc-jp>", japanese)},
      {"meta koi8-r", Encode(Html("<meta charset=koi8>", "Новости дня"), "KOI8-R"), "", "",
       "koi8-r", Html("<meta charset=koi8>", "Новости дня")},
      {"an unknown label is passed over for detection", Gbk("<meta charset=utf-32>"), "", "",
       "gb18030", Html("<meta charset=utf-32>", kChinese)},
      {"x-user-defined in a meta is windows-1252", Html("<meta charset=x-user-defined>", "\x80"),
       "", "", "windows-1252", Html("<meta charset=x-user-defined>", "€")},
      {"a label browsers replace", Html("<meta charset=hz-gb-2312>", "~{<:Ky2;S{~}"), "", "",
       "replacement", "\uFFFD", 1},
      {"meta charset gbk", Gbk(gbk_meta), "", "", "gb18030", Html(gbk_meta, kChinese)},
      {"meta http-equiv gb2312", Gbk(equiv_gb2312), "", "", "gb18030",
       Html(equiv_gb2312, kChinese)},
      {"meta big5", Encode(Html("<meta charset=big5>", "臺灣新聞：經濟穩定成長。"), "big5"), "", "",
       "big5-hkscs", Html("<meta charset=big5>", "臺灣新聞：經濟穩定成長。")},
      {"valid utf-8 beats an old gb2312 meta", Html(equiv_gb2312, kChinese), "", "", "utf-8",
       Html(equiv_gb2312, kChinese)},
      {"utf-16le bom", Encode("\uFEFF" + utf16_page, "UTF-16LE"), "", "", "utf-16le",
       "\uFEFF" + utf16_page},
      {"utf-16be bom", Encode("\uFEFF" + utf16_page, "UTF-16BE"), "", "", "utf-16be",
       "\uFEFF" + utf16_page},
      {"utf-8 bom against a gbk meta", "\xEF\xBB\xBF" + utf8_page, "", "", "utf-8",
       "\uFEFF" + utf8_page},
      {"utf-16 bom against a gbk meta", Encode("\uFEFF" + utf8_page, "UTF-16LE"), "", "",
       "utf-16le", "\uFEFF" + utf8_page},
      {"http charset beats the meta", Encode(Html("<meta charset=big5>", kChinese), "gbk"), "GBK",
       "", "gb18030", Html("<meta charset=big5>", kChinese)},
      {"--encoding beats everything", Gbk("<meta charset=big5>"), "big5", "gb2312", "gb18030",
       Html("<meta charset=big5>", kChinese)},
      {"latin1 is windows-1252", Html("<meta charset=iso-8859-1>", "caf\xE9 \x80"), "", "",
       "windows-1252", Html("<meta charset=iso-8859-1>", "café €")},
      {"ascii keeps a declared ascii-compatible label", Html(gbk_meta, "plain"), "", "", "gb18030",
       Html(gbk_meta, "plain")},
      {"ascii declared utf-16 reads as utf-8", Html("<meta charset=utf-16>", "plain"), "", "",
       "utf-8", Html("<meta charset=utf-16>", "plain")},
      {"ascii from a server saying utf-16 reads as utf-8", Html("", "plain"), "utf-16le", "",
       "utf-8", Html("", "plain")},
      {"valid utf-8 with NUL and control bytes", Html("", std::string("a\0b\x01\x1F", 5)), "", "",
       "utf-8", Html("", std::string("a\0b\x01\x1F", 5))},
      {"gbk without a declaration is detected",
       Encode(Html("", std::string(kChinese) + std::string(kChinese) + std::string(kChinese)),
              "gbk"),
       "", "", "gb18030",
       Html("", std::string(kChinese) + std::string(kChinese) + std::string(kChinese))},
      {"a meta past the first 1024 bytes is not read",
       Html(long_head + "<meta charset=windows-1252>", "caf\xE9"), "", "", "",
       ""},  // whatever detection says, not the late meta: checked below
      {"invalid bytes are replaced and counted", Gbk(gbk_meta) + "\x81", "", "", "gb18030",
       Html(gbk_meta, kChinese) + "\uFFFD", 1},
      {"invalid utf-8 in a page declared utf-8",
       Html("<meta charset=utf-8>",
            "a\xFF\xFE"
            "b"),
       "", "", "utf-8", Html("<meta charset=utf-8>", "a\uFFFD\uFFFDb"), 2},
  };
}

TEST(Decode, PicksTheCharsetAndDecodes) {
  for (const DecodeCase& test : DecodeCases()) {
    SCOPED_TRACE(test.name);
    DecodeHints hints;
    hints.http_charset = test.http_charset;
    if (!test.forced.empty()) hints.forced = CharsetForOption(test.forced);
    const DecodedPage page = Decode(test.bytes, hints);
    EXPECT_EQ(page.error, "");
    if (test.encoding.empty()) {
      EXPECT_EQ(page.source, CharsetSource::kDetected);
      continue;
    }
    EXPECT_EQ(page.encoding, test.encoding);
    EXPECT_EQ(ToUtf8(page.text), test.text);
    EXPECT_EQ(page.replaced, test.replaced);
  }
}

// One DecodedPage taking page after page (a thread's kept buffer) holds
// each page exactly as a fresh one would, whatever came before it.
TEST(Decode, IntoAKeptPageGivesWhatAFreshOneGives) {
  DecodedPage kept;
  const std::vector<DecodeCase> cases = DecodeCases();
  for (int round = 0; round < 2; ++round) {
    for (auto test = cases.rbegin(); test != cases.rend(); ++test) {
      SCOPED_TRACE(test->name);
      DecodeHints hints;
      hints.http_charset = test->http_charset;
      if (!test->forced.empty()) hints.forced = CharsetForOption(test->forced);
      DecodeInto(test->bytes, hints, kept);
      const DecodedPage fresh = Decode(test->bytes, hints);
      EXPECT_EQ(kept.text, fresh.text);
      EXPECT_EQ(kept.encoding, fresh.encoding);
      EXPECT_EQ(kept.replaced, fresh.replaced);
      EXPECT_EQ(kept.error, fresh.error);
    }
    DecodeInto(std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\xD8", 18), {}, kept);  // not a page
    EXPECT_NE(kept.error, "");
  }
}

TEST(Decode, ValidUtf8IsExactlyItsText) {
  const std::string bytes = "\xEF\xBB\xBF<p>\xF0\x9F\x98\x80 \xE4\xB8\xAD</p>";
  const DecodedPage page = Decode(bytes, {});
  EXPECT_EQ(page.text, FromUtf8(bytes).text);
  EXPECT_EQ(page.text.front(), u'\uFEFF');
}

TEST(Decode, BinaryDataIsNotAPage) {
  const std::string png("\x89PNG\r\n\x1A\n\0\0\0\rIHDR\xFF\xD8", 18);
  EXPECT_NE(Decode(png, {}).error, "");
  DecodeHints forced;
  forced.forced = CharsetForLabel("windows-1252");
  EXPECT_EQ(Decode(png, forced).error, "") << "--encoding says it is text";
  EXPECT_EQ(Decode(Encode("<p>x</p>", "UTF-16LE"), DecodeHints{{}, "utf-16le", false}).error, "")
      << "the server says UTF-16";
}

TEST(Decode, JsonTextIsUtf8WhateverItsMetaSays) {
  const std::string page = Html("<meta charset=big5>", kChinese);
  const DecodedPage decoded = Decode(page, DecodeHints{{}, "", true});
  EXPECT_EQ(decoded.encoding, "utf-8");
  EXPECT_EQ(ToUtf8(decoded.text), page);
}

}  // namespace
}  // namespace korvane::cli
