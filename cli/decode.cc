#include "decode.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "meta_prescan.h"
#include "utf8.h"

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

const Charset kUtf8{"utf-8", "UTF-8"};

std::optional<Choice> ByteOrderMark(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return Choice{kUtf8, CharsetSource::kBom};
  if (bytes.starts_with("\xFE\xFF")) return Choice{{"utf-16be", "UTF-16BE"}, CharsetSource::kBom};
  if (bytes.starts_with("\xFF\xFE")) return Choice{{"utf-16le", "UTF-16LE"}, CharsetSource::kBom};
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

// The charset that the page or its server declares, else the detected one,
// else UTF-8. Bytes of pure ASCII are never given a charset under which
// ASCII reads differently, and are not run through detection.
Choice DeclaredOrDetected(std::string_view bytes, const DecodeHints& hints, bool pure_ascii) {
  if (std::optional<Charset> http = CharsetForLabel(hints.http_charset)) {
    if (IsWideUnicode(*http) ? !pure_ascii : IsAsciiCompatible(*http)) {
      return {*http, CharsetSource::kHttp};
    }
  }
  if (std::optional<std::string> label = PrescanMetaCharset(bytes, IsKnownLabel)) {
    const Charset meta = *CharsetForLabel(*label);
    // A page cannot declare UTF-16 in ASCII bytes: browsers read it as UTF-8.
    if (IsWideUnicode(meta)) return {kUtf8, CharsetSource::kMeta};
    if (IsAsciiCompatible(meta)) return {meta, CharsetSource::kMeta};
  }
  if (pure_ascii) return {kUtf8, CharsetSource::kAscii};
  if (std::optional<std::string> label = DetectedLabel(bytes)) {
    std::optional<Charset> detected = CharsetForLabel(*label);
    if (detected && IsAsciiCompatible(*detected)) return {*detected, CharsetSource::kDetected};
  }
  return {kUtf8, CharsetSource::kDefault};
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
  const Utf8Check utf8 = CheckUtf8(bytes);
  const Choice choice = ChooseCharset(bytes, hints, utf8);
  DecodedPage page;
  page.encoding = choice.charset.name;
  page.source = choice.source;
  if (LooksBinary(bytes, choice, utf8)) {
    page.error = "binary data (NUL bytes, not valid UTF-8), not a page";
    return page;
  }
  // Valid UTF-8 reads the same under every charset chosen for it here, and
  // the UTF-8 decoder is the fast one.
  const bool utf8_text = choice.charset.name == "utf-8" ||
                         (utf8.valid && !utf8.multibyte && choice.source != CharsetSource::kForced);
  if (utf8_text) {
    Decoded decoded = FromUtf8(bytes);
    page.text = std::move(decoded.text);
    page.replaced = decoded.replaced;
  } else {
    ConvertWithIcu(bytes, choice.charset, page);
  }
  return page;
}

}  // namespace korvane::cli
