// SPDX-License-Identifier: Apache-2.0
#include "convert/convert.h"

#include <exception>

#include "decode/decode.h"
#include "decode/utf8.h"
#include "korvane.h"
#include "render/render.h"

namespace korvane::cli {
namespace {

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
// text is swapped in rather than copied there.
Article ExtractDecoded(std::u16string& text, Algorithm algorithm) {
  if (algorithm != Algorithm::kBlock) return ExtractArticle(text, algorithm);
  SourceHtml.swap(text);
  return ExtractArticle(SourceHtml, algorithm);
}

Result Converted(Input& input, const ConvertSettings& settings) {
  DecodedPage decoded =
      Decode(input.bytes, DecodeHints{settings.forced, input.http_charset, input.is_text});
  std::string().swap(input.bytes);  // a large page should not be held twice
  if (!decoded.error.empty()) return Failed(input, decoded.error, settings);
  return ConvertDecoded(input, std::move(decoded), settings);
}

}  // namespace

Result ConvertDecoded(const Input& input, DecodedPage decoded, const ConvertSettings& settings) {
  // The block algorithm searches the first kExaminedUnits of a page only.
  const bool truncated =
      settings.algorithm == Algorithm::kBlock && decoded.text.size() > kExaminedUnits;
  const Article article = ExtractDecoded(decoded.text, settings.algorithm);
  std::u16string().swap(decoded.text);
  const std::u16string record = FormatRecord(article);
  Result result;
  result.source = input.source;
  result.encoding = decoded.encoding;
  result.charset_source = decoded.source;
  result.replaced = decoded.replaced;
  result.truncated = truncated;
  result.output_name = input.output_name;
  result.input_bytes = input.input_bytes;
  result.text = settings.format == Format::kJsonl
                    ? PageJsonLine(input, decoded, settings.algorithm, article, record,
                                   settings.base_url, truncated)
                    : ToUtf8(record);
  return result;
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
