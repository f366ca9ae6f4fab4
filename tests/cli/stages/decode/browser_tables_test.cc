// SPDX-License-Identifier: Apache-2.0
// Every table browsers decode with, checked byte for byte against the
// Encoding Standard's indexes as Debian's libjs-text-encoding ships them
// (installed by scripts/setup; the test skips without it).
#include "decode/browser_tables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "decode/decode.h"
#include "decode/utf8.h"

namespace korvane::cli {
namespace {

using Json = nlohmann::json;

// The indexes, out of the script that carries them.
const Json& Indexes() {
  static const Json indexes = [] {
    std::ifstream file(KORVANE_ENCODING_INDEXES);
    if (!file) return Json();
    std::stringstream text;
    text << file.rdbuf();
    const std::string script = text.str();
    const size_t start = script.find('{', script.find("\"encoding-indexes\""));
    const size_t end = script.rfind("};");
    return Json::parse(script.substr(start, end - start + 1));
  }();
  return indexes;
}

std::u16string Decoded(std::string_view bytes, const char* label) {
  DecodeHints hints;
  hints.forced = CharsetForLabel(label);
  return Decode(bytes, hints).text;
}

std::u16string Unit(char32_t code_point) {
  std::u16string text;
  if (code_point > 0xFFFF) {
    text += static_cast<char16_t>(0xD7C0 + (code_point >> 10));
    text += static_cast<char16_t>(0xDC00 | (code_point & 0x3FF));
  } else {
    text += static_cast<char16_t>(code_point);
  }
  return text;
}

// What a two-byte sequence gives where its pointer is in `index`: the code
// point, else an error, and a second byte that is ASCII read again.
std::u16string Expected(const Json& index, size_t pointer, uint8_t second) {
  if (pointer < index.size() && !index[pointer].is_null()) {
    return Unit(index[pointer].get<char32_t>());
  }
  std::u16string error = u"\uFFFD";
  if (second < 0x80) error += static_cast<char16_t>(second);
  return error;
}

std::string Hex(std::string_view bytes) {
  std::string hex;
  for (const char c : bytes) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", static_cast<uint8_t>(c));
    hex += text;
  }
  return hex;
}

class BrowserTables : public testing::Test {
 protected:
  void SetUp() override {
    if (Indexes().is_null()) {
      GTEST_SKIP() << "no " << KORVANE_ENCODING_INDEXES << " (Debian's libjs-text-encoding)";
    }
  }

  // Counts the sequences that decode otherwise, and names the first few.
  void Check(const std::string& bytes, const char* label, const std::u16string& expected) {
    const std::u16string got = Decoded(bytes, label);
    if (got == expected) return;
    if (++differences_ <= 10) {
      ADD_FAILURE() << label << " " << Hex(bytes) << " gives " << ToUtf8(got) << ", browsers "
                    << ToUtf8(expected);
    }
  }

