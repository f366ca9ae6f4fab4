// SPDX-License-Identifier: Apache-2.0
// Bytes of a page to text, with whatever hints: the charset choice, the
// decoders, the <meta> prescan, Content-Type values, UTF-8 checks and URL
// resolution; the UTF-8 decoder and the JSON writer against ICU and
// nlohmann. The first three bytes pick the hints.
#include <unicode/ustring.h>

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "decode/charset.h"
#include "decode/decode.h"
#include "decode/meta_prescan.h"
#include "decode/utf8.h"
#include "fuzz_support.h"
#include "input/formats.h"
#include "input/http_response.h"
#include "render/json_writer.h"
#include "render/url.h"

namespace korvane::fuzz {
namespace {

// Labels as --encoding and HTTP headers give them, some that ICU decodes
// with state or escapes, and some it does not know.
constexpr std::string_view kLabels[] = {"",           "utf-8",  "gbk",         "gb2312",
                                        "big5",       "utf-16", "utf-16be",    "shift_jis",
                                        "latin1",     "euc-kr", "iso-2022-jp", "utf-32",
                                        "hz-gb-2312", "utf-7",  "scsu",        "no-such-charset"};

// Half the bytes pick one of the browsers' labels.
std::string_view Label(uint8_t byte) {
  if (byte >= 128) return cli::BrowserLabels()[byte % cli::BrowserLabels().size()].label;
  return kLabels[byte % std::size(kLabels)];
}

void CheckDecode(std::string_view bytes, const cli::DecodeHints& hints) {
  const cli::DecodedPage page = cli::Decode(bytes, hints);
  Require(!page.encoding.empty(), "a decoded page names its charset");
  Require(page.error.empty() || page.text.empty(), "binary data gives no text");
  // Two 7-bit choices that browsers make for declared labels read ASCII
  // bytes otherwise: ISO-2022-JP's escapes, and the replacement encoding.
  const bool seven_bit = page.encoding == "iso-2022-jp" || page.encoding == "replacement";
  // Bytes that open as a compressed format are refused with the format named.
  if (const auto format = hints.is_text ? std::nullopt : cli::CompressedFormat(bytes)) {
    Require(page.error.find(*format) != std::string::npos, "compressed data is named");
    return;
  }
  if (!hints.forced && !seven_bit && cli::CheckUtf8(bytes).valid) {
    Require(page.error.empty() && page.replaced == 0 && page.text == cli::FromUtf8(bytes).text,
            "valid UTF-8 decodes to exactly its text");
  }
}

void CheckUtf8Helpers(std::string_view bytes) {
  const cli::Utf8Check check = cli::CheckUtf8(bytes);
  const cli::Decoded decoded = cli::FromUtf8(bytes);
  Require(check.valid == (decoded.replaced == 0), "CheckUtf8 and the decoder agree");
  if (check.valid) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<uint8_t>(c) < 0x80; });
    Require(check.multibyte != ascii, "multi-byte means some byte is not ASCII");
    Require(cli::ToUtf8(decoded.text) == bytes, "valid UTF-8 makes the round trip");
  }
  Require(cli::CheckUtf8(cli::ToUtf8(Units(bytes))).valid,
          "any UTF-16 text is written as valid UTF-8");
}

// The hand-written decoder and JSON writer against what they replace: ICU's
// conversion (text and count of U+FFFD) and nlohmann's escaping.
void CheckAgainstLibraries(std::string_view bytes) {
  std::u16string expected(bytes.size(), u'\0');
  int32_t length = 0;
  int32_t replaced = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(expected.data(), static_cast<int32_t>(expected.size()), &length,
                       bytes.data(), static_cast<int32_t>(bytes.size()), 0xFFFD, &replaced,
                       &status);
  expected.resize(length);
  const cli::Decoded decoded = cli::FromUtf8(bytes);
  Require(decoded.text == expected && decoded.replaced == replaced,
          "the UTF-8 decoder agrees with ICU");
  const std::u16string units = Units(bytes);
  std::string json;
  cli::AppendJsonString(units, json);
  Require(json == nlohmann::ordered_json(cli::ToUtf8(units)).dump(-1, ' ', false),
          "JSON strings are written as nlohmann writes them");
}

void CheckLabels(std::string_view bytes) {
  const auto accept_any = [](std::string_view) { return true; };
  if (const std::optional<std::string> label = cli::PrescanMetaCharset(bytes, accept_any)) {
    Require(std::none_of(label->begin(), label->end(), [](char c) { return c >= 'A' && c <= 'Z'; }),
            "a prescanned label is in lower case");
  }
  cli::CharsetFromContentType(bytes);
  if (const std::optional<cli::Charset> charset = cli::CharsetForLabel(bytes.substr(0, 40))) {
    cli::IsAsciiCompatible(*charset);
  }
}

void CheckUrl(std::string_view bytes) {
  const size_t split = bytes.find('\n');
  const std::string_view base = bytes.substr(0, split);
  const std::string_view reference = split == bytes.npos ? "" : bytes.substr(split + 1);
  if (const std::optional<std::string> url = cli::ResolveUrl(base, reference)) {
    Require(url->find(':') != std::string::npos, "a resolved URL has a scheme");
  }
}

}  // namespace
}  // namespace korvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvane;
  fuzz::Bytes bytes(data, size);
  cli::DecodeHints hints;
  // One input in eight forces a charset, as --encoding does.
  if (const uint8_t forced = bytes.Byte(); forced < 32) {
    hints.forced = cli::CharsetForOption(fuzz::Label(forced));
  }
  hints.http_charset = fuzz::Label(bytes.Byte());
  hints.is_text = bytes.Byte() == 't';
  fuzz::CheckDecode(bytes.Rest(), hints);
  fuzz::CheckUtf8Helpers(bytes.Rest());
  fuzz::CheckAgainstLibraries(bytes.Rest());
  fuzz::CheckLabels(bytes.Rest());
  fuzz::CheckUrl(bytes.Rest());
  return 0;
}
