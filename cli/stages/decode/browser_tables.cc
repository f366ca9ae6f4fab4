// SPDX-License-Identifier: Apache-2.0
#include "decode/browser_tables.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace korvane::cli {
namespace {

// Found by comparing ICU 72's converters with the Encoding Standard's
// indexes byte for byte (tests/cli/stages/decode/browser_tables_test.cc
// keeps doing so).

constexpr SequenceText kGb18030Added[] = {{0x80, u"\u20AC"}};
constexpr UnitText kGb18030Remapped[] = {{0xE5E5, u"\u3000"}};  // 0xA3 0xA0

// Big5: HKSCS-2008 characters that ICU's Big5-HKSCS lacks, and those it
// gives private-use code points for (four of them two code points each).
constexpr SequenceText kBig5Added[] = {
    {0x87A4, u"\u9F97"}, {0x87AC, u"\u9F96"}, {0x8E69, u"\u7BB8"}, {0x8E6F, u"\u7C06"},
    {0x8E7E, u"\u7CCE"}, {0x8EAB, u"\u7DD2"}, {0x8EB4, u"\u7E1D"}, {0x8ECD, u"\u8005"},
    {0x8ED0, u"\u8028"}, {0x8F57, u"\u83C1"}, {0x8F69, u"\u84A8"}, {0x8F6E, u"\u840F"},
    {0x8FCB, u"\u89A6"}, {0x8FCC, u"\u89A9"}, {0x8FFE, u"\u8D77"}, {0x906D, u"\u90FD"},
    {0x907A, u"\u92B9"}, {0x90DC, u"\u975C"}, {0x90F1, u"\u97FF"}, {0x91BF, u"\u9F16"},
    {0x9244, u"\u8503"}, {0x92AF, u"\u5159"}, {0x92B0, u"\u515B"}, {0x92B1, u"\u515D"},
    {0x92B2, u"\u515E"}, {0x92C8, u"\u936E"}, {0x92D1, u"\u7479"}, {0x9447, u"\u6D67"},
    {0x94CA, u"\u799B"}, {0x95D9, u"\u9097"}, {0x9644, u"\u975D"}, {0x96ED, u"\u701E"},
    {0x96FC, u"\u5B28"}, {0x9B76, u"\u7201"}, {0x9B78, u"\u77D7"}, {0x9B7B, u"\u7E87"},
    {0x9BC6, u"\u99D6"}, {0x9BDE, u"\u91D4"}, {0x9BEC, u"\u60DE"}, {0x9BF6, u"\u6FB6"},
    {0x9C42, u"\u8F36"}, {0x9C53, u"\u4FBB"}, {0x9C62, u"\u71DF"}, {0x9C68, u"\u9104"},
    {0x9C6B, u"\u9DF0"}, {0x9C77, u"\u83CF"}, {0x9CBC, u"\u5C10"}, {0x9CBD, u"\u79E3"},
    {0x9CD0, u"\u5A67"}, {0x9D57, u"\u8F0B"}, {0x9D5A, u"\u7B51"}, {0x9DC4, u"\u62D0"},
    {0x9EA9, u"\u6062"}, {0x9EEF, u"\u75F9"}, {0x9EFD, u"\u6C4A"}, {0x9F60, u"\u9B2E"},
    {0x9F66, u"\u9F17"}, {0x9FCB, u"\u50ED"}, {0x9FD8, u"\u5F0C"}, {0xA063, u"\u880F"},
    {0xA077, u"\u62CE"}, {0xA0D5, u"\u7468"}, {0xA0DF, u"\u7162"}, {0xA0E4, u"\u7250"},
    {0xA3C0, u"\u2400"}, {0xA3C1, u"\u2401"}, {0xA3C2, u"\u2402"}, {0xA3C3, u"\u2403"},
    {0xA3C4, u"\u2404"}, {0xA3C5, u"\u2405"}, {0xA3C6, u"\u2406"}, {0xA3C7, u"\u2407"},
    {0xA3C8, u"\u2408"}, {0xA3C9, u"\u2409"}, {0xA3CA, u"\u240A"}, {0xA3CB, u"\u240B"},
    {0xA3CC, u"\u240C"}, {0xA3CD, u"\u240D"}, {0xA3CE, u"\u240E"}, {0xA3CF, u"\u240F"},
    {0xA3D0, u"\u2410"}, {0xA3D1, u"\u2411"}, {0xA3D2, u"\u2412"}, {0xA3D3, u"\u2413"},
    {0xA3D4, u"\u2414"}, {0xA3D5, u"\u2415"}, {0xA3D6, u"\u2416"}, {0xA3D7, u"\u2417"},
    {0xA3D8, u"\u2418"}, {0xA3D9, u"\u2419"}, {0xA3DA, u"\u241A"}, {0xA3DB, u"\u241B"},
    {0xA3DC, u"\u241C"}, {0xA3DD, u"\u241D"}, {0xA3DE, u"\u241E"}, {0xA3DF, u"\u241F"},
    {0xA3E0, u"\u2421"}, {0xC6CF, u"\u5EF4"}, {0xC6D3, u"\u65E0"}, {0xC6D5, u"\u7676"},
    {0xC6D7, u"\u96B6"}, {0xC6DE, u"\u3003"}, {0xC6DF, u"\u4EDD"}, {0xFA5F, u"\u5029"},
    {0xFA66, u"\u507D"}, {0xFABD, u"\u5305"}, {0xFAC5, u"\u5344"}, {0xFAD5, u"\u537F"},
    {0xFB48, u"\u5605"}, {0xFBB8, u"\u5A77"}, {0xFBF3, u"\u5E75"}, {0xFBF9, u"\u5ED0"},
    {0xFC4F, u"\u5F58"}, {0xFC6C, u"\u60A4"}, {0xFCB9, u"\u6490"}, {0xFCE2, u"\u6674"},
    {0xFCF1, u"\u675E"}, {0xFDB7, u"\u6C9C"}, {0xFDB8, u"\u6E1D"}, {0xFDBB, u"\u6E2F"},
    {0xFDF1, u"\u716E"}, {0xFE52, u"\u732A"}, {0xFE6F, u"\u745C"}, {0xFEAA, u"\u74E9"},
    {0xFEDD, u"\u7809"}};
constexpr UnitText kBig5Remapped[] = {
    {0xF303, u"\u31C0"},       {0xF304, u"\u31C1"},       {0xF305, u"\u31C2"},
    {0xF306, u"\u31C3"},       {0xF307, u"\u31C4"},       {0xF309, u"\u31C5"},
    {0xF30C, u"\u31C6"},       {0xF30D, u"\u31C7"},       {0xF310, u"\u31C8"},
    {0xF312, u"\u31C9"},       {0xF313, u"\u31CA"},       {0xF314, u"\u31CB"},
    {0xF315, u"\u31CC"},       {0xF317, u"\u31CD"},       {0xF318, u"\u31CE"},
    {0xF325, u"\u00CA\u0304"}, {0xF327, u"\u00CA\u030C"}, {0xF344, u"\u00EA\u0304"},
    {0xF346, u"\u00EA\u030C"}, {0xF34A, u"\u23DA"},       {0xF34B, u"\u23DB"},
    {0xF57A, u"\u9FA6"},       {0xF5A4, u"\u9FA7"},       {0xF5AB, u"\u9FA8"},
    {0xF5CC, u"\u9FA9"},       {0xF5CE, u"\u9FAA"},       {0xF5D0, u"\u9FAB"},
    {0xF5D5, u"\u9FAC"},       {0xF5EC, u"\u9FAD"},       {0xF5ED, u"\u9FAE"},
    {0xF5EF, u"\u9FAF"},       {0xF602, u"\u9FB2"},       {0xF61C, u"\u9FB3"},
    {0xF7E5, u"\u31CF"},       {0xF7EB, u"\u9FB0"},       {0xF7ED, u"\u9FB1"}};

constexpr SequenceText kShiftJisAdded[] = {{0x80, u"\u0080"}};

// EUC-JP: IBM extensions that ICU reads in JIS X 0212's row 83; browsers
// do not.
constexpr std::string_view kEucJpRefused[] = {
    "\x8F\xF3\xA1", "\x8F\xF3\xA2", "\x8F\xF3\xA3", "\x8F\xF3\xA4", "\x8F\xF3\xA5", "\x8F\xF3\xA6",
    "\x8F\xF3\xA7", "\x8F\xF3\xA8", "\x8F\xF3\xA9", "\x8F\xF3\xAA", "\x8F\xF3\xAB", "\x8F\xF3\xAC",
    "\x8F\xF3\xAD", "\x8F\xF3\xAE", "\x8F\xF3\xAF", "\x8F\xF3\xB0", "\x8F\xF3\xB1", "\x8F\xF3\xB2",
    "\x8F\xF3\xB3", "\x8F\xF3\xB4", "\x8F\xF3\xB7"};

const IcuCorrections kGb18030{
    .added = kGb18030Added, .remapped = kGb18030Remapped, .refused = {}, .refused_as = {}};
const IcuCorrections kBig5{.added = kBig5Added,
                           .remapped = kBig5Remapped,
                           .private_use_is_error = true,
                           .refused = {},
                           .refused_as = {}};
const IcuCorrections kShiftJis{
    .added = kShiftJisAdded, .remapped = {}, .refused = {}, .refused_as = {}};
const IcuCorrections kEucJp{.added = {},
                            .remapped = {},
                            .c1_is_error = true,
                            .refused = kEucJpRefused,
                            .refused_as = "\x8F\xA1\xA1"};
const IcuCorrections kEucKr{.added = {},
                            .remapped = {},
                            .private_use_is_error = true,
                            .c1_is_error = true,
                            .refused = {},
                            .refused_as = {}};

struct ByteUnit {
  uint8_t byte;
  char16_t unit;  // U+FFFD: an error
};

constexpr ByteUnit kKoi8UFixes[] = {{0xAE, 0x045E}, {0xBE, 0x040E}};
constexpr ByteUnit kWindows874Fixes[] = {{0xDB, 0xFFFD}, {0xDC, 0xFFFD}, {0xDD, 0xFFFD},
                                         {0xDE, 0xFFFD}, {0xFC, 0xFFFD}, {0xFD, 0xFFFD},
                                         {0xFE, 0xFFFD}, {0xFF, 0xFFFD}};
constexpr ByteUnit kWindows1253Fixes[] = {{0xAA, 0xFFFD}};
constexpr ByteUnit kWindows1255Fixes[] = {{0xCA, 0x05BA}};
// ISO-8859-16 where it differs from ISO-8859-1 (Debian's ICU data lacks it).
constexpr ByteUnit kLatin10[] = {
    {0xA1, 0x0104}, {0xA2, 0x0105}, {0xA3, 0x0141}, {0xA4, 0x20AC}, {0xA5, 0x201E}, {0xA6, 0x0160},
    {0xA8, 0x0161}, {0xAA, 0x0218}, {0xAC, 0x0179}, {0xAE, 0x017A}, {0xAF, 0x017B}, {0xB2, 0x010C},
    {0xB3, 0x0142}, {0xB4, 0x017D}, {0xB5, 0x201D}, {0xB8, 0x017E}, {0xB9, 0x010D}, {0xBA, 0x0219},
    {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}, {0xBF, 0x017C}, {0xC3, 0x0102}, {0xC5, 0x0106},
    {0xD0, 0x0110}, {0xD1, 0x0143}, {0xD5, 0x0150}, {0xD7, 0x015A}, {0xD8, 0x0170}, {0xDD, 0x0118},
    {0xDE, 0x021A}, {0xE3, 0x0103}, {0xE5, 0x0107}, {0xF0, 0x0111}, {0xF1, 0x0144}, {0xF5, 0x0151},
    {0xF7, 0x015B}, {0xF8, 0x0171}, {0xFD, 0x0119}, {0xFE, 0x021B},
};

std::span<const ByteUnit> FixesOf(std::string_view name) {
  if (name == "koi8-u") return kKoi8UFixes;
  if (name == "windows-874") return kWindows874Fixes;
  if (name == "windows-1253") return kWindows1253Fixes;
  if (name == "windows-1255") return kWindows1255Fixes;
  if (name == "iso-8859-16") return kLatin10;
  return {};
}

// Bytes 0x80 to 0xFF one by one through the converter (none: Latin-1, as
// ISO-8859-16 starts from it), then the fixes.
std::array<char16_t, 128> BuildTable(const Charset& charset) {
  std::array<char16_t, 128> table;
  for (int byte = 0x80; byte <= 0xFF; ++byte) table[byte - 0x80] = static_cast<char16_t>(byte);
  if (charset.name == "x-user-defined") {
    for (int byte = 0x80; byte <= 0xFF; ++byte) table[byte - 0x80] = 0xF780 + (byte - 0x80);
    return table;
  }
  if (!charset.converter.empty()) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(charset.converter.c_str(), &status), &ucnv_close);
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      const char in = static_cast<char>(byte);
      UChar out[4];
      status = U_ZERO_ERROR;
      ucnv_reset(converter.get());
      const int32_t length = ucnv_toUChars(converter.get(), out, 4, &in, 1, &status);
      table[byte - 0x80] = U_SUCCESS(status) && length == 1 ? out[0] : 0xFFFD;
    }
  }
  for (const ByteUnit& fix : FixesOf(charset.name)) table[fix.byte - 0x80] = fix.unit;
  return table;
}

