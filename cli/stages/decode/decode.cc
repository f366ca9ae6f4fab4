// SPDX-License-Identifier: Apache-2.0
#include "decode/decode.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "decode/meta_prescan.h"
#include "decode/utf8.h"
#include "decode/utf8_decoder.h"

namespace korvane::cli {
namespace {

// A page holding NUL bytes this early that is not valid UTF-8 is binary data.
constexpr size_t kBinaryProbeLength = 64 * 1024;
// ICU's detector looks at no more than its first few kilobytes anyway.
constexpr size_t kDetectionLength = 64 * 1024;

struct Choice {
  Charset charset;
  CharsetSource source;
};

const Charset kUtf8{"utf-8", "UTF-8", Charset::Kind::kAsciiCompatible, false};

std::optional<Choice> ByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return Choice{kUtf8, CharsetSource::kBom};
  if (bytes.starts_with("\xFE\xFF"))
    return Choice{*CharsetForLabel("utf-16be"), CharsetSource::kBom};
  if (bytes.starts_with("\xFF\xFE"))
    return Choice{*CharsetForLabel("utf-16le"), CharsetSource::kBom};
  return std::nullopt;
}

bool IsKnownLabel(std::string_view label) { return CharsetForLabel(label).has_value(); }

std::optional<std::string> DetectedLabel(std::string_view bytes) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                      &ucsdet_close);
  if (U_FAILURE(status)) return std::nullopt;
  ucsdet_enableInputFilter(detector.get(), true);  // look past the markup
  ucsdet_setText(detector.get(), bytes.data(),
                 static_cast<int32_t>(std::min(bytes.size(), kDetectionLength)), &status);
  const UCharsetMatch* match = ucsdet_detect(detector.get(), &status);
  if (U_FAILURE(status) || match == nullptr) return std::nullopt;
  const char* name = ucsdet_getName(match, &status);
  if (U_FAILURE(status) || name == nullptr) return std::nullopt;
  return name;
}

// What browsers accept from a declaration: every encoding they know, but
// UTF-16 only where the bytes are not ASCII.
bool UsableFromHttp(const Charset& charset, bool pure_ascii) {
  return IsWideUnicode(charset) ? !pure_ascii : true;
}

// A page cannot declare UTF-16 in ASCII bytes, and x-user-defined in a meta
// is windows-1252: browsers read them so.
Charset AsMetaDeclares(Charset charset) {
  if (IsWideUnicode(charset)) return kUtf8;
  if (charset.name == "x-user-defined") return *CharsetForLabel("windows-1252");
  return charset;
}

// Detection may name encodings that browsers replace or do not know.
bool UsableFromDetection(const Charset& charset) {
  return IsAsciiCompatible(charset) || charset.kind == Charset::Kind::kStateful;
}

// The charset that the page or its server declares, else the detected one,
// else UTF-8. Bytes of pure ASCII are read as UTF-8 unless something
// declares otherwise or they hold escape sequences (ISO-2022-JP).
Choice DeclaredOrDetected(std::string_view bytes, const DecodeHints& hints, bool pure_ascii) {
  if (std::optional<Charset> http = CharsetForLabel(hints.http_charset)) {
    if (UsableFromHttp(*http, pure_ascii)) return {*http, CharsetSource::kHttp};
  }
  if (std::optional<std::string> label = PrescanMetaCharset(bytes, IsKnownLabel)) {
    return {AsMetaDeclares(*CharsetForLabel(*label)), CharsetSource::kMeta};
  }
  const bool escapes = bytes.substr(0, kDetectionLength).find('\x1b') != std::string_view::npos;
  if (pure_ascii && !escapes) return {kUtf8, CharsetSource::kAscii};
  if (std::optional<std::string> label = DetectedLabel(bytes)) {
    std::optional<Charset> detected = CharsetForLabel(*label);
    const bool usable = detected && (pure_ascii ? detected->kind == Charset::Kind::kStateful
                                                : UsableFromDetection(*detected));
    if (usable) return {*detected, CharsetSource::kDetected};
  }
  return {kUtf8, pure_ascii ? CharsetSource::kAscii : CharsetSource::kDefault};
}

