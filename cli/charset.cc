#include "charset.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <memory>

#include "ascii.h"

namespace korvane::cli {
namespace {

struct LabelGroup {
  std::array<std::string_view, 18> labels;  // unused slots stay empty
  std::string_view name;
  std::string_view converter;
};

// The labels that real Chinese pages (and the common Latin ones) carry,
// grouped by the encoding browsers decode them with.
constexpr LabelGroup kLabelGroups[] = {
    {{"utf-8", "utf8", "unicode-1-1-utf-8", "unicode11utf8", "unicode20utf8", "x-unicode20utf8"},
     "utf-8",
     "UTF-8"},
    {{"gb18030", "gb2312", "gbk", "x-gbk", "chinese", "csgb2312", "csiso58gb231280", "gb_2312",
      "gb_2312-80", "iso-ir-58", "cp936", "ms936", "windows-936"},
     "gb18030",
     "gb18030"},
    {{"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5", "cp950"},
     "big5-hkscs",
     "ibm-1375_P100-2008"},
    {{"windows-1252", "iso-8859-1", "latin1", "us-ascii", "ascii", "l1", "iso8859-1", "iso88591",
      "iso_8859-1", "iso_8859-1:1987", "iso-ir-100", "ibm819", "cp819", "csisolatin1",
      "ansi_x3.4-1968", "cp1252", "x-cp1252"},
     "windows-1252",
     "windows-1252"},
    {{"utf-16le", "utf-16", "unicode", "ucs-2", "csunicode", "iso-10646-ucs-2", "unicodefeff"},
     "utf-16le",
     "UTF-16LE"},
    {{"utf-16be", "unicodefffe"}, "utf-16be", "UTF-16BE"},
    {{"shift_jis", "shift-jis", "sjis", "ms932", "ms_kanji", "csshiftjis", "windows-31j", "x-sjis"},
     "shift_jis",
     "ibm-943_P15A-2003"},
    {{"euc-kr", "ks_c_5601-1987", "ks_c_5601-1989", "ksc5601", "ksc_5601", "korean", "cseuckr",
      "windows-949"},
     "euc-kr",
     "windows-949"},
};

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

ConverterPtr OpenConverter(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

// Labels come from pages: only characters that charset names use reach
// ICU, never converter options (",") or paths ("/").
bool IsPlainLabel(const std::string& label) {
  return std::all_of(label.begin(), label.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
           c == ':' || c == '+';
  });
}

std::optional<Charset> CharsetFromIcu(const std::string& label) {
  if (!IsPlainLabel(label)) return std::nullopt;
  const ConverterPtr converter = OpenConverter(label);
  if (!converter) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  const char* canonical = ucnv_getName(converter.get(), &status);
  if (U_FAILURE(status)) return std::nullopt;
  for (const char* standard : {"MIME", "IANA", "WINDOWS"}) {
    status = U_ZERO_ERROR;
    const char* name = ucnv_getStandardName(canonical, standard, &status);
    if (name != nullptr) return Charset{Normalized(name), canonical};
  }
  return Charset{Normalized(canonical), canonical};
}

}  // namespace

std::optional<Charset> CharsetForLabel(std::string_view label) {
  const std::string normalized = Normalized(label);
  if (normalized.empty()) return std::nullopt;
  for (const LabelGroup& group : kLabelGroups) {
    if (std::find(group.labels.begin(), group.labels.end(), normalized) != group.labels.end()) {
      return Charset{std::string(group.name), std::string(group.converter)};
    }
  }
  return CharsetFromIcu(normalized);
}

bool IsWideUnicode(const Charset& charset) {
  const ConverterPtr converter = OpenConverter(charset.converter);
  if (!converter) return false;
  switch (ucnv_getType(converter.get())) {
    case UCNV_UTF16_BigEndian:
    case UCNV_UTF16_LittleEndian:
    case UCNV_UTF16:
    case UCNV_UTF32_BigEndian:
    case UCNV_UTF32_LittleEndian:
    case UCNV_UTF32:
      return true;
    default:
      return false;
  }
}

bool IsAsciiCompatible(const Charset& charset) {
  const ConverterPtr converter = OpenConverter(charset.converter);
  if (!converter) return false;
  switch (ucnv_getType(converter.get())) {
    case UCNV_SBCS:
    case UCNV_DBCS:
    case UCNV_MBCS:
    case UCNV_LATIN_1:
    case UCNV_UTF8:
    case UCNV_US_ASCII:
    case UCNV_CESU8:
      break;
    default:
      return false;  // wide, stateful or escape-switched encodings
  }
  char ascii[128];
  for (int byte = 0; byte < 128; ++byte) ascii[byte] = static_cast<char>(byte);
  UChar decoded[256];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(converter.get(), decoded, 256, ascii, 128, &status);
  if (U_FAILURE(status) || length != 128) return false;
  for (int unit = 0; unit < 128; ++unit) {
    if (decoded[unit] != unit) return false;
  }
  return true;
}

}  // namespace korvane::cli
