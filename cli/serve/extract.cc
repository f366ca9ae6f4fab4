// SPDX-License-Identifier: Apache-2.0
#include "extract.h"

#include "convert/convert.h"
#include "input/http_response.h"
#include "input/jsonl_input.h"

namespace korvane::serve {

cli::Input PageInput(const PageRequest& request, std::string body) {
  if (request.json) return cli::PageFromJsonLine(body, 1);
  cli::Input page;
  page.source = request.url.empty() ? "standard input" : request.url;
  page.url = request.url;
  page.input_bytes = body.size();
  page.bytes = std::move(body);
  page.http_charset = cli::CharsetFromContentType(request.content_type).value_or("");
  return page;
}

Answer ExtractPage(cli::Input page, Algorithm algorithm) {
  cli::ConvertSettings settings;
  settings.format = cli::Format::kJsonl;
  settings.algorithm = algorithm;
  cli::Result result = cli::Convert(std::move(page), settings);
  return {result.kind == cli::Input::Kind::kPage ? 200 : 422, std::move(result.text)};
}

}  // namespace korvane::serve
