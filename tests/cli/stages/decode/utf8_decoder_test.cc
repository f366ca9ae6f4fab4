// SPDX-License-Identifier: Apache-2.0
#include "decode/utf8_decoder.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <random>

#include "decode/utf8.h"

namespace korvane::cli {
namespace {

struct IcuDecoding {
  std::u16string text;
  int32_t replaced = 0;
};

// What the decoder must agree with: ICU's conversion with U+FFFD.
IcuDecoding IcuDecode(std::string_view bytes) {
  IcuDecoding decoded;
  decoded.text.resize(bytes.size());
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(decoded.text.data(), static_cast<int32_t>(decoded.text.size()), &length,
                       bytes.data(), static_cast<int32_t>(bytes.size()), 0xFFFD, &decoded.replaced,
                       &status);
  EXPECT_TRUE(U_SUCCESS(status));
  decoded.text.resize(length);
  return decoded;
}

struct Case {
  std::string name;
  std::string bytes;
  size_t well_formed;  // bytes before the first ill-formed sequence
  size_t ill_formed;   // the length of that sequence, which one U+FFFD replaces
};

TEST(Utf8DecoderTest, StopsAtTheFirstIllFormedSequenceAndMeasuresIt) {
  const Case cases[] = {
      {"ascii", "abc", 3, 0},
      {"two, three and four bytes", "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", 9, 0},
      {"continuation byte alone", "ab\x80z", 2, 1},
      {"C0 and C1 never lead", "\xC0\x80", 0, 1},
      {"F5 never leads", "\xF5\x80\x80\x80", 0, 1},
      {"overlong three bytes", "\xE0\x9F\xBF", 0, 1},
      {"surrogate", "x\xED\xA0\x80", 1, 1},
      {"past U+10FFFF", "\xF4\x90\x80\x80", 0, 1},
      {"overlong four bytes", "\xF0\x8F\xBF\xBF", 0, 1},
      {"three-byte sequence cut by a letter", "\xE4\xB8q", 0, 2},
      {"four-byte sequence cut by the end", "\xF0\x9F\x98", 0, 3},
      {"highest code point, then a cut", "\xF4\x8F\xBF\xBF\xF4\x8F", 4, 2},
  };
  for (const Case& each : cases) {
    SCOPED_TRACE(each.name);
    std::u16string out(each.bytes.size(), u'\0');
    const Utf8Run run = DecodeWellFormedUtf8(each.bytes, out.data());
    EXPECT_EQ(run.read, each.well_formed);
    EXPECT_EQ(out.substr(0, run.written), IcuDecode(each.bytes.substr(0, run.read)).text);
    EXPECT_EQ(IllFormedUtf8Length(std::string_view(each.bytes).substr(run.read)), each.ill_formed);
  }
}

// Bytes built from pieces of UTF-8, well-formed and not, so that every kind
// of sequence meets every other, and long runs cross the decoder's pieces.
std::string RandomUtf8(std::mt19937& random, size_t pieces) {
  static const std::string_view kPieces[] = {
      "a",
      "<p>",
      " ",
      "\xC3\xA9",
      "\xE4\xB8\xAD",
      "\xEF\xBC\xA1",
      "\x7F",
      "\xF0\x9F\x98\x80",
      "\xF4\x8F\xBF\xBF",
      "\x80",
      "\xBF",
      "\xC0\xAF",
      "\xC2",
      "\xE0\xA0",
      "\xE0\x80\x80",
      "\xED\xA0\x80",
      "\xED\x9F\xBF",
      "\xF0\x90\x80",
      "\xF0\x80\x80\x80",
      "\xF4\x90\x80\x80",
      "\xF5",
      "\xFF",
      "\xFE",
      std::string_view("\0", 1),
      "\xEF\xBB\xBF",
  };
  std::string bytes;
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> run_length(1, 40);
  while (pieces-- > 0) {
    const std::string_view piece = kPieces[pick(random)];
    // Runs of one piece: long ASCII runs take the vector path.
    for (int n = run_length(random); n > 0; --n) bytes.append(piece);
  }
  return bytes;
}

TEST(Utf8DecoderTest, AgreesWithIcuOnRandomBytes) {
  std::mt19937 random(5);
  for (int round = 0; round < 3000; ++round) {
    const std::string bytes = RandomUtf8(random, round < 2900 ? round % 60 : 2000);
    const IcuDecoding expected = IcuDecode(bytes);
    std::u16string text = u"kept";
    const Utf8Decoding decoding = AppendUtf8AsUtf16(bytes, text);
    ASSERT_EQ(text, u"kept" + expected.text) << "round " << round;
    ASSERT_EQ(decoding.replaced, expected.replaced) << "round " << round;
    ASSERT_EQ(CheckUtf8(bytes).valid, expected.replaced == 0) << "round " << round;
    const bool non_ascii = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c < 0; });
    if (decoding.replaced == 0) {
      ASSERT_EQ(decoding.multibyte, non_ascii) << "round " << round;
    }
  }
}

TEST(Utf8DecoderTest, SequencesAcrossEveryPieceBoundary) {
  for (const std::string_view character : {"\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80"}) {
    for (size_t before = 8180; before < 8196; ++before) {
      std::string bytes(before, 'x');
      for (int i = 0; i < 3; ++i) bytes.append(character);
      std::u16string text;
      const Utf8Decoding decoding = AppendUtf8AsUtf16(bytes, text);
      EXPECT_EQ(decoding.replaced, 0) << before;
      EXPECT_TRUE(CheckUtf8(bytes).valid) << before;
      EXPECT_EQ(text, IcuDecode(bytes).text) << before;
    }
  }
}

}  // namespace
}  // namespace korvane::cli