Choice ChooseCharset(std::string_view bytes, const DecodeHints& hints, const Utf8Check& utf8) {
  if (hints.forced) return {*hints.forced, CharsetSource::kForced};
  if (hints.is_text) return {kUtf8, CharsetSource::kText};
  if (std::optional<Choice> bom = ByteOrderMark(bytes)) return *bom;
  if (utf8.valid && utf8.multibyte) return {kUtf8, CharsetSource::kUtf8Bytes};
  return DeclaredOrDetected(bytes, hints, utf8.valid);
}

bool LooksBinary(std::string_view bytes, const Choice& choice, const Utf8Check& utf8) {
  if (utf8.valid || choice.source == CharsetSource::kForced || choice.source == CharsetSource::kBom)
    return false;
  if (IsWideUnicode(choice.charset)) return false;  // declared by the server
  return bytes.substr(0, kBinaryProbeLength).find('\0') != std::string_view::npos;
}

void SubstituteAndCount(const void* context, UConverterToUnicodeArgs* args, const char*, int32_t,
                        UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
    return;  // reset, close, clone: nothing to write
  }
  ++*static_cast<int64_t*>(const_cast<void*>(context));
  *status = U_ZERO_ERROR;
  static constexpr UChar kReplacement = 0xFFFD;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, status);
}

// IBM's PC tables decode 0x1A, 0x1C and 0x7F as U+001C, U+007F and U+001A;
// no other byte sequence gives these controls.
void SwapPcControlsBack(std::u16string& text) {
  for (char16_t& unit : text) {
    if (unit == 0x1C) {
      unit = 0x1A;
    } else if (unit == 0x7F) {
      unit = 0x1C;
    } else if (unit == 0x1A) {
      unit = 0x7F;
    }
  }
}

// Runs the whole of the bytes through the converter; every invalid or
// unmappable sequence becomes one U+FFFD and is counted.
void ConvertWithIcu(std::string_view bytes, const Charset& charset, DecodedPage& page) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
      ucnv_open(charset.converter.c_str(), &status), &ucnv_close);
  if (U_FAILURE(status)) throw std::runtime_error("no converter for " + charset.name);
  ucnv_setToUCallBack(converter.get(), SubstituteAndCount, &page.replaced, nullptr, nullptr,
                      &status);
  page.text.resize(bytes.size() + 16);
  const char* source = bytes.data();
  const char* const source_limit = bytes.data() + bytes.size();
  size_t written = 0;
  for (;;) {
    UChar* target = page.text.data() + written;
    status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, page.text.data() + page.text.size(), &source,
                   source_limit, nullptr, true, &status);
    written = static_cast<size_t>(target - page.text.data());
    if (status != U_BUFFER_OVERFLOW_ERROR) break;
    page.text.resize(page.text.size() * 2);
  }
  if (U_FAILURE(status)) throw std::runtime_error(u_errorName(status));
  page.text.resize(written);
  if (charset.pc_controls) SwapPcControlsBack(page.text);
}

