// SPDX-License-Identifier: Apache-2.0
#include "decode/decode.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>

#include "decode/browser_tables.h"
#include "decode/meta_prescan.h"
#include "decode/utf8.h"
#include "decode/utf8_decoder.h"
#include "input/formats.h"

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

struct CallbackContext {
  int64_t* replaced;
  const IcuCorrections* corrections;  // may be null
};

// What browsers give for a sequence the converter refuses, if anything.
std::optional<std::u16string_view> AddedText(const IcuCorrections* corrections, const char* bytes,
                                             int32_t length) {
  if (corrections == nullptr || length > 4) return std::nullopt;
  uint32_t value = 0;
  for (int32_t i = 0; i < length; ++i) value = (value << 8) | static_cast<uint8_t>(bytes[i]);
  for (const SequenceText& added : corrections->added) {
    if (added.bytes == value) return added.text;
  }
  return std::nullopt;
}

void SubstituteAndCount(const void* context, UConverterToUnicodeArgs* args, const char* bytes,
                        int32_t length, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
    return;  // reset, close, clone: nothing to write
  }
  const auto* callback = static_cast<const CallbackContext*>(context);
  *status = U_ZERO_ERROR;
  if (const auto text = AddedText(callback->corrections, bytes, length)) {
    ucnv_cbToUWriteUChars(args, reinterpret_cast<const UChar*>(text->data()),
                          static_cast<int32_t>(text->size()), 0, status);
    return;
  }
  ++*callback->replaced;
  // Browsers read an ASCII byte after a lead byte again, as itself, rather
  // than lose it in the error.
  const bool ascii_second =
      callback->corrections != nullptr && length == 2 && static_cast<uint8_t>(bytes[1]) < 0x80;
  const UChar replacement[2] = {0xFFFD, ascii_second ? static_cast<UChar>(bytes[1]) : UChar{0}};
  ucnv_cbToUWriteUChars(args, replacement, ascii_second ? 2 : 1, 0, status);
}

// The sequences browsers refuse but the converter maps, rewritten to one it
// refuses alike. Each begins with a byte that only ever leads a sequence.
std::string WithRefusedRewritten(std::string_view bytes, const IcuCorrections& corrections) {
  std::string rewritten(bytes);
  for (const std::string_view refused : corrections.refused) {
    for (size_t at = rewritten.find(refused); at != std::string::npos;
         at = rewritten.find(refused, at + refused.size())) {
      rewritten.replace(at, refused.size(), corrections.refused_as);
    }
  }
  return rewritten;
}

bool IsPrivateUse(char16_t unit) { return unit >= 0xE000 && unit <= 0xF8FF; }

// The converter's code units where browsers give others.
void CorrectUnits(const IcuCorrections& corrections, DecodedPage& page) {
  auto wrong = [&](char16_t unit) {
    return (corrections.private_use_is_error && IsPrivateUse(unit)) ||
           (corrections.c1_is_error && unit >= 0x80 && unit <= 0x9F) ||
           std::any_of(corrections.remapped.begin(), corrections.remapped.end(),
                       [unit](const UnitText& remap) { return remap.unit == unit; });
  };
  if (std::none_of(page.text.begin(), page.text.end(), wrong)) return;
  std::u16string corrected;
  corrected.reserve(page.text.size());
  for (const char16_t unit : page.text) {
    const auto remap = std::find_if(corrections.remapped.begin(), corrections.remapped.end(),
                                    [unit](const UnitText& entry) { return entry.unit == unit; });
    if (remap != corrections.remapped.end()) {
      corrected.append(remap->text);
    } else if (wrong(unit)) {
      corrected += u'\uFFFD';
      ++page.replaced;
    } else {
      corrected += unit;
    }
  }
  page.text.swap(corrected);
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
// unmappable sequence becomes one U+FFFD and is counted, and where the
// converter parts from browsers its output is corrected.
void ConvertWithIcu(std::string_view original, const Charset& charset, DecodedPage& page) {
  const IcuCorrections* corrections = CorrectionsFor(charset);
  std::string rewritten;
  std::string_view bytes = original;
  if (corrections != nullptr && !corrections->refused.empty()) {
    rewritten = WithRefusedRewritten(original, *corrections);
    bytes = rewritten;
  } else if (charset.name == "big5-hkscs") {
    rewritten = WithBig5PrivateUseRefused(original, charset);
    bytes = rewritten;
  }
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
      ucnv_open(charset.converter.c_str(), &status), &ucnv_close);
  if (U_FAILURE(status)) throw std::runtime_error("no converter for " + charset.name);
  const CallbackContext context{&page.replaced, corrections};
  ucnv_setToUCallBack(converter.get(), SubstituteAndCount, &context, nullptr, nullptr, &status);
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
  if (corrections != nullptr) CorrectUnits(*corrections, page);
}

// The single-byte encodings, by the browsers' table, and the replacement
// encoding: one U+FFFD for the whole of a page that is not empty.
void DecodeHere(std::string_view bytes, const Charset& charset, DecodedPage& page) {
  if (charset.kind == Charset::Kind::kReplacement) {
    page.replaced = bytes.empty() ? 0 : 1;
    page.text.assign(static_cast<size_t>(page.replaced), u'\uFFFD');
    return;
  }
  const std::array<char16_t, 128>& high = *SingleByteTable(charset);
  page.text.resize(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<uint8_t>(bytes[i]);
    page.text[i] = byte < 0x80 ? byte : high[byte - 0x80];
    if (page.text[i] == 0xFFFD) ++page.replaced;
  }
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
  DecodedPage page;
  DecodeInto(bytes, hints, page);
  return page;
}

void DecodeInto(std::string_view bytes, const DecodeHints& hints, DecodedPage& page) {
  // Most pages are UTF-8: their bytes are checked and decoded in one pass,
  // and the text is thrown away only when they turn out to be in another
  // charset (which the check needed a whole pass to say anyway).
  page.text.clear();
  page.replaced = 0;
  page.error.clear();
  const Utf8Decoding decoding = AppendUtf8AsUtf16(bytes, page.text);
  const Utf8Check utf8{decoding.replaced == 0, decoding.multibyte};
  const Choice choice = ChooseCharset(bytes, hints, utf8);
  page.encoding = choice.charset.name;
  page.source = choice.source;
  if (const std::optional<std::string_view> format =
          hints.is_text ? std::nullopt : CompressedFormat(bytes)) {
    page.text.clear();
    page.error = std::string(*format) + "-compressed data, not a page (decompress it first)";
    return;
  }
  if (LooksBinary(bytes, choice, utf8)) {
    page.text.clear();
    page.error = "binary data (NUL bytes, not valid UTF-8), not a page";
    return;
  }
  // ASCII reads the same under every ASCII-compatible charset chosen for it
  // here, and the UTF-8 decoder is the fast one.
  const bool utf8_text =
      choice.charset.name == "utf-8" ||
      (utf8.valid && !utf8.multibyte && choice.source != CharsetSource::kForced &&
       IsAsciiCompatible(choice.charset));
  if (utf8_text) {
    page.replaced = decoding.replaced;
    return;
  }
  page.text.clear();
  if (choice.charset.kind == Charset::Kind::kReplacement || SingleByteTable(choice.charset)) {
    DecodeHere(bytes, choice.charset, page);
  } else {
    ConvertWithIcu(bytes, choice.charset, page);
  }
}

}  // namespace korvane::cli