bool IsSingleByte(const Charset& charset) {
  static constexpr std::string_view kNames[] = {
      "ibm866",       "iso-8859-2",   "iso-8859-3",     "iso-8859-4",    "iso-8859-5",
      "iso-8859-6",   "iso-8859-7",   "iso-8859-8",     "iso-8859-8-i",  "iso-8859-10",
      "iso-8859-13",  "iso-8859-14",  "iso-8859-15",    "iso-8859-16",   "koi8-r",
      "koi8-u",       "macintosh",    "windows-874",    "windows-1250",  "windows-1251",
      "windows-1252", "windows-1253", "windows-1254",   "windows-1255",  "windows-1256",
      "windows-1257", "windows-1258", "x-mac-cyrillic", "x-user-defined"};
  for (const std::string_view name : kNames) {
    if (charset.name == name) return true;
  }
  return false;
}

// Pairs of a lead byte and an ASCII byte that ICU's Big5-HKSCS maps to
// private use but browsers do not map: found once, from the converter.
const std::vector<bool>& Big5PrivateUsePairs(const Charset& charset) {
  static const std::vector<bool> pairs = [&charset] {
    std::vector<bool> found(0x10000, false);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(charset.converter.c_str(), &status), &ucnv_close);
    if (U_FAILURE(status)) return found;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int second = 0x40; second <= 0x7E; ++second) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(second)};
        UChar out[4];
        status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        const int32_t length = ucnv_toUChars(converter.get(), out, 4, in, 2, &status);
        const bool remapped =
            std::any_of(std::begin(kBig5Remapped), std::end(kBig5Remapped),
                        [&](const UnitText& remap) { return remap.unit == out[0]; });
        found[lead << 8 | second] =
            U_SUCCESS(status) && length == 1 && out[0] >= 0xE000 && out[0] <= 0xF8FF && !remapped;
      }
    }
    return found;
  }();
  return pairs;
}

}  // namespace

