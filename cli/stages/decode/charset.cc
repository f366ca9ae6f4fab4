// SPDX-License-Identifier: Apache-2.0
#include "decode/charset.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "ascii.h"

namespace korvane::cli {
namespace {

using Kind = Charset::Kind;

struct Encoding {
  std::string_view name;       // reported
  std::string_view converter;  // ICU's; empty: decoded in decode.cc
  Kind kind;
  bool pc_controls;
  std::vector<std::string_view> labels;
};

// The browsers' table of labels (the WHATWG Encoding Standard), with the ICU
// converter that decodes each encoding as browsers do. GBK labels decode as
// gb18030, a superset that browsers use for them too, and Big5 as
// Big5-HKSCS; Shift_JIS is the Windows table (0x5C and 0x7E are ASCII),
// whose ICU converter swaps three controls back and forth. A few labels
// that Chinese pages carry but browsers do not know (cp936, cp950 ...) are
// kept, as they were read this way before. ISO-8859-16 and x-user-defined
// have no ICU converter: decode.cc decodes them.
const std::vector<Encoding>& Encodings() {
  static const std::vector<Encoding> encodings = {
      {"utf-8",
       "UTF-8",
       Kind::kAsciiCompatible,
       false,
       {"unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "utf-8", "utf8", "x-unicode20utf8"}},
      {"ibm866",
       "ibm-866_P100-1995",
       Kind::kAsciiCompatible,
       true,
       {"866", "cp866", "csibm866", "ibm866"}},
      {"iso-8859-2",
       "ISO-8859-2",
       Kind::kAsciiCompatible,
       false,
       {"csisolatin2", "iso-8859-2", "iso-ir-101", "iso8859-2", "iso88592", "iso_8859-2",
        "iso_8859-2:1987", "l2", "latin2"}},
      {"iso-8859-3",
       "ISO-8859-3",
       Kind::kAsciiCompatible,
       false,
       {"csisolatin3", "iso-8859-3", "iso-ir-109", "iso8859-3", "iso88593", "iso_8859-3",
        "iso_8859-3:1988", "l3", "latin3"}},
      {"iso-8859-4",
       "ISO-8859-4",
       Kind::kAsciiCompatible,
       false,
       {"csisolatin4", "iso-8859-4", "iso-ir-110", "iso8859-4", "iso88594", "iso_8859-4",
        "iso_8859-4:1988", "l4", "latin4"}},
      {"iso-8859-5",
       "ISO-8859-5",
       Kind::kAsciiCompatible,
       false,
       {"csisolatincyrillic", "cyrillic", "iso-8859-5", "iso-ir-144", "iso8859-5", "iso88595",
        "iso_8859-5", "iso_8859-5:1988"}},
      {"iso-8859-6",
       "ISO-8859-6",
       Kind::kAsciiCompatible,
       false,
       {"arabic", "asmo-708", "csiso88596e", "csiso88596i", "csisolatinarabic", "ecma-114",
        "iso-8859-6", "iso-8859-6-e", "iso-8859-6-i", "iso-ir-127", "iso8859-6", "iso88596",
        "iso_8859-6", "iso_8859-6:1987"}},
      {"iso-8859-7",
       "ISO-8859-7",
       Kind::kAsciiCompatible,
       false,
       {"csisolatingreek", "ecma-118", "elot_928", "greek", "greek8", "iso-8859-7", "iso-ir-126",
        "iso8859-7", "iso88597", "iso_8859-7", "iso_8859-7:1987", "sun_eu_greek"}},
      {"iso-8859-8",
       "ISO-8859-8",
       Kind::kAsciiCompatible,
       false,
       {"csiso88598e", "csisolatinhebrew", "hebrew", "iso-8859-8", "iso-8859-8-e", "iso-ir-138",
        "iso8859-8", "iso88598", "iso_8859-8", "iso_8859-8:1988", "visual"}},
      {"iso-8859-8-i",
       "ISO-8859-8",
       Kind::kAsciiCompatible,
       false,
       {"csiso88598i", "iso-8859-8-i", "logical"}},
      {"iso-8859-10",
       "ISO-8859-10",
       Kind::kAsciiCompatible,
       false,
       {"csisolatin6", "iso-8859-10", "iso-ir-157", "iso8859-10", "iso885910", "l6", "latin6"}},
      {"iso-8859-13",
       "ISO-8859-13",
       Kind::kAsciiCompatible,
       false,
       {"iso-8859-13", "iso8859-13", "iso885913"}},
      {"iso-8859-14",
       "ISO-8859-14",
       Kind::kAsciiCompatible,
       false,
       {"iso-8859-14", "iso8859-14", "iso885914"}},
      {"iso-8859-15",
       "ISO-8859-15",
       Kind::kAsciiCompatible,
       false,
       {"csisolatin9", "iso-8859-15", "iso8859-15", "iso885915", "iso_8859-15", "l9"}},
      {"iso-8859-16", "", Kind::kAsciiCompatible, false, {"iso-8859-16"}},
      {"koi8-r",
       "KOI8-R",
       Kind::kAsciiCompatible,
       false,
       {"cskoi8r", "koi", "koi8", "koi8-r", "koi8_r"}},
      {"koi8-u", "KOI8-U", Kind::kAsciiCompatible, false, {"koi8-ru", "koi8-u"}},
      {"macintosh",
       "macintosh",
       Kind::kAsciiCompatible,
       false,
       {"csmacintosh", "mac", "macintosh", "x-mac-roman"}},
      {"windows-874",
       "windows-874",
       Kind::kAsciiCompatible,
       false,
       {"dos-874", "iso-8859-11", "iso8859-11", "iso885911", "tis-620", "windows-874"}},
      {"windows-1250",
       "windows-1250",
       Kind::kAsciiCompatible,
       false,
       {"cp1250", "windows-1250", "x-cp1250"}},
      {"windows-1251",
       "windows-1251",
       Kind::kAsciiCompatible,
       false,
       {"cp1251", "windows-1251", "x-cp1251"}},
      {"windows-1252",
       "windows-1252",
       Kind::kAsciiCompatible,
       false,
       {"ansi_x3.4-1968", "ascii", "cp1252", "cp819", "csisolatin1", "ibm819", "iso-8859-1",
        "iso-ir-100", "iso8859-1", "iso88591", "iso_8859-1", "iso_8859-1:1987", "l1", "latin1",
        "us-ascii", "windows-1252", "x-cp1252"}},
      {"windows-1253",
       "windows-1253",
       Kind::kAsciiCompatible,
       false,
       {"cp1253", "windows-1253", "x-cp1253"}},
      {"windows-1254",
       "windows-1254",
       Kind::kAsciiCompatible,
       false,
       {"cp1254", "csisolatin5", "iso-8859-9", "iso-ir-148", "iso8859-9", "iso88599", "iso_8859-9",
        "iso_8859-9:1989", "l5", "latin5", "windows-1254", "x-cp1254"}},
      {"windows-1255",
       "windows-1255",
       Kind::kAsciiCompatible,
       false,
       {"cp1255", "windows-1255", "x-cp1255"}},
      {"windows-1256",
       "windows-1256",
       Kind::kAsciiCompatible,
       false,
       {"cp1256", "windows-1256", "x-cp1256"}},
      {"windows-1257",
       "windows-1257",
       Kind::kAsciiCompatible,
       false,
       {"cp1257", "windows-1257", "x-cp1257"}},
      {"windows-1258",
       "windows-1258",
       Kind::kAsciiCompatible,
       false,
       {"cp1258", "windows-1258", "x-cp1258"}},
      {"x-mac-cyrillic",
       "x-mac-cyrillic",
       Kind::kAsciiCompatible,
       false,
       {"x-mac-cyrillic", "x-mac-ukrainian"}},
      {"gb18030",
       "gb18030",
       Kind::kAsciiCompatible,
       false,
       {"chinese", "csgb2312", "csiso58gb231280", "gb2312", "gb_2312", "gb_2312-80", "gbk",
        "iso-ir-58", "x-gbk", "gb18030", "cp936", "ms936", "windows-936"}},
      {"big5-hkscs",
       "ibm-1375_P100-2008",
       Kind::kAsciiCompatible,
       false,
       {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5", "cp950"}},
      {"euc-jp",
       "EUC-JP",
       Kind::kAsciiCompatible,
       false,
       {"cseucpkdfmtjapanese", "euc-jp", "x-euc-jp"}},
      {"iso-2022-jp", "ISO-2022-JP", Kind::kStateful, false, {"csiso2022jp", "iso-2022-jp"}},
      {"shift_jis",
       "ibm-943_P15A-2003",
       Kind::kAsciiCompatible,
       true,
       {"csshiftjis", "ms932", "ms_kanji", "shift-jis", "shift_jis", "sjis", "windows-31j",
        "x-sjis"}},
      {"euc-kr",
       "windows-949",
       Kind::kAsciiCompatible,
       false,
       {"cseuckr", "csksc56011987", "euc-kr", "iso-ir-149", "korean", "ks_c_5601-1987",
        "ks_c_5601-1989", "ksc5601", "ksc_5601", "windows-949"}},
      {"replacement",
       "",
       Kind::kReplacement,
       false,
       {"csiso2022kr", "hz-gb-2312", "iso-2022-cn", "iso-2022-cn-ext", "iso-2022-kr",
        "replacement"}},
      {"utf-16be", "UTF-16BE", Kind::kWide, false, {"unicodefffe", "utf-16be"}},
      {"utf-16le",
       "UTF-16LE",
       Kind::kWide,
       false,
       {"csunicode", "iso-10646-ucs-2", "ucs-2", "unicode", "unicodefeff", "utf-16", "utf-16le"}},
      {"x-user-defined", "", Kind::kAsciiCompatible, false, {"x-user-defined"}},
  };
  return encodings;
}

std::string Normalized(std::string_view label) {
  constexpr std::string_view kSpace = "\t\n\f\r ";
  const size_t first = label.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  label = label.substr(first, label.find_last_not_of(kSpace) - first + 1);
  return AsciiLowered(label);
}

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// Only characters that charset names use reach ICU, never converter options
// (",") or paths ("/").
bool IsPlainLabel(const std::string& label) {
  return std::all_of(label.begin(), label.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
           c == ':' || c == '+';
  });
}

Kind KindOf(UConverter* converter) {
  switch (ucnv_getType(converter)) {
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF16:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
    case UCNV_UTF32:
      return Kind::kWide;
    case UCNV_SBCS:
    case UCNV_DBCS:
    case UCNV_MBCS:
    case UCNV_LATIN_1:
    case UCNV_UTF8:
    case UCNV_US_ASCII:
    case UCNV_CESU8:
      break;
    default:
      return Kind::kOther;  // stateful or escape-switched
  }
  char ascii[128];
  for (int byte = 0; byte < 128; ++byte) ascii[byte] = static_cast<char>(byte);
  UChar decoded[256];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(converter, decoded, 256, ascii, 128, &status);
  if (U_FAILURE(status) || length != 128) return Kind::kOther;
  for (int unit = 0; unit < 128; ++unit) {
    if (decoded[unit] != unit) return Kind::kOther;
  }
  return Kind::kAsciiCompatible;
}

std::optional<Charset> CharsetFromIcu(const std::string& label) {
  if (!IsPlainLabel(label)) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const ConverterPtr converter(ucnv_open(label.c_str(), &status));
  if (U_FAILURE(status)) return std::nullopt;
  const char* canonical = ucnv_getName(converter.get(), &status);
  if (U_FAILURE(status)) return std::nullopt;
  std::string name = Normalized(canonical);
  for (const char* standard : {"MIME", "IANA", "WINDOWS"}) {
    status = U_ZERO_ERROR;
    if (const char* known = ucnv_getStandardName(canonical, standard, &status)) {
      name = Normalized(known);
      break;
    }
  }
  return Charset{std::move(name), canonical, KindOf(converter.get()), false};
}

}  // namespace

std::optional<Charset> CharsetForLabel(std::string_view label) {
  const std::string normalized = Normalized(label);
  if (normalized.empty()) return std::nullopt;
  for (const Encoding& encoding : Encodings()) {
    if (std::find(encoding.labels.begin(), encoding.labels.end(), normalized) !=
        encoding.labels.end()) {
      return Charset{std::string(encoding.name), std::string(encoding.converter), encoding.kind,
                     encoding.pc_controls};
    }
  }
  return std::nullopt;
}

std::optional<Charset> CharsetForOption(std::string_view label) {
  if (std::optional<Charset> charset = CharsetForLabel(label)) return charset;
  return CharsetFromIcu(Normalized(label));
}

std::span<const LabelEntry> BrowserLabels() {
  static const std::vector<LabelEntry> entries = [] {
    std::vector<LabelEntry> all;
    for (const Encoding& encoding : Encodings()) {
      for (const std::string_view label : encoding.labels) all.push_back({label, encoding.name});
    }
    return all;
  }();
  return entries;
}

}  // namespace korvane::cli