// ISO-8859-16 where it differs from ISO-8859-1 (Debian's ICU data lacks it).
constexpr std::pair<uint8_t, char16_t> kLatin10[] = {
    {0xA1, 0x0104}, {0xA2, 0x0105}, {0xA3, 0x0141}, {0xA4, 0x20AC}, {0xA5, 0x201E}, {0xA6, 0x0160},
    {0xA8, 0x0161}, {0xAA, 0x0218}, {0xAC, 0x0179}, {0xAE, 0x017A}, {0xAF, 0x017B}, {0xB2, 0x010C},
    {0xB3, 0x0142}, {0xB4, 0x017D}, {0xB5, 0x201D}, {0xB8, 0x017E}, {0xB9, 0x010D}, {0xBA, 0x0219},
    {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}, {0xBF, 0x017C}, {0xC3, 0x0102}, {0xC5, 0x0106},
    {0xD0, 0x0110}, {0xD1, 0x0143}, {0xD5, 0x0150}, {0xD7, 0x015A}, {0xD8, 0x0170}, {0xDD, 0x0118},
    {0xDE, 0x021A}, {0xE3, 0x0103}, {0xE5, 0x0107}, {0xF0, 0x0111}, {0xF1, 0x0144}, {0xF5, 0x0151},
    {0xF7, 0x015B}, {0xF8, 0x0171}, {0xFD, 0x0119}, {0xFE, 0x021B},
};

// The single-byte encodings without an ICU converter, and the replacement
// encoding: one U+FFFD for the whole of a page that is not empty.
void DecodeHere(std::string_view bytes, const Charset& charset, DecodedPage& page) {
  if (charset.kind == Charset::Kind::kReplacement) {
    page.replaced = bytes.empty() ? 0 : 1;
    page.text.assign(static_cast<size_t>(page.replaced), u'\uFFFD');
    return;
  }
  std::array<char16_t, 256> units;
  for (int byte = 0; byte < 256; ++byte) {
    units[byte] = charset.name == "x-user-defined" && byte >= 0x80
                      ? static_cast<char16_t>(0xF780 + byte - 0x80)
                      : static_cast<char16_t>(byte);
  }
  if (charset.name == "iso-8859-16") {
    for (const auto& [byte, unit] : kLatin10) units[byte] = unit;
  }
  page.text.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) page.text[i] = units[static_cast<uint8_t>(bytes[i])];
}

}  // namespace

std::string_view CharsetSourceName(CharsetSource source) {
  switch (source) {
    case CharsetSource::kForced:
      return "--encoding";
    case CharsetSource::kText:
      return "text";
    case CharsetSource::kBom:
      return "bom";
    case CharsetSource::kUtf8Bytes:
      return "utf-8";
    case CharsetSource::kHttp:
      return "http";
    case CharsetSource::kMeta:
      return "meta";
    case CharsetSource::kAscii:
      return "ascii";
    case CharsetSource::kDetected:
      return "detected";
    case CharsetSource::kDefault:
      break;
  }
  return "default";
}

DecodedPage Decode(std::string_view bytes, const DecodeHints& hints) {
  // Most pages are UTF-8: their bytes are checked and decoded in one pass,
  // and the text is thrown away only when they turn out to be in another
  // charset (which the check needed a whole pass to say anyway).
  DecodedPage page;
  const Utf8Decoding decoding = AppendUtf8AsUtf16(bytes, page.text);
  const Utf8Check utf8{decoding.replaced == 0, decoding.multibyte};
  const Choice choice = ChooseCharset(bytes, hints, utf8);
  page.encoding = choice.charset.name;
  page.source = choice.source;
  if (LooksBinary(bytes, choice, utf8)) {
    std::u16string().swap(page.text);
    page.error = "binary data (NUL bytes, not valid UTF-8), not a page";
    return page;
  }
  // ASCII reads the same under every ASCII-compatible charset chosen for it
  // here, and the UTF-8 decoder is the fast one.
  const bool utf8_text =
      choice.charset.name == "utf-8" ||
      (utf8.valid && !utf8.multibyte && choice.source != CharsetSource::kForced &&
       IsAsciiCompatible(choice.charset));
  if (utf8_text) {
    page.replaced = decoding.replaced;
    return page;
  }
  std::u16string().swap(page.text);
  if (choice.charset.converter.empty()) {
    DecodeHere(bytes, choice.charset, page);
  } else {
    ConvertWithIcu(bytes, choice.charset, page);
  }
  return page;
}

}  // namespace korvane::cli