  int differences_ = 0;
};

TEST_F(BrowserTables, SingleByteEncodings) {
  const char* names[] = {"ibm866",       "iso-8859-2",   "iso-8859-3",    "iso-8859-4",
                         "iso-8859-5",   "iso-8859-6",   "iso-8859-7",    "iso-8859-8",
                         "iso-8859-10",  "iso-8859-13",  "iso-8859-14",   "iso-8859-15",
                         "iso-8859-16",  "koi8-r",       "koi8-u",        "macintosh",
                         "windows-874",  "windows-1250", "windows-1251",  "windows-1252",
                         "windows-1253", "windows-1254", "windows-1255",  "windows-1256",
                         "windows-1257", "windows-1258", "x-mac-cyrillic"};
  for (const char* name : names) {
    const Json& index = Indexes()[name];
    ASSERT_EQ(index.size(), 128u) << name;
    for (int byte = 0; byte < 256; ++byte) {
      const std::string bytes(1, static_cast<char>(byte));
      Check(bytes, name,
            byte < 0x80 ? std::u16string(1, static_cast<char16_t>(byte))
                        : Expected(index, byte - 0x80, 0x80));
    }
  }
  Check("\x80\xFF", "iso-8859-8-i", Expected(Indexes()["iso-8859-8"], 0, 0x80) + u"\uFFFD");
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, Gb18030) {
  const Json& index = Indexes()["gb18030"];
  Check("\x80", "gbk", u"\u20AC");
  Check("\xFF", "gbk", u"\uFFFD");
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int second = 0x40; second <= 0xFE; ++second) {
      if (second == 0x7F) continue;
      const size_t pointer = (lead - 0x81) * 190 + second - (second < 0x7F ? 0x40 : 0x41);
      Check(std::string{static_cast<char>(lead), static_cast<char>(second)}, "gbk",
            Expected(index, pointer, second));
    }
  }
  // Four bytes: the first pointer of each range, and the one exception.
  auto four = [](uint32_t pointer) {
    return std::string{
        static_cast<char>(pointer / 12600 + 0x81), static_cast<char>(pointer / 1260 % 10 + 0x30),
        static_cast<char>(pointer / 10 % 126 + 0x81), static_cast<char>(pointer % 10 + 0x30)};
  };
  for (const Json& range : Indexes()["gb18030-ranges"]) {
    Check(four(range[0].get<uint32_t>()), "gb18030", Unit(range[1].get<char32_t>()));
  }
  Check(four(7457), "gb18030", u"\uE7C7");
  Check(four(189000), "gb18030", Unit(0x10000));
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, Big5) {
  const Json& index = Indexes()["big5"];
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int second = 0x40; second <= 0xFE; ++second) {
      if (second > 0x7E && second < 0xA1) continue;
      const size_t pointer = (lead - 0x81) * 157 + second - (second < 0x7F ? 0x40 : 0x62);
      std::u16string expected = Expected(index, pointer, second);
      if (pointer == 1133) expected = u"\u00CA\u0304";
      if (pointer == 1135) expected = u"\u00CA\u030C";
      if (pointer == 1164) expected = u"\u00EA\u0304";
      if (pointer == 1166) expected = u"\u00EA\u030C";
      Check(std::string{static_cast<char>(lead), static_cast<char>(second)}, "big5", expected);
    }
  }
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, ShiftJis) {
  const Json& index = Indexes()["jis0208"];
  Check("\x80", "shift_jis", u"\u0080");
  for (int byte = 0xA1; byte <= 0xDF; ++byte) {
    Check(std::string(1, static_cast<char>(byte)), "shift_jis",
          std::u16string(1, static_cast<char16_t>(0xFF61 + byte - 0xA1)));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead >= 0xA0 && lead <= 0xDF) continue;
    for (int second = 0x40; second <= 0xFC; ++second) {
      if (second == 0x7F) continue;
      const size_t pointer =
          (lead - (lead < 0xA0 ? 0x81 : 0xC1)) * 188 + second - (second < 0x7F ? 0x40 : 0x41);
      const std::u16string expected =
          pointer >= 8836 && pointer <= 10715
              ? std::u16string(1, static_cast<char16_t>(0xE000 + pointer - 8836))
              : Expected(index, pointer, second);
      Check(std::string{static_cast<char>(lead), static_cast<char>(second)}, "shift_jis", expected);
    }
  }
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, EucJp) {
  for (int second = 0xA1; second <= 0xDF; ++second) {
    Check(std::string{'\x8E', static_cast<char>(second)}, "euc-jp",
          std::u16string(1, static_cast<char16_t>(0xFF61 + second - 0xA1)));
  }
  for (int byte = 0x80; byte <= 0xA0; ++byte) {
    if (byte == 0x8E || byte == 0x8F) continue;
    Check(std::string{static_cast<char>(byte), ' '}, "euc-jp", u"\uFFFD ");
  }
  for (int lead = 0xA1; lead <= 0xFE; ++lead) {
    for (int second = 0xA1; second <= 0xFE; ++second) {
      const size_t pointer = (lead - 0xA1) * 94 + second - 0xA1;
      Check(std::string{static_cast<char>(lead), static_cast<char>(second)}, "euc-jp",
            Expected(Indexes()["jis0208"], pointer, second));
      Check(std::string{'\x8F', static_cast<char>(lead), static_cast<char>(second)}, "euc-jp",
            Expected(Indexes()["jis0212"], pointer, second));
    }
  }
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, EucKr) {
  const Json& index = Indexes()["euc-kr"];
  Check("\x80 ", "euc-kr", u"\uFFFD ");
  Check("\xFF ", "euc-kr", u"\uFFFD ");
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int second = 0x41; second <= 0xFE; ++second) {
      const size_t pointer = (lead - 0x81) * 190 + second - 0x41;
      Check(std::string{static_cast<char>(lead), static_cast<char>(second)}, "euc-kr",
            Expected(index, pointer, second));
    }
  }
  EXPECT_EQ(differences_, 0);
}

TEST_F(BrowserTables, Iso2022Jp) {
  const Json& index = Indexes()["jis0208"];
  for (int lead = 0x21; lead <= 0x7E; ++lead) {
    for (int second = 0x21; second <= 0x7E; ++second) {
      const size_t pointer = (lead - 0x21) * 94 + second - 0x21;
      if (pointer < index.size() && index[pointer].is_null()) continue;  // errors differ in form
      Check(std::string("\x1B$B") + static_cast<char>(lead) + static_cast<char>(second) + "\x1B(B",
            "iso-2022-jp", Expected(index, pointer, 0x80));
    }
  }
  EXPECT_EQ(differences_, 0);
}

// The differences the issue met, pinned apart from the indexes.
TEST(BrowserTablesPinned, DecodeAsBrowsersDo) {
  const struct {
    const char* label;
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"gbk", "\x80", u"\u20AC"},
      {"gb18030",
       "a\x80"
       "b",
       u"a\u20ACb"},
      {"gb18030", "\xA3\xA0", u"\u3000"},
      {"koi8-u", "\xAE\xBE", u"\u045E\u040E"},
      {"big5", "\x88\x62\x88\x64", u"\u00CA\u0304\u00CA\u030C"},
      {"big5", "\x88\xA3\x88\xA5", u"\u00EA\u0304\u00EA\u030C"},
      {"big5", "\x87\xA4", u"\u9F97"},
      {"big5", "\x81\x40", u"\uFFFD@"},  // the ASCII byte read again
      {"shift_jis", "\x80", u"\u0080"},
      {"euc-jp", "\x8F\xF3\xA1", u"\uFFFD"},
      {"euc-jp", "\x85", u"\uFFFD"},
      {"euc-kr", "\xC9\xA1", u"\uFFFD"},
      {"windows-874", "\xDB", u"\uFFFD"},
      {"windows-1253", "\xAA", u"\uFFFD"},
      {"windows-1255", "\xCA", u"\u05BA"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.label) + " " + Hex(test.bytes));
    DecodeHints hints;
    hints.forced = CharsetForLabel(test.label);
    const DecodedPage page = Decode(test.bytes, hints);
    EXPECT_EQ(page.text, test.text);
    EXPECT_EQ(page.replaced, std::count(test.text.begin(), test.text.end(), u'\uFFFD'));
  }
}

}  // namespace
}  // namespace korvane::cli
