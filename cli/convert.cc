#include "convert.h"

#include <exception>

#include "decode.h"
#include "korvane.h"
#include "render.h"
#include "utf8.h"

namespace korvane::cli {
namespace {

Result Failed(const Page& page, std::string error, const ConvertSettings& settings) {
  Result result;
  result.kind = Page::Kind::kError;
  result.source = page.source;
  result.input_bytes = page.input_bytes;
  if (settings.format == Format::kJsonl) result.text = ErrorJsonLine(page, error);
  result.error = std::move(error);
  return result;
}

Result Converted(Page& page, const ConvertSettings& settings) {
  DecodedPage decoded =
      Decode(page.bytes, DecodeHints{settings.forced, page.http_charset, page.is_text});
  std::string().swap(page.bytes);  // a large page should not be held twice
  if (!decoded.error.empty()) return Failed(page, decoded.error, settings);
  const Article article = ExtractArticle(decoded.text);
  std::u16string().swap(decoded.text);
  const std::u16string record = FormatRecord(article);
  Result result;
  result.source = page.source;
  result.encoding = decoded.encoding;
  result.reason = decoded.reason;
  result.replaced = decoded.replaced;
  result.output_name = page.output_name;
  result.input_bytes = page.input_bytes;
  result.text = settings.format == Format::kJsonl
                    ? PageJsonLine(page, decoded, article, record, settings.base_url)
                    : ToUtf8(record);
  return result;
}

}  // namespace

Result Convert(Page page, const ConvertSettings& settings) {
  try {
    switch (page.kind) {
      case Page::Kind::kPage:
        return Converted(page, settings);
      case Page::Kind::kError:
        return Failed(page, page.error, settings);
      case Page::Kind::kSkipped:
        break;
    }
    Result skipped;
    skipped.kind = Page::Kind::kSkipped;
    skipped.source = page.source;
    skipped.error = page.error;
    skipped.input_bytes = page.input_bytes;
    return skipped;
  } catch (const std::exception& error) {
    return Failed(page, std::string("conversion failed: ") + error.what(), settings);
  }
}

}  // namespace korvane::cli
