// SPDX-License-Identifier: Apache-2.0
#include "convert/convert.h"

#include <exception>

#include "decode/decode.h"
#include "decode/utf8.h"
#include "input/read_failure.h"
#include "korvane.h"
#include "render/render.h"

namespace korvane::cli {
namespace {

// Decoded text buffers kept per thread longer than this (units) are given
// back after their page: a huge page's memory goes as soon as it is done.
constexpr size_t kKeptTextUnits = size_t{1} << 21;
// The same for the buffer of a page's bytes (bytes).
constexpr size_t kKeptByteUnits = size_t{1} << 21;

void GiveBackIfHuge(std::u16string& text) {
  if (text.capacity() > kKeptTextUnits) std::u16string().swap(text);
}

Result Failed(const Input& input, std::string error, const ConvertSettings& settings) {
  Result result;
  result.kind = Input::Kind::kError;
  result.source = input.source;
  result.input_bytes = input.input_bytes;
  if (settings.format == Format::kJsonl) result.text = ErrorJsonLine(input, error);
  result.error = std::move(error);
  return result;
}

// The block algorithm keeps the page it converts in SourceHtml: the decoded
// text is swapped in rather than copied there, and swapped back after, so
// that one buffer per thread holds page after page (nothing here reads
// SourceHtml again).
Article ExtractDecoded(std::u16string& text, Algorithm algorithm) {
  if (algorithm != Algorithm::kBlock) return ExtractArticle(text, algorithm);
  SourceHtml.swap(text);
  Article article = ExtractArticle(SourceHtml, algorithm);
  SourceHtml.swap(text);
  return article;
}

// The block algorithm searches the first kExaminedUnits of a page only.
bool Truncated(std::u16string_view text, Algorithm algorithm) {
  return algorithm == Algorithm::kBlock && text.size() > kExaminedUnits;
}

Result ConvertText(const Input& input, DecodedPage& decoded, const ConvertSettings& settings) {
  const bool truncated = Truncated(decoded.text, settings.algorithm);
  const Article article = ExtractDecoded(decoded.text, settings.algorithm);
  GiveBackIfHuge(decoded.text);  // before the output is written
  Result result;
  result.source = input.source;
  result.encoding = decoded.encoding;
  result.charset_source = decoded.source;
  result.replaced = decoded.replaced;
  result.truncated = truncated;
  result.output_name = input.output_name;
  result.input_bytes = input.input_bytes;
  result.text =
      settings.format == Format::kJsonl
          ? PageJsonLine(input, decoded, settings.algorithm, article, settings.base_url, truncated)
          : RecordUtf8(article);
  return result;
}

// The bytes of pages that came as slices of their files, read into one
// buffer per thread, kept from page to page.
std::string& SliceBuffer() {
  thread_local std::string buffer;
  return buffer;
}

// Room for the text is made before the bytes are read, so that the bytes
// lie above it: once decoded and freed, the next working copies take their
// memory again rather than fresh memory (a large page would otherwise hold
// its bytes, its text and its copies at once). Only a hint: without the
// memory, the page fails where it did without it.
void ReserveTextBelowBytes(uint64_t bytes, std::u16string& text) {
  text.clear();
  try {
    text.reserve(bytes);
  } catch (const std::exception&) {  // bad_alloc, or length_error past the string's size
    GiveBackIfHuge(text);
  }
}

Result Converted(Input& input, const ConvertSettings& settings) {
  // The text's memory is kept for the thread's next page.
  thread_local DecodedPage decoded;
  std::string_view bytes = input.bytes;
  if (input.slice.file) {
    ReserveTextBelowBytes(input.slice.size, decoded.text);
    if (const std::optional<std::string> failure =
            ReadingFailure([&] { bytes = ReadSlice(input.slice, SliceBuffer()); })) {
      GiveBackIfHuge(decoded.text);
      return Failed(input, *failure, settings);
    }
  }
  DecodeInto(bytes, DecodeHints{settings.forced, input.http_charset, input.is_text}, decoded);
  // A large page should not be held twice: its bytes go once decoded.
  std::string().swap(input.bytes);
  if (SliceBuffer().capacity() > kKeptByteUnits) std::string().swap(SliceBuffer());
  if (!decoded.error.empty()) return Failed(input, decoded.error, settings);
  return ConvertText(input, decoded, settings);
}

}  // namespace

Extracted ExtractPage(std::u16string& text, Algorithm algorithm) {
  Extracted extracted;
  extracted.truncated = Truncated(text, algorithm);
  extracted.article = ExtractDecoded(text, algorithm);
  std::u16string().swap(text);
  extracted.record = FormatRecord(extracted.article);
  return extracted;
}

Result ConvertDecoded(const Input& input, DecodedPage decoded, const ConvertSettings& settings) {
  return ConvertText(input, decoded, settings);
}

Result Convert(Input input, const ConvertSettings& settings) {
  try {
    switch (input.kind) {
      case Input::Kind::kPage:
        return Converted(input, settings);
      case Input::Kind::kError:
        return Failed(input, input.error, settings);
      case Input::Kind::kSkipped:
        break;
    }
    Result skipped;
    skipped.kind = Input::Kind::kSkipped;
    skipped.source = input.source;
    skipped.error = input.error;
    skipped.input_bytes = input.input_bytes;
    return skipped;
  } catch (const std::bad_alloc&) {
    // The page's copies are gone with the stack: there is room for this.
    return Failed(input, "out of memory while converting", settings);
  } catch (const std::exception& error) {
    return Failed(input, std::string("conversion failed: ") + error.what(), settings);
  }
}

}  // namespace korvane::cli
