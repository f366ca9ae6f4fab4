// SPDX-License-Identifier: Apache-2.0
#include "page_stream.h"

#include <utility>

#include "input/inputs.h"
#include "input/warc.h"
#include "input/zstd_reader.h"

namespace korvane::python {

PageStream::PageStream(std::function<std::optional<cli::Input>()> next_input, Algorithm algorithm)
    : next_input_(std::move(next_input)) {
  settings_.format = cli::Format::kJsonl;
  settings_.algorithm = algorithm;
}

std::unique_ptr<PageStream> PageStream::ForPath(const std::string& path, bool walked,
                                                Algorithm algorithm, uint64_t max_page_size) {
  cli::InputSettings settings;
  settings.paths = {path};
  settings.walked = walked;
  settings.slices = true;  // Convert reads them
  settings.max_page_size = max_page_size;
  auto inputs = std::make_shared<cli::Inputs>(std::move(settings));
  return std::unique_ptr<PageStream>(
      new PageStream([inputs] { return inputs->Next(); }, algorithm));
}

std::unique_ptr<PageStream> PageStream::ForWarc(std::unique_ptr<cli::ByteReader> reader,
                                                std::string_view first_bytes,
                                                const std::string& name, Algorithm algorithm,
                                                uint64_t max_page_size) {
  if (cli::IsGzip(first_bytes)) {
    reader = std::make_unique<cli::GzipReader>(std::move(reader));
  } else if (cli::IsZstd(first_bytes)) {
    reader = std::make_unique<cli::ZstdReader>(std::move(reader), max_page_size);
  }
  auto warc = std::make_shared<cli::WarcReader>(std::move(reader), name, name, max_page_size);
  return std::unique_ptr<PageStream>(new PageStream([warc] { return warc->Next(); }, algorithm));
}

std::optional<PageStream::Line> PageStream::Next() {
  std::optional<cli::Input> input = next_input_();
  if (!input) return std::nullopt;
  cli::Result result = cli::Convert(std::move(*input), settings_);
  return Line{result.kind, std::move(result.text)};
}

}  // namespace korvane::python
