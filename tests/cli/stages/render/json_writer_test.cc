// SPDX-License-Identifier: Apache-2.0
#include "render/json_writer.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <nlohmann/json.hpp>
#include <random>

#include "decode/utf8.h"

namespace korvane::cli {
namespace {

// What the writer must agree with: the text as ICU writes it in UTF-8 (a
// lone surrogate as U+FFFD), dumped by nlohmann.
std::string IcuUtf8(std::u16string_view text) {
  std::string bytes(text.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(bytes.data(), static_cast<int32_t>(bytes.size()), &length, text.data(),
                     static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
  bytes.resize(length);
  return bytes;
}

std::string NlohmannJson(std::u16string_view text) {
  return nlohmann::ordered_json(IcuUtf8(text)).dump(-1, ' ', false);
}

std::string Written(std::u16string_view text) {
  std::string out = "kept";
  AppendJsonString(text, out);
  return out.substr(4);
}

TEST(JsonWriterTest, EscapesAsJsonLinesAlwaysHave) {
  const struct {
    std::u16string text;
    std::string json;
  } cases[] = {
      {u"", "\"\""},
      {u"a\"b\\c/d", R"("a\"b\\c/d")"},
      {u"\b\t\n\f\r", R"("\b\t\n\f\r")"},
      {std::u16string(1, u'\0') + u"\x1F\x7F", "\"\\u0000\\u001f\x7F\""},
      {u"é中\U0001F600", "\"é中\U0001F600\""},
      {u"\xD800x\xDC00", "\"\uFFFDx\uFFFD\""},
      {u"tail\xD83D", "\"tail\uFFFD\""},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(Written(each.text), each.json);
    EXPECT_EQ(Written(each.text), NlohmannJson(each.text));
  }
}

// Runs of units of every kind: plain ASCII (the vector path), escapes,
// controls, CJK, pairs, lone halves; long texts cross the writer's pieces.
std::u16string RandomText(std::mt19937& random, size_t runs) {
  static const char16_t kUnits[] = {u'a',   u' ',   u'"',   u'\\',  u'/',   u'\n',  u'\r',  u'\0',
                                    0x1F,   0x7F,   0x80,   0x7FF,  0x800,  0x4E2D, 0xFF21, 0xFFFF,
                                    0xFEFF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xD83D, 0xDE00, u'<'};
  std::uniform_int_distribution<size_t> pick(0, std::size(kUnits) - 1);
  std::uniform_int_distribution<int> run_length(1, 30);
  std::u16string text;
  while (runs-- > 0) text.append(run_length(random), kUnits[pick(random)]);
  return text;
}

TEST(JsonWriterTest, AgreesWithNlohmannAndIcuOnRandomTexts) {
  std::mt19937 random(8);
  for (int round = 0; round < 3000; ++round) {
    const std::u16string text = RandomText(random, round < 2950 ? round % 50 : 3000);
    ASSERT_EQ(Written(text), NlohmannJson(text)) << "round " << round;
    ASSERT_EQ(ToUtf8(text), IcuUtf8(text)) << "round " << round;
  }
}

}  // namespace
}  // namespace korvane::cli