std::string WithBig5PrivateUseRefused(std::string_view bytes, const Charset& charset) {
  const std::vector<bool>& refused = Big5PrivateUsePairs(charset);
  std::string rewritten(bytes);
  for (size_t i = 0; i + 1 < rewritten.size();) {
    const auto lead = static_cast<uint8_t>(rewritten[i]);
    const auto second = static_cast<uint8_t>(rewritten[i + 1]);
    if (lead < 0x81 || lead == 0xFF) {
      ++i;
      continue;
    }
    if (refused[lead << 8 | second]) rewritten[i] = '\x80';
    // A lead byte takes the byte after it, unless that is ASCII it refuses.
    const bool pair = (second >= 0x40 && second <= 0x7E) || (second >= 0xA1 && second <= 0xFE);
    i += pair ? 2 : 1;
  }
  return rewritten;
}

const IcuCorrections* CorrectionsFor(const Charset& charset) {
  if (charset.name == "gb18030") return &kGb18030;
  if (charset.name == "big5-hkscs") return &kBig5;
  if (charset.name == "shift_jis") return &kShiftJis;
  if (charset.name == "euc-jp") return &kEucJp;
  if (charset.name == "euc-kr") return &kEucKr;
  return nullptr;
}

const std::array<char16_t, 128>* SingleByteTable(const Charset& charset) {
  if (!IsSingleByte(charset)) return nullptr;
  static std::mutex mutex;
  static std::map<std::string, std::array<char16_t, 128>> tables;
  const std::lock_guard<std::mutex> lock(mutex);
  auto found = tables.find(charset.name);
  if (found == tables.end()) found = tables.emplace(charset.name, BuildTable(charset)).first;
  return &found->second;
}

}  // namespace korvane::cli
